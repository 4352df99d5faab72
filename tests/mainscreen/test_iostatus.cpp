// The IO status panel: the states it passes to the title bar (in
// multi-detection only the inputs in use), the alarm lamp it draws, the
// logout on a press, and the board's silence shown in the title bar, with
// the board simulator on a pseudo-terminal as the IO board.
#include "../ioboard/boardsim.h"
#include "screenfixture.h"

#include "params/procedures.h"
#include "params/skin.h"
#include "platform/sysroot.h"

#include <QTest>

namespace {

class IoStatus : public MainScreen {
protected:
    void SetUp() override
    {
        MainScreen::SetUp();
        // Outputs "Break": the icons show the electrical level, here the logical one.
        std::fill(para.output_initial_state, para.output_initial_state + 9, 0);
    }
    // Input bits as the board reports them, seen by the next pass.
    void inputs(int bits)
    {
        {
            QMutexLocker lock(pMutexIO);
            gDataIn = bits;
        }
        window->Run();
    }
    QString icon(int entry) { return title()->ioIconShown(entry); }
};

} // namespace

TEST_F(IoStatus, InputsAndOutputsReachTheTitleBarIcons)
{
    startShown();
    inputs(0b1010);
    gpControlIO->IOSetOut(1, 1);
    gpControlIO->IOSetOut(3, 1);
    window->ioStatusWidget->pushStates();
    const char* expected[8] = {"19", "20", "23", "24", "27", "28", "31", "32"};
    for (int e = 0; e < 8; ++e)
        EXPECT_EQ(icon(e), QStringLiteral(":/img/icons/%1.png").arg(expected[e])) << e;
    // A repaint does the same.
    inputs(0);
    window->ioStatusWidget->grab();
    EXPECT_EQ(icon(1), ":/img/icons/21.png");
    EXPECT_EQ(icon(3), ":/img/icons/25.png");
    // The editing screen hides the band; the cycle's passes keep the icons going.
    window->ioStatusWidget->hide();
    inputs(0b0010);
    EXPECT_EQ(icon(1), ":/img/icons/20.png");
}

TEST_F(IoStatus, InMultiDetectionOnlyTheSafetyDoorAndTheTriggerInputsAreReported)
{
    startShown();
    gpWPara->procedure = ProcMultiDetect;
    const int triggers[8] = {0, 5, -1, -1, -1, -1, -1, -1};
    std::copy(triggers, triggers + 8, gpWPara->step_trigger_input);
    title()->promptSwitching_State(0, 2, 1);
    title()->promptSwitching_State(0, 3, 1);
    inputs(0b0011);
    window->ioStatusWidget->pushStates();
    EXPECT_EQ(icon(0), ":/img/icons/18.png");
    EXPECT_EQ(icon(1), ":/img/icons/20.png");
    EXPECT_EQ(icon(2), ":/img/icons/22.png") << "left as it was";
    EXPECT_EQ(icon(3), ":/img/icons/24.png") << "left as it was";
}

TEST_F(IoStatus, TheAlarmLampShowsOutputTwo)
{
    startShown();
    IOStatusWidget* band = window->ioStatusWidget;
    EXPECT_EQ(band->geometry(), QRect(0, 982 - 180, 1725, 180));
    for (bool on : {true, false}) {
        gpControlIO->IOSetOut(2, on);
        const QImage img = band->grab().toImage().convertToFormat(QImage::Format_ARGB32);
        const QImage lamp =
            gpPixmapOUT[on ? 1 : 0]->scaled(70, 80).toImage().convertToFormat(QImage::Format_ARGB32);
        // The lamp's centre as drawn at (472, 95), 70 x 80.
        EXPECT_EQ(img.pixelColor(472 + 35, 95 + 40), lamp.pixelColor(35, 40)) << on;
        EXPECT_EQ(icon(6), on ? ":/img/icons/30.png" : ":/img/icons/31.png");
    }
}

TEST_F(IoStatus, APressLogsOut)
{
    startShown();
    for (int level : {2, 0}) {
        window->userLevel = level;
        QTest::mouseClick(window->ioStatusWidget, Qt::LeftButton, {}, QPoint(10, 10));
        EXPECT_EQ(window->userLevel, 0);
    }
}

TEST_F(IoStatus, TheBoardsSilenceShowsInTheTitleBar)
{
    BoardSim board;
    ASSERT_TRUE(board.open()) << qPrintable(board.error());
    ASSERT_TRUE(board.link(platform::sysPath("/dev/ttyS0")));
    para.serial_port = 0;
    startShown();
    auto answering = [this] {
        window->ioStatusWidget->pushStates();
        return title()->boardAnswering();
    };
    ASSERT_TRUE(runBoardUntil(board, [&] { return gpControlIO->thread()->inputReports() > 0; }));
    EXPECT_TRUE(answering());
    EXPECT_TRUE(title()->boardNote->isHidden());

    // The board's inputs reach the icons through the link.
    board.setInput(2, true);
    ASSERT_TRUE(runBoardUntil(board, [&] { return (window->ioStatusWidget->pushStates(), icon(2) == ":/img/icons/22.png"); }));

    board.setSilent(true);
    ASSERT_TRUE(runBoardUntil(board, [&] { return !answering(); }));
    EXPECT_TRUE(title()->boardNote->isVisible());
    board.setSilent(false);
    ASSERT_TRUE(runBoardUntil(board, [&] { return answering(); }));
    EXPECT_FALSE(title()->boardNote->isVisible());
    cycletest::endWindow(window);
}
