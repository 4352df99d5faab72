// The page set of the settings window, and a picture of every page in English
// and simplified Chinese for a person to look at.
#include "settingsfixture.h"

#include "settings/advancefuncwidget.h"
#include "settings/advanceparamwidget.h"
#include "settings/camerafunctionswidget.h"
#include "settings/deviceparamswidget.h"
#include "settings/iofunctionswidget.h"
#include "settings/ioparamswidget.h"
#include "settings/cameraparamswidget.h"
#include "settings/helpwidget.h"
#include "settings/systemlogwidget.h"
#include "settings/memorandumwidget.h"
#include "settings/networkparamswidget.h"
#include "settings/othernetworkswidget.h"
#include "settings/systemfunctionswidget.h"
#include "settings/systemparamswidget.h"
#include "widgets/edit.h"
#include "widgets/splash.h"

#include <QButtonGroup>
#include <QDir>
#include <QSlider>

TEST_F(SettingsWindow, FifteenPagesInSevenGroups)
{
    startShown();
    SystemSettingWidget& s = settings();
    const int rows[15] = {215, 572, 431, 128, 573, 262, 574, 575, 576, 577, 578, 205, 581, 579, 580};
    const QWidget* pages[15] = {s.systemParams, s.systemFunctions, s.deviceParams, s.cameraParams,
                                s.cameraFunctions, s.networkParams, s.otherNetworks, s.systemLog,
                                s.memorandum, s.ioParams, s.ioFunctions, s.advanceParams,
                                s.advanceFunctions, s.about, s.help};
    ASSERT_EQ(s.tabButtons().size(), 15);
    for (int i = 0; i < 15; ++i) {
        EXPECT_EQ(s.tabButtons()[i]->text(), LanStr(rows[i], 1)) << i;
        emit s.tabButtons()[i]->pressed();
        EXPECT_EQ(s.currentPage(), i);
        EXPECT_TRUE(pages[i]->isVisibleTo(&s) || s.currentPage() == i);
    }
    EXPECT_EQ(s.about->logoLabel()->parentWidget(), s.about);
    s.changeWidget(9);
    EXPECT_EQ(s.currentPage(), 9);
    EXPECT_TRUE(QDir("paraGroup").exists());
}

TEST_F(SettingsWindow, OpeningAlwaysShowsTheLiveRecord)
{
    para.minimum_area = 200;
    startShown();
    open();
    outSet = 3;
    settings().systemParams->areaRow.slider->setValue(700);
    answer = QDialog::Rejected;
    exitSetup(); // declined: the page still holds 700 until the next opening
    open();
    EXPECT_EQ(settings().systemParams->areaRow.slider->value(), 200);
    EXPECT_EQ(outSet, 0);
}

TEST_F(SettingsWindow, Screenshots)
{
    const QString dir = QStringLiteral(SETTINGS_SHOT_DIR);
    ASSERT_TRUE(QDir().mkpath(dir));
    for (int lan : {1, 0}) {
        startShown(lan);
        open();
        SystemSettingWidget& s = settings();
        // The factory rows shown too, as service staff see them.
        s.advanceFunctions->boxes[advancefunctions::kFactory]->setChecked(true);
        s.advanceParams->groupList->addItems({"default", "mold-A"});
        for (int i = 0; i < 15; ++i) {
            s.tabButtons()[i]->click();
            const QImage img = s.grab().toImage();
            EXPECT_FALSE(img.isNull());
            EXPECT_TRUE(img.save(QString("%1/page%2-%3.png").arg(dir).arg(i, 2, 10, QChar('0')).arg(lan ? "en" : "zh")));
        }
        // The IO parameters page with the cavity row of the two-colour procedure.
        s.tabButtons()[9]->click();
        s.ioParams->procedureGroup->button(1)->click();
        s.grab().toImage().save(QString("%1/page09-twocolor-%2.png").arg(dir).arg(lan ? "en" : "zh"));
        nextCase();
    }
}
