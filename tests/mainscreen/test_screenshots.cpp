// The whole main screen as the operator sees it, in English, simplified and
// traditional Chinese: two demonstration views, the title bar fed by them
// and by the IO board (the board simulator), the option bar; no caption on
// it cut off.
#include "../ioboard/boardsim.h"
#include "screenfixture.h"

#include "captions.h"
#include "platform/sysroot.h"
#include "programlook.h"

#include <QDir>
#include <QTest>

namespace {

class Screenshots : public MainScreen {
protected:
    void SetUp() override
    {
        MainScreen::SetUp();
        look = std::make_unique<ProgramLook>();
    }
    void TearDown() override
    {
        MainScreen::TearDown();
        look.reset();
    }
    QImage shoot(const QString& name, QWidget* w = nullptr)
    {
        const QImage img = (w ? w : window)->grab().toImage();
        const QString dir = QStringLiteral(SCREEN_SHOT_DIR);
        EXPECT_TRUE(QDir().mkpath(dir));
        EXPECT_TRUE(img.save(dir + '/' + name + suffix[gLan] + ".png"));
        const QStringList cut = clippedCaptions(w ? w : window);
        EXPECT_TRUE(cut.isEmpty()) << name.toStdString() << suffix[gLan] << ": " << cut.join(" | ").toStdString();
        return img;
    }
    std::unique_ptr<ProgramLook> look;
    const char* const suffix[3] = {"-zh", "-en", "-tw"};
};

} // namespace

TEST_F(Screenshots, TheMainScreenInEveryLanguage)
{
    BoardSim board;
    ASSERT_TRUE(board.open()) << qPrintable(board.error());
    ASSERT_TRUE(board.link(platform::sysPath("/dev/ttyS0")));
    board.setInputs(0b0110); // safety door closed, ejector back
    // The demonstration pictures the install step puts into the program folder.
    QDir().mkpath("cammer15");
    for (const char* f : {"template0.bmp", "template1.bmp"})
        ASSERT_TRUE(QFile::copy(testenv::sourceDir() + "/resources/programdir/cammer15/" + f,
                                QString("cammer15/") + f));
    for (int lan : {1, 0, 2}) {
        SCOPED_TRACE(lan);
        para.serial_port = 0;
        para.snap_shot = 1;
        gLan = lan;
        start();
        gLan = lan;
        gAllNum[0] = 1234;
        gFailNum[0] = 3;
        gAllNum[1] = 1234;
        gFailNum[1] = 1;
        window->show();
        ASSERT_TRUE(runBoardUntil(board, [&] { return gpControlIO->thread()->inputReports() > 2; }));
        QTest::qWait(300); // the cycle's passes and the views' repaints
        window->ioStatusWidget->pushStates();
        window->titleBar->tick(); // the clock's first second
        QTest::qWait(50);
        EXPECT_TRUE(window->titleBar->boardAnswering());
        EXPECT_EQ(window->titleBar->ioIconShown(1), ":/img/icons/20.png");
        EXPECT_EQ(window->titleBar->cameraRows[0]->layerLabel->text(), "1234");
        EXPECT_EQ(window->titleBar->cameraRows[1]->ngLabel->text(), "1");
        EXPECT_TRUE(window->titleBar->cameraRows[0]->messageLabel->text().startsWith(LanStr(313).left(2)));
        const QImage shot = shoot("mainscreen");
        shoot("titlebar", window->titleBar);
        EXPECT_EQ(shot.size(), QSize(1920, 1080));
        // The title bar's blue band, the option bar's green start/stop button.
        EXPECT_EQ(shot.pixelColor(5, 5), QColor("#1f3f8d"));
        const QRect stop = window->optionBar->startStopButton->geometry().translated(
            window->optionBar->mapTo(window, QPoint()));
        EXPECT_EQ(shot.pixelColor(stop.left() + 5, stop.top() + 5), QColor("#4ab74c"));

        // Camera 1 alone, zoomed in, with the zoom tools and the fine-tuning pad.
        window->selectedCamera = 0;
        window->ChangeCammer();
        window->cursorImageX = 600;
        window->cursorImageY = 330;
        window->MEnlargeScale();
        window->MEnlargeScale();
        QTest::qWait(50);
        EXPECT_TRUE(window->optionBar->finetuningPad()->isVisible());
        shoot("mainscreen-zoomed");
        window->OptBtnsToggledSlot(OptionBar::MultiScreen, true);

        // Stopped, with the board gone silent and a temperature alarm.
        answer = QDialog::Accepted;
        window->SlotStartStop();
        gisTempAlarm = true;
        board.setSilent(true);
        ASSERT_TRUE(runBoardUntil(board, [&] { return (window->ioStatusWidget->pushStates(), !window->titleBar->boardAnswering()); }));
        QTest::qWait(100);
        const QImage stopped = shoot("mainscreen-stopped");
        EXPECT_EQ(stopped.pixelColor(5, 5), QColor("#ee2329"));
        gisTempAlarm = false;
        board.setSilent(false);
        nextCase();
    }
    gLan = 0;
}
