// Layout of the camera views, the zoom tools, zoom and pan.
#include "monitor/mainwindow.h"
#include "params/geometry.h"

#include <QPushButton>
#include <QStackedLayout>
#include <QTimer>

void MainWindow::ChangeCammer() {}
void MainWindow::setcontentLayout()
{
    if (mainStack)
        mainStack->setCurrentIndex(0);
}
void MainWindow::MShowHide(int) {}
void MainWindow::MHideAll()
{
    if (zoomToolState == 2)
        MShowHide(1);
}
void MainWindow::MScale(int) {}
void MainWindow::MEnlargeScale() {}
void MainWindow::MReductionScale() {}
void MainWindow::MRecovery() {}
void MainWindow::MTimerScale() {}
