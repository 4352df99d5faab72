// The commands that end the monitor's run: power-off or restart, leaving the
// program, the clock change, the touch calibration, the language switch, and
// clearing the journal. A restart that the system refuses leaves the
// program running with its databases open again.
#include "params/lanstr.h"
#include "params/wizardpara.h"
#include "platform/commandrunner.h"
#include "platform/host.h"
#include "settings/busywork.h"
#include "settings/maintenance.h"
#include "settings/settingshost.h"
#include "settings/systemsettingwidget.h"
#include "widgets/modal.h"
#include "widgets/modifytimewidget.h"
#include "widgets/msgbox.h"
#include "widgets/passwordbox.h"

#include <QPointer>
#include <QTimer>

namespace {

// Longer than the pass's 3 ms.
constexpr int kAfterAPassMs = 10;

// A restored group on the disk is the set the next start must load: nothing
// is saved over it, and the restart it waits for is not stopped for that.
bool saveBeforeLeaving() { return paramSavesHeld() || maintenance::saveParameters(); }

} // namespace

void SystemSettingWidget::SlotShutDown()
{
    if (!showChooseBox(LanStr(291)))
        return;
    // A refused or declined apply does not stop the power-off; a save that
    // did not reach the disk does, or the operator's edits would be lost.
    if (applyEdits() == ApplyResult::NotSaved || !saveBeforeLeaving())
        return;
    settingshost::haltDetection(LanStr(maintenance::kRowHaltedForRestart));
    host::insertRecord(LanStr(292));
    settingshost::stopWatchdog();
    const bool restart = showChooseBox(LanStr(293));
    maintenance::restartSystem(this, !restart);
}

void SystemSettingWidget::SlotExit()
{
    if (!showChooseBox(LanStr(294)))
        return;
    if (applyEdits() == ApplyResult::NotSaved || !saveBeforeLeaving())
        return;
    host::insertRecord(LanStr(295));
    showWarnBox(LanStr(296));
    settingshost::exitProgram(0);
}

void SystemSettingWidget::SlotModifyTime()
{
    clockDialog->editor()->ShowDateTime();
    if (runModal(*clockDialog) != QDialog::Accepted)
        return;
    if (!showChooseBox(LanStr(402)))
        return;
    const QDateTime moment = clockDialog->editor()->editedMoment();
    busyWork<EditDateTime::Steps>(
        this, [moment] { return EditDateTime::setClock(moment); },
        [this, moment](EditDateTime::Steps steps) {
            if (!steps.date) {
                showWarnBox(LanStr(maintenance::kRowClockNotSet));
                return;
            }
            // The system clock did change: that is journaled whatever follows.
            const QString set = EditDateTime::dateArgument(moment);
            // A restart would read the old time back from the hardware clock.
            if (!steps.hardware) {
                host::insertRecord(LanStr(maintenance::kRowClockSetTo).arg(set));
                showWarnBox(LanStr(maintenance::kRowClockHardwareFailed).arg(set));
                return;
            }
            // The saves before the restart are no work beside detection; they
            // come once a pass has published the stop.
            settingshost::haltDetection(LanStr(maintenance::kRowHaltedForRestart));
            QTimer::singleShot(kAfterAPassMs, this, [this, set] {
                host::insertRecord(LanStr(maintenance::kRowClockSetTo).arg(set));
                // Unsaved edits stop the restart (they would be lost with
                // it); detection stays stopped, the operator told.
                if (applyEdits() == ApplyResult::NotSaved || !saveBeforeLeaving())
                    return;
                host::insertRecord(LanStr(401));
                settingshost::stopWatchdog();
                maintenance::restartSystem(this);
            });
        });
}

void SystemSettingWidget::SlotCalibration()
{
    if (!showChooseBox(LanStr(459)))
        return;
    // The restart after the calibration would lose pending edits: they go
    // first, with their own question.
    const ApplyResult applied = applyEdits();
    if (applied == ApplyResult::Refused || applied == ApplyResult::NotSaved)
        return;
    BusyCover::hold(this);
    QPointer<SystemSettingWidget> self(this);
    maintenance::runTouchCalibration(this, [self](bool calibrated) {
        BusyCover::release(self);
        if (calibrated && self)
            maintenance::restartSystem(self);
    });
}

void SystemSettingWidget::SlotChangeLan(int language)
{
    if (language == gLan || language < 0 || language > 2)
        return;
    if (!showChooseBox(LanStr(318)))
        return;
    // Pending edits go first (with their own question), or the restart would
    // lose them.
    const ApplyResult applied = applyEdits();
    if (applied == ApplyResult::Refused || applied == ApplyResult::NotSaved)
        return;
    maintenance::switchLanguage(this, language);
}

void SystemSettingWidget::SlotClearRecord()
{
    if (!CheckRoot())
        return;
    if (!showChooseBox(LanStr(297)))
        return;
    if (!CheckRoot())
        return;
    if (!settingshost::clearRecord()) {
        host::insertRecord(LanStr(maintenance::kRowRecordNotCleared));
        showWarnBox(LanStr(maintenance::kRowRecordNotCleared));
        return;
    }
    host::insertRecord(LanStr(298));
}
