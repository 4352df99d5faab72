#pragma once
// The application object: every touch wakes the backlight and restarts the
// backlight and auto-logout timers; with no camera back-end a press held 5 s
// (the button still down when the time runs out) arms the touch
// calibration, which runs at the next release and then restarts the system
// through the maintenance service.
#include <QApplication>
#include <QObject>

class QTimer;

// The touch rules, apart from the application object so tests can drive them.
class TouchWatch : public QObject {
    Q_OBJECT
public:
    explicit TouchWatch(QObject* parent = nullptr);
    // A press: true when it is consumed (it only woke a dark screen).
    bool pressed();
    void released();
    // The 5 s press timer ran out.
    void LongPressTimeout();

    QTimer* longPressTimer;
    bool calibrationArmed = false;
};

class MApplication : public QApplication {
    Q_OBJECT
public:
    MApplication(int& argc, char** argv);
    bool notify(QObject* receiver, QEvent* event) override;

    TouchWatch touch;
};

// Pauses the calling thread for 1 s (before a reboot or exit).
void StopWTD();
// StopWTD, then ends the process.
[[noreturn]] void Exit(int status);
