// The main window's side of region editing: entering it from the area
// settings, and the buttons and source list of the region and alarm option
// bars passed on to the region editor.
#include "cameradriver/cameraglobals.h"
#include "camera/cammerwidget.h"
#include "editor/alarmoption.h"
#include "editor/drawroiwidget.h"
#include "editor/regioption.h"
#include "inspection/autoregion.h"
#include "monitor/mainwindow.h"
#include "monitor/indexbutton.h"
#include "monitor/iostatuswidget.h"
#include "monitor/placeholders.h"
#include "settings/systemsettingwidget.h"
#include "params/lanstr.h"
#include "params/wizardpara.h"
#include "widgets/msgbox.h"
#include "widgets/passwordbox.h"

#include <QStackedLayout>

void MainWindow::SlotAdjustArea()
{
    if (commandBlocked() || CheckPassword() == 0)
        return;
    if (selectedCamera == numCamera) {
        selectedCamera = 0;
        ChangeCammer();
    }
    sideStack->setCurrentIndex(1);
    displayState = 3;
    if (indexButton)
        indexButton->hide();
    if (ioStatusWidget)
        ioStatusWidget->hide();
    roiEditor->Reset(false);
    CammerWidget* v = usedView(selectedCamera);
    if (!v || !v->isComplete())
        return;
    v->ShowHideTool(3);
    if (v->editRegions->roiCount[editStep] == 0 && gpWPara->auto_generate_area && showChooseBox(LanStr(354))) {
        // The question may have outlived the screen it was asked for.
        const auto shown = [](QWidget* w) { return w && w->isVisible(); };
        if (shown(settingsWindow) || shown(alarmOptionBar) || displayState == 2)
            return;
        int whyNot = 0;
        if (!AutogenerationRegion(v, editStep, &whyNot) && whyNot)
            showWarnBox(LanStr(whyNot));
        v->update();
    }
    if (gpWPara->show_cavity_number) {
        v->SetCheckBoxState(1);
        v->ShowHideCheckBox(true);
    }
}

void MainWindow::RegionBtnsToggledSlot(int type, bool)
{
    switch (type) {
    case RegiOption::DELETE_TEMP:
        roiEditor->SlotTempDeleteCur();
        break;
    case RegiOption::ADD_TEMP:
        roiEditor->SlotAddTemp();
        break;
    case RegiOption::END_SET:
        roiEditor->SlotReturn();
        sideStack->setCurrentIndex(displayState == 2 ? 2 : 0);
        break;
    case RegiOption::LIVE_TEMP:
        roiEditor->SlotAutoChange();
        break;
    default:
        break;
    }
}

void MainWindow::AlarmtnsToggledSlot(int type, bool)
{
    switch (type) {
    case AlarmOption::LIVE_TEMP:
        roiEditor->SlotAutoChange();
        break;
    case AlarmOption::NO_DETECT:
        roiEditor->SlotNoCheckCur();
        break;
    case AlarmOption::RE_DETECT:
        roiEditor->SlotReCheck();
        break;
    case AlarmOption::ADD_TEMP:
        roiEditor->SlotAddTemp();
        break;
    case AlarmOption::IGNORE_POINT:
        roiEditor->SlotIgnoreAlarmPoint();
        break;
    case AlarmOption::DELETE_IGNORED:
        roiEditor->SlotDeleteIgnorePoint();
        break;
    default:
        break;
    }
}

void MainWindow::SlotChangeSource(int s)
{
    sideStack->setCurrentIndex(1);
    regionOptionBar->CheckSource(s);
}
