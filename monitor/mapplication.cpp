#include "monitor/mapplication.h"

#include "cameradriver/cameraglobals.h"
#include "monitor/led.h"
#include "monitor/mainwindow.h"
#include "params/lanstr.h"
#include "params/wizardpara.h"
#include "settings/maintenance.h"
#include "widgets/msgbox.h"

#include <QEvent>
#include <QGuiApplication>
#include <QPointer>
#include <QThread>
#include <QTimer>
#include <cstdlib>

TouchWatch::TouchWatch(QObject* parent) : QObject(parent)
{
    longPressTimer = new QTimer(this);
    connect(longPressTimer, &QTimer::timeout, this, &TouchWatch::LongPressTimeout);
}

bool TouchWatch::pressed()
{
    // Every press measures afresh: the release of an earlier one may never
    // have come through (a box opened on it).
    if (gCameraID == 0 && !calibrationArmed)
        longPressTimer->start(5000);
    if (gpWPara && !gpWin)
        return false;
    if (gpWin && gpWPara) {
        if (gpWin->logoutTimer && gpWPara->auto_cancel_timelen > 0)
            gpWin->logoutTimer->start(gpWPara->auto_cancel_timelen * 1000);
        if (gpWin->lcdTimer && gpWPara->location_level > 0)
            gpWin->lcdTimer->start(gpWPara->location_level * 1000);
    }
    if (gpWin && gScreenOff) {
        // A press on a dark screen only wakes it.
        LCDOnOff(1);
        return true;
    }
    return false;
}

void TouchWatch::released()
{
    if (calibrationArmed) {
        // Disarmed first: a box shown below runs events, and a release then
        // must not start the calibration again.
        calibrationArmed = false;
        if (gpWin) {
            QPointer<MainWindow> window(gpWin);
            maintenance::runTouchCalibration(gpWin, [window](bool calibrated) {
                if (calibrated && window)
                    maintenance::restartSystem(window);
            });
        }
    } else if (longPressTimer->isActive()) {
        longPressTimer->stop();
    }
}

void TouchWatch::LongPressTimeout()
{
    longPressTimer->stop();
    if (gCameraID != 0)
        return;
    // A modal box opened on the press swallows its release; only a button
    // really held for the whole time arms the calibration.
    if (QGuiApplication::mouseButtons() == Qt::NoButton)
        return;
    calibrationArmed = true;
    if (gpWin) {
        auto* box = new WarnBox(LanStr(568));
        box->setAttribute(Qt::WA_DeleteOnClose);
        box->setText(LanStr(370));
        box->show();
    }
}

MApplication::MApplication(int& argc, char** argv) : QApplication(argc, argv) {}

bool MApplication::notify(QObject* receiver, QEvent* event)
{
    if (event->type() == QEvent::MouseButtonPress && touch.pressed())
        return true;
    if (event->type() == QEvent::MouseButtonRelease)
        touch.released();
    return QApplication::notify(receiver, event);
}

void StopWTD() { QThread::sleep(1); }

void Exit(int status)
{
    StopWTD();
    std::_Exit(status);
}
