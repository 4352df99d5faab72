// The multi-detection IO page and the IO naming dialog in the real main
// window: reached from the IO parameters page, confirmed into the edit copy,
// saved by the apply step.
#include "settingsfixture.h"

#include "params/procedures.h"
#include "settings/customionamewidget.h"
#include "settings/ioparamswidget.h"
#include "settings/iowidget.h"
#include "settings/systemparamswidget.h"
#include "widgets/edit.h"

#include <QCoreApplication>
#include <QDir>
#include <QLabel>
#include <QSlider>
#include <QTest>

class MultiDetectWindow : public SettingsWindow {
protected:
    void startMultiDetect(int lan = 1)
    {
        setFourDetectionSteps(para);
        startShown(lan);
    }
    IOWidget& ioPage() { return *settings().multiDetectIO; }
    CustomIONameWidget& names() { return *window->customIONameWidget; }
};

TEST_F(MultiDetectWindow, NamesChosenInTheDialogReachThePageAndTheRecord)
{
    startMultiDetect();
    open();
    settings().changeWidget(9);
    settings().ioParams->timeoutRow.slider->setValue(123); // an edit not yet stored by its page

    settings().ioParams->ioNameButton->click();
    EXPECT_FALSE(settings().isVisible());
    ASSERT_TRUE(names().isVisible());
    EXPECT_EQ(names().inputSlotLabels[0]->text(), "Input 1");
    EXPECT_EQ(names().outputSlotLabels[2]->text(), "Output 4");
    EXPECT_EQ(names().outputNameBoxes[3]->count(), 14);
    EXPECT_EQ(names().inputNameBoxes[0]->count(), 16);

    names().outputNameBoxes[3]->setCurrentIndex(9); // "Rot"
    names().inputNameBoxes[1]->setCurrentIndex(7);  // "Res but"
    names().confirmButton->click();
    EXPECT_FALSE(names().isVisible());
    EXPECT_TRUE(settings().isVisible());
    EXPECT_EQ(gpWParaBak->output_name_index[3], 9);
    EXPECT_EQ(gpWParaBak->input_name_index[1], 7);
    // Step 2 drives output slot 3 when more than three steps are set.
    EXPECT_EQ(ioPage().choiceRows[0]->stepBoxes[2]->text(), "Rot");
    EXPECT_EQ(ioPage().choiceRows[0]->triggerBox->itemText(1), "Res but");
    EXPECT_EQ(settings().ioParams->timeoutRow.slider->value(), 123) << "the page's edit survives the dialog";

    exitSetup();
    ASSERT_EQ(boxes.size(), 1);
    EXPECT_TRUE(boxes[0].contains(LanStr(234, 1)));
    EXPECT_EQ(gpWPara->output_name_index[3], 9);
    EXPECT_EQ(gpWPara->input_name_index[1], 7);
    EXPECT_EQ(gpWPara->input_timeout_len, 123);
    // The display names of the IO status follow at once.
    EXPECT_EQ(gaName[13], "Rot");
    EXPECT_EQ(gaName[2], "Res but");
}

TEST_F(MultiDetectWindow, CustomIOConfirmsIntoTheEditCopyAndReturnsToIOParameters)
{
    startMultiDetect();
    open();
    settings().changeWidget(9);
    settings().ioParams->customIOButton->click();
    ASSERT_TRUE(ioPage().isVisible());
    EXPECT_EQ(ioPage().model.matrix(), "X--- -X-- --X- ---X") << "the stored claims";

    ioPage().stepCountBox->setCurrentIndex(1); // 3 times
    for (auto [r, k] : std::vector<std::pair<int, int>>{{1, 1}, {2, 2}, {0, 1}, {0, 2}})
        QTest::mouseClick(ioPage().choiceRows[r]->stepBoxes[k], Qt::LeftButton);
    EXPECT_EQ(ioPage().model.matrix(), "XXX --- ---");
    ioPage().choiceRows[0]->cutModeBox->setCurrentIndex(2);
    settings().changeWidget(0);
    ioPage().confirmButton->click();
    EXPECT_FALSE(ioPage().isVisible());
    EXPECT_EQ(settings().currentPage(), 9);
    EXPECT_EQ(settings().systemParams->recheckRow.caption->text(), "re-detect 3rd");
    EXPECT_EQ(gpWPara->detect_count, 4) << "the live record waits for the apply step";

    exitSetup();
    EXPECT_EQ(gpWPara->detect_count, 3);
    EXPECT_EQ(gDNum, 3);
    EXPECT_EQ(std::vector<int>(gpWPara->output_row, gpWPara->output_row + 8),
              (std::vector<int>{0, 0, 0, -1, -1, -1, -1, -1}));
    EXPECT_EQ(gpWPara->row_cut_mode[0], 2);
    EXPECT_EQ(std::vector<int>(gpWPara->step_enabled, gpWPara->step_enabled + 4), (std::vector<int>{1, 1, 1, 0}));

    // The page keeps its state for the next opening, whatever the record says.
    open();
    settings().ioParams->customIOButton->click();
    EXPECT_EQ(ioPage().model.matrix(), "XXX --- ---");
}

TEST_F(MultiDetectWindow, Screenshots)
{
    const QString dir = QStringLiteral(SETTINGS_SHOT_DIR);
    QDir().mkpath(dir);
    for (int lan : {1, 0}) {
        startMultiDetect(lan);
        open();
        settings().changeWidget(9);
        settings().ioParams->ioNameButton->click();
        names().outputNameBoxes[3]->setCurrentIndex(9);
        EXPECT_TRUE(names().grab().save(dir + (lan == 0 ? "/ionames-zh.png" : "/ionames-en.png")));
        EXPECT_TRUE(window->grab().save(dir + (lan == 0 ? "/ionames-window-zh.png" : "/ionames-window-en.png")));
        names().confirmButton->click();
        nextCase();
    }
}
