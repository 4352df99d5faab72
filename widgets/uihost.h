#pragma once
// What the widget kit needs of the main window. The main window binds its own
// members to this state (e.g. `int& userLevel = uiHost().userLevel;`) and puts
// its backlight and timer functions into the hooks; until then the defaults
// keep the kit usable on its own (tests, tools).
#include <QPointer>
#include <QWidget>
#include <functional>

class Edit;

struct UiHost {
    // 0 not logged in, 1 operator, 2 service.
    int userLevel = 0;
    // 1 while the panel backlight is off.
    int screenOff = 0;
    // The input field that last received the keyboard focus; the on-screen
    // keypads type into it.
    QPointer<Edit> focusedEdit;
    // Repainted when the numeric keypad is put away.
    QPointer<QWidget> mainWindow;

    // LCDOnOff(on): switches the backlight and keeps screenOff in step.
    // Default: only the flag changes (as with no LED device).
    std::function<void(int on)> lcdOnOff;
    // (Re)starts the backlight-off timer with the given milliseconds.
    std::function<void(int ms)> restartLcdTimer;
};

UiHost& uiHost();

// Calls the backlight hook (or the default).
void kitLcdOnOff(int on);
