// Run states and the monitoring cycle of the main window.
#include "monitor/controlport.h"
#include "monitor/mainwindow.h"
#include "params/wizardpara.h"

#include <QTimer>

void MainWindow::StartDetect()
{
    gpControlIO->IOResetAllOut();
    if (gpWPara->mold_cutoff)
        gpControlIO->IOSetOut(1, 1);
    gpControlIO->IOFlashOut();
    displayState = 0;
    std::fill(recheckCount, recheckCount + 8, 0);
    recheckPending = false;
    ResetRun();
    runState = 1;
}

void MainWindow::SetStopDetect()
{
    const int mode = gpWPara->procedure;
    if (mode == 1 || mode == 2)
        pendingCameras[(currentStep & 1) ? 1 : 0] = 0;
    else if (mode != 4)
        pendingCameras[currentStep != 0 ? 1 : 0] = 0;
    for (int i = 0; i < gDNum && i < 8; ++i) {
        if (countdownTimers[i] && countdownTimers[i]->isActive()) {
            countdownTimers[i]->stop();
            countdown[i] = 0;
        }
    }
    runState = 3;
}

void MainWindow::StopDetect()
{
    gpControlIO->IOResetAllOut();
    if (gpWPara->enable_stop_mold == 1)
        gpControlIO->IOSetOut(0, 1);
    gpControlIO->IOFlashOut();
    if (gpWPara->procedure == 4) {
        std::fill(pendingCameras, pendingCameras + 8, 0);
        currentStep = lastStartedStep = gDNum - 1;
    }
    SetStopDetect();
}

// The cycle's passes, judgement and verdict come with the monitoring cycle;
// until then the timers tick without acting.
void MainWindow::ResetRun() {}
void MainWindow::Run() {}
void MainWindow::TimerUp(int) {}
void MainWindow::CheckInput(int n)
{
    if (n >= 0 && n < 8)
        inputConfirmed[n] = gpControlIO->IOState(0, n);
}
void MainWindow::InCheck() {}
void MainWindow::SlotFPS() {}
void MainWindow::RunAlgorithm(int) {}
void MainWindow::CheckNG() {}
void MainWindow::TimerShow() {}
void MainWindow::OutTimerOutNG() {}
void MainWindow::OutTimerNotAllowClose() {}
void MainWindow::OutTimerNotAllowThimble() {}
void MainWindow::OutTimerReserveOutput()
{
    reserveTimer->stop();
    gpControlIO->IOSetOut(3, 0);
    gpControlIO->IOFlashOut();
}
void MainWindow::CheckTemp() {}
void MainWindow::SlotResetAlarm() {}
void MainWindow::SlotDrawHint() {}
