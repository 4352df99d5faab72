// The option bar and the fine-tuning pad on the real main window: the
// command codes, the refusal while the settings window is shown, the
// settings button unchecked without a signal, and the pad's moves.
#include "screenfixture.h"

#include <QSignalSpy>
#include <QTest>

using OptionBarTest = MainScreen;

TEST_F(OptionBarTest, EachButtonSendsItsCodeAndBothDirectionsCount)
{
    startShown();
    QList<int> codes;
    QObject::connect(bar(), &OptionBar::btnsToggled, [&codes](OptionBar::BTN_TYPE t, bool) { codes << t; });
    struct Case {
        BOptionButton* button;
        int code;
    } cases[] = {
        {bar()->multiScreenButton, 1}, {bar()->resampleButton, 4}, {bar()->statisticsButton, 6},
        {bar()->moldSnapButton, 7},
    };
    answer = QDialog::Rejected; // resampling is asked and declined
    for (const Case& c : cases) {
        codes.clear();
        c.button->click();
        c.button->click();
        EXPECT_EQ(codes, (QList<int>{c.code, c.code})) << c.code;
        EXPECT_EQ(bar()->lastType, c.code);
    }
    EXPECT_TRUE(bar()->statisticsButton->isHidden());
    EXPECT_EQ(bar()->multiScreenButton->text(), LanStr(126));
    EXPECT_EQ(bar()->settingsButton->text(), LanStr(582));
}

TEST_F(OptionBarTest, TwoPressesOnStartStopStopAndStartAgain)
{
    para.enable_stop_mold = 1;
    startShown();
    bar()->startStopButton->click(); // checked
    EXPECT_EQ(window->runState, 3);
    EXPECT_TRUE(out(0)) << "clamp prohibited while stopped";
    EXPECT_EQ(bar()->startStopButton->text(), LanStr(136));
    EXPECT_TRUE(bar()->startStopButton->styleSheet().contains("#ee2329"));
    EXPECT_TRUE(boxes.last().contains(LanStr(140)));
    bar()->startStopButton->click(); // unchecked: the same command
    EXPECT_EQ(window->runState, 1);
    EXPECT_FALSE(out(0));
    EXPECT_EQ(bar()->startStopButton->text(), LanStr(127));
    EXPECT_TRUE(bar()->startStopButton->styleSheet().contains("#4ab74c"));
    EXPECT_EQ(records().mid(records().size() - 2), (QStringList{LanStr(141), LanStr(142)}));
}

TEST_F(OptionBarTest, WhileTheSettingsWindowIsShownOnlyTheProductSnapshotActs)
{
    startShown();
    showSettings();
    const int selected = window->selectedCamera;
    window->selectedCamera = 0;
    window->ChangeCammer();
    QSignalSpy codes(bar(), &OptionBar::btnsToggled);
    for (BOptionButton* b : {bar()->multiScreenButton, bar()->startStopButton, bar()->settingsButton,
                             bar()->resampleButton, bar()->areaButton, bar()->moldSnapButton}) {
        boxes.clear();
        const bool wasChecked = b->isChecked();
        b->click();
        ASSERT_EQ(boxes.size(), 1) << qPrintable(b->text());
        EXPECT_TRUE(boxes[0].contains(LanStr(591))) << qPrintable(boxes[0]);
        EXPECT_NE(b->isChecked(), wasChecked) << "the button keeps its flipped state";
    }
    EXPECT_EQ(codes.count(), 0);
    EXPECT_EQ(window->selectedCamera, 0) << "multi-screen did not run";
    EXPECT_EQ(window->runState, 1) << "start/stop did not run";
    EXPECT_EQ(window->mainStack->currentIndex(), 1);
    EXPECT_EQ(window->manualTriggerStep, gDNum) << "no mold snapshot";

    bar()->productSnapButton->click();
    EXPECT_EQ(window->manualTriggerStep, 0) << "the product snapshot bypasses the check";
    EXPECT_NE(selected, 0);
}

TEST_F(OptionBarTest, ARefusedSettingsWindowUnchecksItsButtonSilently)
{
    para.is_psw_used = 1;
    startShown();
    QSignalSpy toggled(bar()->settingsButton, &QAbstractButton::toggled);
    bar()->settingsButton->click();
    EXPECT_EQ(passwordBoxes, 1);
    EXPECT_EQ(toggled.count(), 1) << "only the press itself";
    EXPECT_FALSE(bar()->settingsButton->isChecked());
    EXPECT_TRUE(bar()->settingsButton->isCheckable());
    EXPECT_EQ(bar()->lastType, 0);
    EXPECT_EQ(window->mainStack->currentIndex(), 0);
}

TEST_F(OptionBarTest, OneTapOnThePadMovesTwoStepsAndZoomAllResets)
{
    startShown();
    window->selectedCamera = 0;
    window->ChangeCammer();
    window->MEnlargeScale(); // opens the tools
    ASSERT_EQ(window->zoomToolState, 2);
    FinetuningDialog* pad = bar()->finetuningPad();
    EXPECT_TRUE(pad->isVisible());
    EXPECT_EQ(pad->parentWidget(), window->cameraViews[0]) << "the pad floats on the view shown alone";
    EXPECT_EQ(pad->size(), QSize(165, 165));

    struct Case {
        QPushButton* button;
        double dx, dy;
    } cases[] = {
        {pad->upButton, 0, -4}, {pad->downButton, 0, 4}, {pad->leftButton, -4, 0}, {pad->rightButton, 4, 0},
    };
    for (const Case& c : cases) {
        window->cursorImageX = window->cursorImageY = 0;
        window->MRecovery();
        window->zoomFactor = 2;
        QTest::mouseClick(c.button, Qt::LeftButton);
        EXPECT_DOUBLE_EQ(window->panX, c.dx);
        EXPECT_DOUBLE_EQ(window->panY, c.dy);
        EXPECT_TRUE(window->zoomToolTimer->isActive());
    }
    // At zoom 1 the arrows do nothing.
    window->MRecovery();
    QTest::mouseClick(pad->rightButton, Qt::LeftButton);
    EXPECT_EQ(window->panX, 0);
    // Zoom-all: back to 1 and no pan.
    window->zoomFactor = 3;
    window->panX = 12;
    window->panY = -7;
    QTest::mouseClick(pad->zoomAllButton, Qt::LeftButton);
    EXPECT_EQ(window->zoomFactor, 1);
    EXPECT_EQ(window->panX, 0);
    EXPECT_EQ(window->panY, 0);
}
