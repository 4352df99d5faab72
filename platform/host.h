#pragma once
// What the lower layers (cameras, inspection, IO board link) need of the main
// window: the operation journal, the operator's message boxes and the board's
// outputs. The main window installs its own functions at start-up; tests
// install recorders. Until something is installed the calls only log.
#include <QString>
#include <functional>

namespace host {

struct Hooks {
    std::function<void(const QString&)> insertRecord;  // MainWindow::InsertRecord
    std::function<void(const QString&)> showWarning;   // showWarnBox
    std::function<bool(const QString&)> askChoice;     // showChooseBox: true when confirmed
    std::function<void(int output, int value)> setOutput; // ControlPort::IOSetOut
    std::function<void()> flashOutputs;                // ControlPort::IOFlashOut
};

void install(const Hooks& hooks);
const Hooks& hooks();

void insertRecord(const QString& text);
// Inside a pass of the cycle (see PassScope) the box is opened from the
// event loop once the pass returned, so the pass never waits for the OK.
void showWarning(const QString& text);
// Always from the event loop of the GUI thread, whatever thread or pass asks.
void showWarningLater(const QString& text);
bool askChoice(const QString& text); // false when nobody can answer
void setOutput(int output, int value);
void flashOutputs();

// Marks the cycle's passes and timer slots on the GUI thread: warnings asked
// for while one runs are deferred.
class PassScope {
public:
    PassScope();
    ~PassScope();
    PassScope(const PassScope&) = delete;
    PassScope& operator=(const PassScope&) = delete;
    static bool active();
};

} // namespace host
