// The operator's commands of the main screen: the password gate, the option
// bar's command codes, the entries into the editing screen, the return to
// the split view and the camera panel's detach.
#include "cameradriver/cameraglobals.h"
#include "camera/cammerwidget.h"
#include "inspection/autoregion.h"
#include "inspection/cammersingleton.h"
#include "monitor/imagecontainer.h"
#include "monitor/indexbutton.h"
#include "monitor/iostatuswidget.h"
#include "monitor/mainscreenrules.h"
#include "monitor/mainwindow.h"
#include "editor/alarmoption.h"
#include "editor/drawroiwidget.h"
#include "editor/regioption.h"
#include "monitor/placeholders.h"
#include "settings/settingshost.h"
#include "settings/systemsettingwidget.h"
#include "params/lanstr.h"
#include "params/wizardpara.h"
#include "widgets/modal.h"
#include "widgets/msgbox.h"
#include "widgets/passwordbox.h"

#include <QStackedLayout>

namespace {

constexpr int kPasswordTitleRow = 569;

// An editing screen takes the place of the live one and of its overlays.
void hideLiveOverlays(MainWindow& w)
{
    w.displayState = 3;
    if (w.indexButton)
        w.indexButton->hide();
    if (w.ioStatusWidget)
        w.ioStatusWidget->hide();
}

bool shown(const QWidget* w) { return w && w->isVisible(); }

} // namespace

int MainWindow::CheckPassword()
{
    const int granted = mainscreen::passwordGate(gpWPara->is_psw_used, userLevel);
    if (granted != mainscreen::kAskPassword)
        return granted;
    PasswordBox box(LanStr(kPasswordTitleRow));
    runModal(box);
    return userLevel;
}

bool MainWindow::commandBlocked() const
{
    mainscreen::ScreenState s;
    s.settingsShown = shown(settingsWindow);
    s.alarmBarShown = shown(alarmOptionBar);
    s.regionBarShown = shown(regionOptionBar);
    s.renumberShown = shown(cameraOrderDialog);
    s.ioNamesShown = shown(customIONameWidget);
    s.displayState = displayState;
    return mainscreen::commandBlocked(s);
}

void MainWindow::OptBtnsToggledSlot(OptionBar::BTN_TYPE type, bool)
{
    if (type == OptionBar::Settings) {
        // A service login never carries over into a newly opened settings window.
        if (userLevel == 2)
            userLevel = gpWPara->is_psw_used ? 1 : 0;
        if (settingsWindow)
            settingsWindow->beginEditing();
        *gpWParaBak = *gpWPara;
        settingshost::netCardsRestore(); // the network pages edit a copy of the network in force
        if (CheckPassword() == 0) {
            optionBar->SetTLast();
            return;
        }
        if (displayState == 2)
            return;
        mainStack->setCurrentIndex(1);
        return;
    }

    if (settingsWindow)
        settingsWindow->hide();
    mainStack->setCurrentIndex(0);
    switch (type) {
    case OptionBar::MultiScreen:
        selectedCamera = numCamera;
        ChangeCammer();
        break;
    case OptionBar::StartStop:
        SlotStartStop();
        break;
    case OptionBar::Resample:
        SlotReTrain();
        break;
    case OptionBar::Area:
        SlotAdjustArea();
        break;
    case OptionBar::Statistics:
        SlotShowStatisticsWidget();
        break;
    case OptionBar::MoldSnapshot:
        SlotManualTrig1();
        break;
    default:
        break;
    }
}

void MainWindow::SlotAccount()
{
    if (commandBlocked() || CheckPassword() == 0)
        return;
    hideLiveOverlays(*this);
}

void MainWindow::SlotShowAlarmImgae()
{
    if (commandBlocked())
        return;
    hideLiveOverlays(*this);
    roiEditor->Reset(false);
}

void MainWindow::SlotReturn()
{
    if (shown(settingsWindow) || shown(alarmOptionBar) || shown(regionOptionBar))
        return;
    if (numCamera == 1) {
        selectedCamera = 0;
        panX = panY = 0;
        zoomFactor = 1;
        return;
    }
    selectedCamera = numCamera;
    ChangeCammer();
}

void MainWindow::cameraPramsAdjust(bool detached)
{
    if (detached) {
        savedMainPage = mainStack->currentIndex();
        savedSplitView = imageContainer->splitFlag;
        mainStack->setCurrentIndex(0);
        imageContainer->showSplit(false);
    } else {
        mainStack->setCurrentIndex(savedMainPage);
        imageContainer->showSplit(savedSplitView);
    }
}

void MainWindow::sysSettingWidgetAccept()
{
    if (settingsWindow)
        settingsWindow->accept();
}

// The statistics page is built by whoever makes the statistics store; until
// one exists the command has nothing to show.
void MainWindow::SlotShowStatisticsWidget()
{
    if (!statisticsWidget)
        return;
    statisticsWidget->show();
    statisticsWidget->raise();
}

void MainWindow::SlotHelp() {}

void MainWindow::SlotMuliManualTrig()
{
    const int step = indexButton ? indexButton->CurChooseTrig() : -1;
    if (step >= 0)
        SlotManualTrig(step);
}
