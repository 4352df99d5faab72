#include "monitor/imagecontainer.h"

#include "camera/cammerwidget.h"
#include "monitor/mainwindow.h"

ImageContainer::ImageContainer(MainWindow* window) : QWidget(window), ownerWindow(window)
{
    for (int i = 0; i < 8; ++i)
        window->cameraViews[i] = new CammerWidget(i, this);
}

void ImageContainer::showSplit(bool)
{
    if (gpWin)
        gpWin->ChangeCammer();
}

void ImageContainer::mousePressEvent(QMouseEvent* event) { QWidget::mousePressEvent(event); }
