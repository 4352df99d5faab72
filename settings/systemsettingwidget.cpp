#include "settings/systemsettingwidget.h"

#include "params/lanstr.h"
#include "params/wizardpara.h"
#include "settings/advancefuncwidget.h"
#include "settings/advanceparamwidget.h"
#include "settings/applyedit.h"
#include "settings/camerafunctionswidget.h"
#include "settings/cameraparamswidget.h"
#include "settings/changelog.h"
#include "settings/deviceparamswidget.h"
#include "settings/iofunctionswidget.h"
#include "settings/ioparamswidget.h"
#include "settings/helpwidget.h"
#include "settings/iowidget.h"
#include "settings/maintenance.h"
#include "settings/memorandumwidget.h"
#include "settings/netapply.h"
#include "settings/networkparamswidget.h"
#include "settings/othernetworkswidget.h"
#include "settings/settingshost.h"
#include "settings/systemfunctionswidget.h"
#include "settings/systemlogwidget.h"
#include "settings/systemparamswidget.h"
#include "platform/host.h"
#include "widgets/edit.h"
#include "widgets/msgbox.h"
#include "widgets/splash.h"
#include "widgets/uihost.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QMouseEvent>
#include <QPushButton>
#include <QTimer>

int outSet = 0;

SystemSettingWidget::SystemSettingWidget(QWidget* parent) : BVerticalTabBar(parent)
{
    auto group = [this](const char* icon, QVector<int> rows, QVector<QWidget*> pages) {
        QPixmap pixmap(QString::fromLatin1(icon));
        QVector<QString> names;
        for (int r : rows)
            names << LanStr(r);
        addWidgetGroup(pixmap, names, pages);
    };
    systemParams = new SystemParamsWidget(this);
    systemFunctions = new SystemFunctionsWidget(this);
    deviceParams = new DeviceParamsWidget(this);
    group(":/img/icons/setting.png", {215, 572, 431}, {systemParams, systemFunctions, deviceParams});
    cameraParams = new CameraParamsWidget(this);
    cameraFunctions = new CameraFunctionsWidget(this);
    group(":/img/icons/3c.png", {128, 573}, {cameraParams, cameraFunctions});
    networkParams = new NetworkParamsWidget(this);
    otherNetworks = new OtherNetworksWidget(this);
    group(":/img/icons/49.png", {262, 574}, {networkParams, otherNetworks});
    systemLog = new SystemLogWidget(this);
    memorandum = new MemorandumWidget(this);
    group(":/img/icons/50.png", {575, 576}, {systemLog, memorandum});
    ioParams = new IOParamsWidget(this);
    ioFunctions = new IOFunctionsWidget(this);
    group(":/img/icons/51.png", {577, 578}, {ioParams, ioFunctions});
    advanceParams = new AdvanceparamWidget(this);
    advanceFunctions = new AdvanceFuncWidget(this);
    group(":/img/icons/52.png", {205, 581}, {advanceParams, advanceFunctions});
    about = new SplashWidget(600, this);
    help = new HelpWidget(this);
    group(":/img/icons/53.png", {579, 580}, {about, help});

    connect(this, &BVerticalTabBar::Save_changes, this, [] {});
    connect(this, &BVerticalTabBar::recordshow, this, &SystemSettingWidget::SlotToRecord);
    connect(this, &BVerticalTabBar::Memorandum, otherNetworks, &OtherNetworksWidget::SlotGetRemindList);
    connect(this, &BVerticalTabBar::DeviPara, deviceParams, &DeviceParamsWidget::SlotGetProductName);
    connect(this, &BVerticalTabBar::Exitsetup, this, &SystemSettingWidget::SlotExitSetup);

    sysparaInit();
    BtnConnect();
    maintenanceInit();
}

SystemSettingWidget::~SystemSettingWidget() = default;

void SystemSettingWidget::sysparaInit()
{
    calibrationChooser = new ChooseCaliNumWidget(this);
    calibrationChooser->hide();
    multiDetectIO = new IOWidget(this);
    showMode = false;
    groupFolder = QDir(QStringLiteral("./paraGroup"));
    if (!groupFolder.exists())
        QDir().mkpath(QStringLiteral("./paraGroup"));
    ParaGroupUpdateList();
    autoExposureTimer = new QTimer(this);
}

void SystemSettingWidget::BtnConnect()
{
    systemFunctions->applyPending = [this] {
        const ApplyResult r = applyEdits();
        return r != ApplyResult::Refused && r != ApplyResult::NotSaved;
    };
    connect(systemFunctions->resetCountButton, &QPushButton::clicked, this, &SystemSettingWidget::ResetTotal);
    connect(systemFunctions->shutDownButton, &QPushButton::clicked, this, &SystemSettingWidget::SlotShutDown);
    connect(systemFunctions->changePasswordButton, &QPushButton::clicked, this, &SystemSettingWidget::ChangePwd);
    cameraParams->subWidget->beforeDetach = [this] { holdEditsForReturn(); };
    cameraFunctions->factoryShown = [this] { return advanceFunctions->factoryParamShown(); };
    connect(cameraFunctions->autoShadingBox(), &QCheckBox::stateChanged, this, &SystemSettingWidget::SetAutoWDR);
    ioParams->factoryShown = [this] { return advanceFunctions->factoryParamShown(); };
    ioFunctions->factoryShown = [this] { return advanceFunctions->factoryParamShown(); };
    connect(ioParams->procedureGroup, QOverload<int>::of(&QButtonGroup::buttonClicked), this,
            &SystemSettingWidget::SlotChangeSysFun);
    connect(ioParams->customIOButton, &QPushButton::clicked, this, &SystemSettingWidget::SlotShowIOWidget);
    connect(ioParams->ioNameButton, &QPushButton::clicked, this, &SystemSettingWidget::SlotShowCustomIONameWidget);
    connect(advanceParams->backupButton, &QPushButton::clicked, this, &SystemSettingWidget::SlotParaGroupBackup);
    connect(advanceParams->groupList, QOverload<int>::of(&QComboBox::currentIndexChanged), this,
            &SystemSettingWidget::SlotParaGroupChange);
    connect(advanceParams->restoreButton, &QPushButton::clicked, this, &SystemSettingWidget::SlotParaGroupRestore);
    connect(advanceParams->deleteButton, &QPushButton::clicked, this, &SystemSettingWidget::SlotParaGroupDelete);
    connect(advanceFunctions->updateButton, &QPushButton::clicked, this, &SystemSettingWidget::SlotUpdateApp);
    connect(advanceFunctions->exportButton, &QPushButton::clicked, this, &SystemSettingWidget::SlotExportData);
    connect(advanceFunctions->factoryResetButton, &QPushButton::clicked, this,
            &SystemSettingWidget::SlotRestoreFactorySet);
    connect(advanceFunctions->hardwareButton, &QPushButton::clicked, this,
            &SystemSettingWidget::SlotShowHardwareConfigurationWidget);
    connect(advanceFunctions->exitButton, &QPushButton::clicked, this, &SystemSettingWidget::SlotExit);
    connect(advanceFunctions->timeButton, &QPushButton::clicked, this, &SystemSettingWidget::SlotModifyTime);
    connect(advanceFunctions->calibrationButton, &QPushButton::clicked, this, &SystemSettingWidget::SlotCalibration);
    connect(this, &SystemSettingWidget::pListWClick, systemLog, &SystemLogWidget::modelChange);
}

void SystemSettingWidget::mousePressEvent(QMouseEvent* event) { BVerticalTabBar::mousePressEvent(event); }

void SystemSettingWidget::showEvent(QShowEvent* event)
{
    editsOpen_ = true;
    if (returning_) {
        returning_ = false;
        loadPages();
    } else {
        WizardParaInit();
    }
    settingshost::showHideTools(0);
    BVerticalTabBar::showEvent(event);
}

void SystemSettingWidget::hideEvent(QHideEvent* event)
{
    // Left without applying (an alarm, a refused apply left behind): the
    // cameras drop what the live tuning gave them and show the saved
    // values again. After an apply the two records are equal and nothing runs.
    if (!returning_) {
        if (editsOpen_ && gpWPara && gpWParaBak)
            RestoreCameras(CaptureChanges(*gpWPara, *gpWParaBak));
        editsOpen_ = false;
    }
    BVerticalTabBar::hideEvent(event);
}

void SystemSettingWidget::holdEditsForReturn()
{
    if (!isVisible())
        return; // nothing shown to come back to
    if (gpWParaBak)
        storePages();
    returning_ = true;
}

void SystemSettingWidget::beginEditing()
{
    if (isVisible())
        return;
    if (returning_ && gpWPara && gpWParaBak)
        RestoreCameras(CaptureChanges(*gpWPara, *gpWParaBak));
    returning_ = false;
    editsOpen_ = false;
}

void SystemSettingWidget::WizardParaInit()
{
    showMode = false;
    outSet = 0;
    advanceFunctions->rawImagesSettled(); // a new edit copy: no wish left from before
    loadPages();
}

void SystemSettingWidget::loadPages()
{
    if (!gpWParaBak)
        return;
    systemParams->WizardParaInit();
    systemFunctions->WizardParaInit();
    deviceParams->WizardParaInit();
    cameraParams->WizardParaInit();
    cameraFunctions->WizardParaInit();
    networkParams->WizardParaInit();
    otherNetworks->WizardParaInit();
    ioParams->WizardParaInit();
    ioFunctions->WizardParaInit();
    advanceParams->WizardParaInit();
    advanceFunctions->WizardParaInit();
    // The multi-detection IO page and the name dialog show the edit copy
    // too, so a refused or declined save leaves nothing of its own on them.
    if (multiDetectIO)
        multiDetectIO->loadFrom(*gpWParaBak);
    DoChangePage();
}

void SystemSettingWidget::storePages()
{
    systemParams->accept();
    systemFunctions->accept();
    deviceParams->accept();
    cameraParams->accept();
    cameraFunctions->accept();
    networkParams->accept();
    otherNetworks->accept();
    ioParams->accept();
    ioFunctions->accept();
    advanceParams->accept();
    advanceFunctions->accept();
}

void SystemSettingWidget::changeWidget(int index) { setCurrentPage(index); }

void SystemSettingWidget::ResetReCheck1Text(const QString& text) { systemParams->setReCheckCaption(text); }

void SystemSettingWidget::accept() { applyEdits(); }

void SystemSettingWidget::SlotExitSetup()
{
    const ApplyResult r = applyEdits();
    if (r == ApplyResult::Refused || r == ApplyResult::NotSaved)
        return;
    settingshost::showCameraViews();
}

SystemSettingWidget::ApplyResult SystemSettingWidget::applyEdits()
{
    if (!gpWPara || !gpWParaBak)
        return ApplyResult::Unchanged;
    WizardPara& live = *gpWPara;
    WizardPara& edit = *gpWParaBak;

    if (uiHost().userLevel == 2)
        uiHost().userLevel = live.is_psw_used ? 1 : 0;
    storePages();

    // A restored group waits for its restart, or the load could not read the
    // parameters: the edits would be saved over what is stored.
    if (paramSavesHeld() && !live.sameAs(edit)) {
        showWarnBox(paramSavesHeldText());
        const ApplyChanges undone = CaptureChanges(live, edit);
        edit = live;
        advanceFunctions->rawImagesSettled();
        settingshost::netCardsRestore();
        RestoreCameras(undone);
        settingshost::repaintViews();
        return ApplyResult::Declined;
    }

    if (!AnyMethodEnabled(edit)) {
        showWarnBox(LanStr(232));
        return ApplyResult::Refused;
    }
    // A typed address, netmask, gateway or host name that the system would
    // not take is refused before anything is staged.
    const QString networkProblem = netapply::problem();
    if (!networkProblem.isEmpty()) {
        showWarnBox(networkProblem);
        return ApplyResult::Refused;
    }
    const ApplyChanges changes = CaptureChanges(live, edit);
    if (settingshost::takeServerMark())
        settingshost::restartLink();

    if (live.sameAs(edit) && !settingshost::netCardsDiffer()) {
        takeRawImages(); // no save to wait for
        settingshost::repaintViews();
        return ApplyResult::Unchanged;
    }
    if (!showChooseBox(LanStr(234))) {
        edit = live;
        advanceFunctions->rawImagesSettled();
        settingshost::netCardsRestore();
        RestoreCameras(changes);
        settingshost::repaintViews();
        return ApplyResult::Declined;
    }

    // The record as it will be live goes to the disk first: a refused save
    // changes nothing, journals nothing and keeps the edits for another try.
    WizardPara saved = edit;
    RebuildMode(saved, live, false);
    if (!saved.SaveDatatoFile()) {
        showWarnBox(LanStr(maintenance::kRowParamsNotSaved));
        return ApplyResult::NotSaved;
    }
    takeRawImages();
    const QString record = ChangeLogText(live, edit);
    RebuildMode(edit, live);
    host::insertRecord(record);
    const int networkFlags = settingshost::stageNetwork();
    live = edit;
    if (live.location_level > 0 && uiHost().restartLcdTimer)
        uiHost().restartLcdTimer(live.location_level * 1000);
    // The network sets in force follow only what the system took: after a
    // failed install they still differ, and the next confirm installs again.
    if (networkFlags == 0 || settingshost::applyNetwork(networkFlags))
        settingshost::netCardsCommit();
    // The cameras run at what was saved, whatever a hide in between did.
    RestoreCameras(changes);
    ReapplyCameras(changes, live);
    for (const QString& note : RestartNotes(changes))
        showWarnBox(note);
    if (changes.snapShot || changes.productDetect)
        settingshost::indexShowHide(3);
    settingshost::repaintViews();
    return ApplyResult::Saved;
}

void SystemSettingWidget::takeRawImages()
{
    settingshost::setSaveOriginalImages(advanceFunctions->rawImagesWanted());
    advanceFunctions->rawImagesSettled();
}

void SystemSettingWidget::SlotChangeSysFun(int id) { ioParams->showProcedureRows(id); }
