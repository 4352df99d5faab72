#pragma once
// The settings window: fifteen pages in seven tab groups over the edit copy
// gpWParaBak. Every editing page loads from the edit copy when the window is
// shown and stores into it when the window applies; only the apply step
// (accept) makes the edit copy live, after the operator confirms.
#include "widgets/tabbar.h"

#include <QDir>
#include <cstdint>

class AdvanceFuncWidget;
class AdvanceparamWidget;
class CameraFunctionsWidget;
class CameraParamsWidget;
class ChooseCaliNumWidget;
class DeviceParamsWidget;
class HelpWidget;
class IOFunctionsWidget;
class IOParamsWidget;
class IOWidget;
class MemorandumWidget;
class ModifyTimeWidget;
class QFileDialog;
class QListWidgetItem;
class QSqlTableModel;
class NetworkParamsWidget;
class OtherNetworksWidget;
class QTimer;
class SplashWidget;
class SystemFunctionsWidget;
class SystemLogWidget;
class SystemParamsWidget;
class WizardPara;

// The camera tuned on the camera pages (0..3); 0 at each opening.
extern int outSet;

class SystemSettingWidget : public BVerticalTabBar {
    Q_OBJECT
public:
    explicit SystemSettingWidget(QWidget* parent = nullptr);
    ~SystemSettingWidget() override;

    enum class ApplyResult {
        Refused,   // no inspection method enabled: nothing saved, edits kept
        Unchanged, // nothing differed: nothing asked, nothing saved
        Declined,  // the operator said NO: edits thrown away
        Saved,     // journaled, saved and applied
        NotSaved,  // the database refused the save: operator told, nothing
                   // journaled or applied, edits kept for another try
    };
    // The apply step; tells what it did.
    ApplyResult applyEdits();
    // The raw-image switch as the pages hold it goes in force.
    void takeRawImages();
    // The current parameter group noted in memory and on disk, or in neither
    // (the operator told).
    void saveGroupIndex(int index);

    // Every editing page loads from the edit copy (run at each showing).
    void WizardParaInit();
    // Every editing page stores into the edit copy, in the same order.
    void storePages();
    // Before a hide that comes back (the floating exposure panel, the IO
    // name dialog, the hardware view): the pages are stored, the cameras keep
    // their tuned values, and the showing that follows reloads the pages
    // from the edit copy with the camera being tuned kept.
    void holdEditsForReturn();
    // The settings command is about to open the window afresh: what a hide
    // that was to come back kept is given up (the cameras get the values in
    // force again).
    void beginEditing();
    void changeWidget(int index);
    void ResetReCheck1Text(const QString& text);
    void DoChangePage() {}

    // Pages, in tab order.
    SystemParamsWidget* systemParams = nullptr;       // 0
    SystemFunctionsWidget* systemFunctions = nullptr; // 1
    DeviceParamsWidget* deviceParams = nullptr;       // 2
    CameraParamsWidget* cameraParams = nullptr;       // 3
    CameraFunctionsWidget* cameraFunctions = nullptr; // 4
    NetworkParamsWidget* networkParams = nullptr;     // 5
    OtherNetworksWidget* otherNetworks = nullptr;     // 6
    SystemLogWidget* systemLog = nullptr;             // 7
    MemorandumWidget* memorandum = nullptr;           // 8
    IOParamsWidget* ioParams = nullptr;               // 9
    IOFunctionsWidget* ioFunctions = nullptr;         // 10
    AdvanceparamWidget* advanceParams = nullptr;      // 11
    AdvanceFuncWidget* advanceFunctions = nullptr;    // 12
    SplashWidget* about = nullptr;                    // 13
    HelpWidget* help = nullptr;                       // 14

    IOWidget* multiDetectIO = nullptr;     // shown from the IO parameters page
    ChooseCaliNumWidget* calibrationChooser = nullptr; // built, never shown
    QDir groupFolder;                      // "./paraGroup"
    QTimer* autoExposureTimer = nullptr;
    bool showMode = false;
    ModifyTimeWidget* clockDialog = nullptr; // "Modify Time"
    QFileDialog* updateDialog = nullptr;     // the update package on the USB disk
    QSqlTableModel* recordModel = nullptr;  // the day shown on the system log page
    static constexpr const char* kRecordConnection = "dbList";

signals:
    void pListWClick();

public slots:
    // The apply step without its result.
    void accept();
    // "Exit setup": apply, then back to the camera views unless the apply
    // was refused (the window stays with the edits to mend).
    void SlotExitSetup();
    void SlotToCommon() {}
    void SlotToCamera() { DoChangePage(); }
    void SlotToIO() {}
    void SlotToAdvance() {}
    // Execution procedure chosen on the IO parameters page: its cavity row
    // and IO buttons follow at once.
    void SlotChangeSysFun(int id);

    // Commands of the pages (the record viewer, counters and password,
    // power and clock, parameter groups, export and update, hardware view).
    void SlotToRecord();
    void ResetTotal();
    void SlotShutDown();
    void ChangePwd();
    void SetAutoWDR(int state);
    void SlotShowIOWidget();
    void SlotShowCustomIONameWidget();
    void SlotParaGroupBackup();
    void SlotParaGroupChange(int index);
    void SlotParaGroupRestore();
    void SlotParaGroupDelete();
    void ParaGroupUpdateList();
    void SlotUpdateApp();
    void SlotExportData();
    void SlotRestoreFactorySet();
    void SlotShowHardwareConfigurationWidget();
    void SlotExit();
    void SlotModifyTime();
    void SlotCalibration();

    // Live camera tuning (systemsettingwidget_camera.cpp): each value goes
    // into the edit copy for camera outSet and to that camera at once.
    void SetExposeTime(int value);
    void SetAdjust(int value);
    void SetSharp(int value);
    void SetContrast(int value);
    void SetGamma(int value);
    void SetAutoExp(int state);
    void SlotChangeCamera();
    void SlotRestoreDefaultSettings();
    void SlotTuneCamera();
    void SlotChangeShowMode();
    void SlotAutoExposeTime();
    void SlotAutoExposeTimeTimeout();
    // Power and journal (systemsettingwidget_power.cpp).
    void SlotChangeLan(int language);
    void SlotClearRecord();
    // The record viewer: the chosen day's records.
    void UpdateRecord(QListWidgetItem* item);
    void SlotChgVolume(int) {}
    void SlotShowVolumeCom(int) {}

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void sysparaInit();
    // Shown since the last apply that saved or discarded the edits.
    bool editsOpen_ = false;
    // Hidden by holdEditsForReturn: the next showing resumes the edits.
    bool returning_ = false;
    // Every editing page loads from the edit copy.
    void loadPages();
    void BtnConnect();
    // The maintenance dialogs, the record connection and the connections of
    // the camera pages and the record viewer.
    void maintenanceInit();
    // One camera page value of camera outSet: into the edit copy, then the camera.
    void tune(int32_t (WizardPara::*field)[8], int value, int op);
    void reloadCameraSliders();
    // The update file chosen on the disk, then installPackage().
    void chooseUpdate(const QString& disk);
    // The package copied and checked in the background, then the restart.
    void installPackage(const QString& from, const QString& to);
};
