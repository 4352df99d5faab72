#include "settings/settingshost.h"

#include "cameradriver/cameradriver.h"
#include "cameradriver/cameraglobals.h"
#include "camera/cammerwidget.h"
#include "inspection/cammerrecongnize.h"
#include "netlink/network.h"
#include "settings/netapply.h"

#include <QDebug>
#include <QSqlDatabase>
#include <memory>

namespace settingshost {

namespace {
Hooks gHooks;
bool gSaveOriginal = false;
} // namespace

void install(const Hooks& hooks) { gHooks = hooks; }
const Hooks& hooks() { return gHooks; }

std::vector<int> usedSlots()
{
    if (gHooks.usedSlots)
        return gHooks.usedSlots();
    std::vector<int> inUse;
    for (int s : ::usedSlots())
        inUse.push_back(s);
    return inUse;
}

void directCameraOp(int slot, CameraOp op, int step)
{
    CameraDriver* driver = CameraDriver::at(slot);
    auto* view = dynamic_cast<CammerWidget*>(driver);
    switch (op) {
    case CameraOp::Expose:
        if (driver)
            driver->SetExposeTime();
        return;
    case CameraOp::Gain:
        if (driver)
            driver->SetAdjustPlus();
        return;
    case CameraOp::Sharp:
        if (driver)
            driver->SetSharp();
        return;
    case CameraOp::Contrast:
        if (driver)
            driver->SetContrast();
        return;
    case CameraOp::Gamma:
        if (driver)
            driver->SetGamma();
        return;
    case CameraOp::ChangeTrig:
        if (driver)
            driver->CameraChangeTrig(false);
        return;
    default:
        break;
    }
    // A view without its inspection data (a slot whose camera did not open)
    // has nothing to train or save.
    if (!view || !view->isComplete())
        return;
    switch (op) {
    case CameraOp::CreateShape:
        view->recong->CreateShape(step);
        break;
    case CameraOp::VarTrain:
        view->recong->VarTrain(step);
        break;
    case CameraOp::CopyPara: {
        auto copied = std::make_unique<CammerSingleton>(*view->liveRegions);
        CammerData::CopyParaOf(*copied);
        if (copied->SaveDatatoFile()) // warns the operator itself when refused
            view->CopyPara();
        break;
    }
    default:
        break;
    }
}

void cameraOp(int slot, CameraOp op, int step)
{
    if (gHooks.cameraOp)
        gHooks.cameraOp(slot, op, step);
    else
        directCameraOp(slot, op, step);
}

void restoreDefaults(int slot, std::function<void(bool restored)> done)
{
    if (gHooks.restoreDefaults) {
        gHooks.restoreDefaults(slot, std::move(done));
        return;
    }
    if (CameraDriver* driver = CameraDriver::at(slot))
        driver->RestoreDefaultSettings(std::move(done));
    else if (done)
        done(false);
}

void setSpeed()
{
    if (gHooks.setSpeed)
        gHooks.setSpeed();
    else
        CameraSetSpeed();
}

#define CALL_IF(name, ...) \
    if (gHooks.name)       \
        gHooks.name(__VA_ARGS__);

void repaintViews() { CALL_IF(repaintViews) }
void showHideTools(int mode) { CALL_IF(showHideTools, mode) }
void showCameraViews() { CALL_IF(showCameraViews) }
void changeDetectNum(int n) { CALL_IF(changeDetectNum, n) }
void resetSteps(int n, const WizardPara& edit) { CALL_IF(resetSteps, n, edit) }
void indexShowHide(int mode) { CALL_IF(indexShowHide, mode) }
// The machine is made safe before the program waits for anything on its way out.
void stopWatchdog()
{
    CALL_IF(holdClampForExit, true)
    CALL_IF(stopWatchdog)
}
void flushAll()
{
    CALL_IF(holdClampForExit, true)
    CALL_IF(flushAll)
}
void showCamera(int camera) { CALL_IF(showCamera, camera) }
void cameraParamsAdjust(bool detached) { CALL_IF(cameraParamsAdjust, detached) }
void tuneCamera() { CALL_IF(tuneCamera) }
void showHardwareConfiguration() { CALL_IF(showHardwareConfiguration) }
void resetCounters() { CALL_IF(resetCounters) }
void rawFramesRemoved() { CALL_IF(rawFramesRemoved) }
bool clearRecord() { return gHooks.clearRecord && gHooks.clearRecord(); }
void haltDetection(const QString& why) { CALL_IF(haltDetection, why) }
void exitProgram(int status)
{
    CALL_IF(holdClampForExit, true)
    CALL_IF(exitProgram, status)
}

#undef CALL_IF

bool saveOriginalImages() { return gHooks.saveOriginalImages ? gHooks.saveOriginalImages() : gSaveOriginal; }

void setSaveOriginalImages(bool on)
{
    if (gHooks.setSaveOriginalImages)
        gHooks.setSaveOriginalImages(on);
    else
        gSaveOriginal = on;
}

void reopenDatabases()
{
    if (gHooks.holdClampForExit)
        gHooks.holdClampForExit(false); // the program goes on: the next OK cycle may release it
    if (gHooks.reopenDatabases) {
        gHooks.reopenDatabases();
        return;
    }
    // The connections FLushAll closed stay registered; they only open again.
    for (const char* name : {"dbT", "dbIn", "dbRecord"}) {
        QSqlDatabase db = QSqlDatabase::database(QLatin1String(name), false);
        if (db.isValid() && !db.isOpen() && !db.open())
            qWarning().noquote() << "cannot open the database" << db.databaseName() << "again";
    }
}

// Without hooks the reporting link's own network sets and mark.
bool netCardsDiffer()
{
    if (gHooks.netCardsDiffer)
        return gHooks.netCardsDiffer();
    return gpNet
        && (gpNet->editCard.interfaceTable != gpNet->systemCard.interfaceTable
            || gpNet->editCard.hostName != gpNet->systemCard.hostName);
}

void netCardsRestore()
{
    if (gHooks.netCardsRestore)
        gHooks.netCardsRestore();
    else if (gpNet)
        gpNet->editCard = gpNet->systemCard;
}

void netCardsCommit()
{
    if (gHooks.netCardsCommit)
        gHooks.netCardsCommit();
    else if (gpNet)
        gpNet->systemCard = gpNet->editCard;
}

int stageNetwork() { return gHooks.stageNetwork ? gHooks.stageNetwork() : netapply::stage(); }

bool applyNetwork(int flags)
{
    return gHooks.applyNetwork ? gHooks.applyNetwork(flags) : netapply::install(flags);
}

bool takeServerMark()
{
    if (gHooks.takeServerMark)
        return gHooks.takeServerMark();
    if (!gpNet || !gpNet->serverChanged)
        return false;
    gpNet->serverChanged = false;
    return true;
}

void restartLink()
{
    if (gHooks.restartLink)
        gHooks.restartLink();
    else
        CNT_Net::CNT_ReStart();
}

} // namespace settingshost
