// The help page's pictures and paging, and the light setting dialog.
#include "params/geometry.h"
#include "params/lanstr.h"
#include "settings/helpwidget.h"
#include "settings/lightsettingdialog.h"
#include "testenv.h"

#include <QDir>
#include <QImage>
#include <QLabel>
#include <QPushButton>
#include <QTest>

namespace {

class HelpPage : public InTempFolder {
protected:
    void SetUp() override
    {
        InTempFolder::SetUp();
        Data_Init();
        savedW = gShowW;
        savedH = gShowH;
        gShowW = 1725;
        gShowH = 982;
        gHelpC = 0;
    }
    void TearDown() override
    {
        gShowW = savedW;
        gShowH = savedH;
        gLan = 0;
        gHelpC = 0;
        InTempFolder::TearDown();
    }
    // n pages named so that name order is page order, each a different grey.
    static void pages(const QString& folder, int n)
    {
        QDir().mkpath(folder);
        for (int i = 0; i < n; ++i) {
            QImage img(40, 30, QImage::Format_RGB32);
            img.fill(QColor(i * 4, i * 4, i * 4));
            img.save(QString("%1/page%2.png").arg(folder).arg(i, 2, 10, QChar('0')));
        }
    }
    int savedW = 0;
    int savedH = 0;
};

} // namespace

TEST_F(HelpPage, FolderByLanguage)
{
    pages("help", 3);
    pages("help-en", 5);
    const int expected[3] = {3, 5, 5};
    for (int lan = 0; lan < 3; ++lan) {
        SCOPED_TRACE(lan);
        gLan = lan;
        HelpWidget w;
        EXPECT_EQ(w.pageCount(), expected[lan]);
        EXPECT_EQ(w.folder(), lan == 0 ? QString("./help/") : QString("./help-en/"));
    }
}

TEST_F(HelpPage, PagingWrapsOverTheLoadedPages)
{
    struct Case {
        const char* name;
        int files;
        int loaded;
    };
    const Case cases[] = {{"twelve pages", 12, 12}, {"sixty pages, fifty loaded", 60, 50}, {"none: the stand-in", 0, 1}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QDir("help").removeRecursively();
        QDir().mkpath("help");
        pages("help", c.files);
        gLan = 0;
        gHelpC = 0;
        HelpWidget w;
        ASSERT_EQ(w.pageCount(), c.loaded);
        w.SlotLast();
        EXPECT_EQ(gHelpC, c.loaded - 1);
        w.SlotNext();
        EXPECT_EQ(gHelpC, 0);
        for (int i = 0; i < c.loaded; ++i)
            w.SlotNext();
        EXPECT_EQ(gHelpC, 0);
    }
}

TEST_F(HelpPage, ThePageShownIsAlwaysALoadedOne)
{
    pages("help", 3);
    gLan = 0;
    HelpWidget w;
    w.resize(200, 150);
    w.SlotAlarm();
    EXPECT_EQ(gHelpC, 2) << "the alarm page does not exist; the last page stands in";
    gHelpC = 6; // the region editor's help action
    EXPECT_EQ(w.currentPage(), 2);
    w.SlotNext();
    EXPECT_EQ(gHelpC, 0);
    gHelpC = -3;
    EXPECT_EQ(w.currentPage(), 0);
    gHelpC = 6;
    const QImage shown = w.grab().toImage();
    EXPECT_EQ(QColor(shown.pixel(100, 75)).red(), 8) << "the last page drawn over the widget";

    pages("help", 8);
    HelpWidget more;
    more.SlotAlarm();
    EXPECT_EQ(gHelpC, 4);
}

TEST_F(HelpPage, ButtonsFollowTheDisplayWidth)
{
    gLan = 1;
    HelpWidget wide;
    EXPECT_EQ(wide.lastButton->geometry(), QRect(350, 842, 150, 60));
    EXPECT_EQ(wide.returnButton->geometry(), QRect(815, 842, 150, 60));
    EXPECT_EQ(wide.alarmButton->text(), LanStr(146, 1));
    gShowW = 1024;
    HelpWidget narrow;
    EXPECT_EQ(narrow.nextButton->geometry(), QRect(435, 842, 80, 30));
    EXPECT_EQ(narrow.returnButton->geometry(), QRect(605, 842, 80, 30));
}

// "Return" goes back to the first page and the help stays on screen.
TEST_F(HelpPage, ReturnShowsTheFirstPageAgain)
{
    pages("help-en", 5);
    gLan = 1;
    HelpWidget w;
    w.resize(200, 150);
    w.show();
    w.SlotNext();
    w.SlotNext();
    w.SlotNext();
    ASSERT_EQ(QColor(w.grab().toImage().pixel(100, 75)).red(), 12);
    w.returnButton->click();
    EXPECT_TRUE(w.isVisible());
    EXPECT_EQ(gHelpC, 0);
    EXPECT_EQ(QColor(w.grab().toImage().pixel(100, 75)).red(), 0) << "the first page drawn";
}

TEST_F(HelpPage, LightSettingDialogActsOnPress)
{
    lightsettingdialog d;
    EXPECT_EQ(d.titleLabel->text(), LanStr(912));
    d.setText("Light");
    EXPECT_EQ(d.titleLabel->text(), QString("Light"));
    d.show();
    QTest::mousePress(d.okButton, Qt::LeftButton);
    EXPECT_EQ(d.result(), QDialog::Accepted);
    EXPECT_FALSE(d.isVisible()) << "closed at the press";
    QTest::mouseRelease(d.okButton, Qt::LeftButton);
    d.show();
    QTest::mousePress(d.cancelButton, Qt::LeftButton);
    EXPECT_EQ(d.result(), QDialog::Rejected);
    QTest::mouseRelease(d.cancelButton, Qt::LeftButton);
}
