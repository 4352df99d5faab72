// The commands that end the monitor's run: power-off or restart, leaving the
// program, the clock change, the touch calibration, the language switch, and
// clearing the journal. A restart that the system refuses leaves the
// program running with its databases open again.
#include "params/lanstr.h"
#include "params/wizardpara.h"
#include "platform/commandrunner.h"
#include "platform/host.h"
#include "settings/maintenance.h"
#include "settings/settingshost.h"
#include "settings/systemsettingwidget.h"
#include "widgets/modal.h"
#include "widgets/modifytimewidget.h"
#include "widgets/msgbox.h"
#include "widgets/passwordbox.h"

#include <QThread>

void SystemSettingWidget::SlotShutDown()
{
    if (!showChooseBox(LanStr(291)))
        return;
    // A refused or declined apply does not stop the power-off; a save that
    // did not reach the disk does, or the operator's edits would be lost.
    if (applyEdits() == ApplyResult::NotSaved || !maintenance::saveParameters())
        return;
    host::insertRecord(LanStr(292));
    settingshost::stopWatchdog();
    settingshost::flushAll();
    const bool restart = showChooseBox(LanStr(293));
    maintenance::restartSystem(!restart);
}

void SystemSettingWidget::SlotExit()
{
    if (!showChooseBox(LanStr(294)))
        return;
    if (applyEdits() == ApplyResult::NotSaved || !maintenance::saveParameters())
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
    // A clock that did not take the new time is not worth a restart.
    if (!clockDialog->editor()->setSysDateTime()) {
        showWarnBox(LanStr(maintenance::kRowClockNotSet));
        return;
    }
    if (applyEdits() == ApplyResult::NotSaved || !maintenance::saveParameters())
        return;
    host::insertRecord(LanStr(401));
    settingshost::stopWatchdog();
    settingshost::flushAll();
    QThread::msleep(1000);
    maintenance::restartSystem();
}

void SystemSettingWidget::SlotCalibration()
{
    if (!showChooseBox(LanStr(459)))
        return;
    if (!maintenance::runTouchCalibration())
        return;
    QThread::msleep(500);
    maintenance::restartSystem();
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
    maintenance::switchLanguage(language);
}

void SystemSettingWidget::SlotClearRecord()
{
    if (!CheckRoot())
        return;
    if (!showChooseBox(LanStr(297)))
        return;
    if (!CheckRoot())
        return;
    settingshost::clearRecord();
    host::insertRecord(LanStr(298));
}
