#pragma once
// The one main window: the main screen, the three database connections, the
// cycle timers and the cycle state. The constructor runs the whole start-up
// (Monitor_Init). The monitoring cycle's operations are plain methods driven
// by the timers, so tests can call them in virtual time.
#include "inspection/regionedit.h"
#include "monitor/journal.h"
#include "monitor/optionbar.h"
#include "monitor/rawframestore.h"
#include "widgets/basewidgets.h"

#include <QDir>
#include <QSet>
#include <QSqlDatabase>
#include <QVector>
#include <QWidget>
#include <functional>
#include <memory>
#include <vector>

class AlarmOption;
class CammerWidget;
class CustomIONameWidget;
class DrawROIWidget;
class HardwareConfigurationWidget;
class ImageContainer;
class IndexButton;
class IOStatusWidget;
class QPushButton;
class QStackedLayout;
class QTimer;
class RegiOption;
class SystemSettingWidget;
class TitleBar;
class WidgetChangeCamera;

namespace maintenance {
enum class RestoreRecovery;
}

class MainWindow : public BWidget {
    Q_OBJECT
public:
    explicit MainWindow(QWidget* parent = nullptr);
    ~MainWindow() override;

    // ---- start-up, journal, databases ------------------------------------
    void Monitor_Init();
    // A record that cannot be stored is told once, until one is stored again.
    void InsertRecord(const QString& text);
    bool ClearRecord();
    // A warning from the event loop once the current operation returned.
    void warnLater(const QString& text);
    void FLushAll();
    // Now in tenths of a second, as the cycle times are kept; 64 bits, since
    // the tenths since the epoch passed the range of an int long ago.
    static qint64 nowTenths();
    static int cycleTenths(qint64 from, qint64 to);
    void CountRead();
    void CountWrite(); // a failure is journaled and shown once until a write succeeds
    OperationJournal& journal() { return journal_; }

    // ---- reporting link (mainwindow_link.cpp) ------------------------------
    // The journal hook and what the link reads of the window.
    void InstallLinkSources();
    void reportCycleToLink(bool ng);      // the judged cycle's results
    void reportFirstNGToLink(int s);      // NG video, alarm message, region alarms, statistics
    void reportCycleEndToLink();          // statistics after the counters
    void reportAlarmReleaseToLink();      // alarm duration, NG video end, release
    void showRunning(bool running);
    void reportRunCommandToLink();        // manual stop and statistics after start/stop

    // ---- layout of the camera views (zoom and pan) -----------------------
    void ChangeCammer();
    void setcontentLayout();
    void MShowHide(int mode);
    void MHideAll();
    void MScale(int direction);

    // ---- run states --------------------------------------------------------
    void StartDetect();
    // The same with the clamp prohibited in the first word published, so a
    // start that keeps it prohibited never shows it free.
    void StartDetect(bool clampProhibited);
    // A new run of the cycle in the same window: every step, timer and flag
    // of the cycle back to its start value, the steps derived again from the
    // live parameters, detection started as the start-up starts it.
    void resetCycle();
    void SetStopDetect();
    void StopDetect();
    // Detection stopped for work that cannot run beside it: the clamp
    // prohibited whatever the stop setting, the reason journaled, the main
    // screen showing the stop. Started again by the operator.
    void haltForMaintenance(const QString& why);
    QString haltedFor; // the reason of the halt in force, empty while detection may run
    bool CheckRoot();

    // ---- the monitoring cycle ---------------------------------------------
    void ResetRun();
    void TimerUp(int slot);
    void CheckInput(int n);
    void RunAlgorithm(int camera, int step);
    void CheckNG();

    // ---- screens --------------------------------------------------------------
    SystemSettingWidget* settingsWindow = nullptr;
    QStackedLayout* mainStack = nullptr;
    QStackedLayout* sideStack = nullptr;
    OptionBar* optionBar = nullptr;
    RegiOption* regionOptionBar = nullptr;
    AlarmOption* alarmOptionBar = nullptr;
    int savedMainPage = 0;
    bool savedSplitView = true;
    TitleBar* titleBar = nullptr;
    ImageContainer* imageContainer = nullptr;
    CammerWidget* cameraViews[8] = {}; // by slot; only the slots in use have a camera
    // The view of camera k in use (usedSlots(), camera/cameraglobals.h);
    // null past the cameras in use.
    CammerWidget* usedView(int k) const;
    // The steps in use changed (procedure, detection count, product step):
    // each camera's templates, ignore points and result images follow them.
    void StepsChanged();
    DrawROIWidget* roiEditor = nullptr;
    IOStatusWidget* ioStatusWidget = nullptr;
    IndexButton* indexButton = nullptr;
    WidgetChangeCamera* cameraOrderDialog = nullptr;
    CustomIONameWidget* customIONameWidget = nullptr;
    HardwareConfigurationWidget* hardwareConfigWidget = nullptr;
    QWidget* statisticsWidget = nullptr;
    QPushButton* zoomInButton = nullptr;
    QPushButton* zoomOutButton = nullptr;

    // ---- view state ------------------------------------------------------------
    // Which camera in use is shown alone: k < numCamera is camera k (the
    // view usedView(k), not cameraViews[k]); numCamera is the split view.
    // The views and their host speak of slots instead (ViewState).
    int selectedCamera = 0;
    double panX = 0;
    double panY = 0;
    double zoomFactor = 1;
    int zoomToolState = 0;
    int cursorImageX = 0;
    int cursorImageY = 0;
    int cursorPixelValue = 0;
    int dragLastX = 0;
    int dragLastY = 0;
    float viewPixelScaleX = 1;
    float viewPixelScaleY = 1;
    float viewScaleX = 1;
    float viewScaleY = 1;
    EditTools editTools; // the region editor's drawing tools

    // ---- databases and folders -------------------------------------------
    QSqlDatabase paramDb;
    QSqlDatabase recordDb;
    QSqlDatabase serialDb;
    QDir alarmImageDirs[8][8][2];
    QDir statisticsDir;
    QDir recordDir;
    QVector<unsigned int> greyColorTable;
    int productionTime = 0;

    // ---- timers -------------------------------------------------------------------
    QTimer* logoutTimer = nullptr;
    QTimer* lcdTimer = nullptr;
    QTimer* debounceTimers[8] = {};
    QTimer* runTimer = nullptr;
    QTimer* watchdogTimer = nullptr;
    QTimer* drawHintTimer = nullptr;
    QTimer* countdownTimers[8] = {};
    QTimer* resultTimer = nullptr;
    QTimer* ngPulseTimer = nullptr;
    QTimer* clampPulseTimer = nullptr;
    QTimer* ejectorPulseTimer = nullptr;
    QTimer* reserveTimer = nullptr;
    QTimer* tempTimer = nullptr;
    QTimer* alarmResetTimer = nullptr;
    QTimer* dateTimer = nullptr;
    QTimer* fpsTimer = nullptr;
    QTimer* zoomToolTimer = nullptr;

    // ---- cycle state ----------------------------------------------------------
    int currentStep = 0;
    int editStep = 0;
    int runState = 1;     // 1 detecting, 2 sampling templates, 3 stopped
    int displayState = 0; // 0 live, 1 OK shown, 2 alarm, 3 editing
    int cyclePhase = 3;   // 1 counting down, 2 judged, 3 waiting
    // Cameras (bits) whose last cycle ended for want of a fresh frame; the
    // next judged cycle clears them.
    int noFreshFrameCameras = 0;
    int& userLevel;       // 0 none, 1 operator, 2 service (shared with the widget kit)
    int leftMoldActive = 1; // procedures 1 and 2: the left-mold pair is current
    int saveOriginalImages = 0;
    int forcedStep = -1;
    int lastStartedStep = 0;
    bool noInputWarned = false;
    bool recheckPending = false;
    int tempCheckLatch = 0;
    int pendingCameras[8] = {}; // per step: bit of each slot still to judge
    bool inputConfirmed[8] = {};
    float countdown[8] = {};
    int simulatedInput = -1;
    int expectedInput = -1;
    int manualTriggerStep = 8;
    bool manualCycle = false;
    int triggerNumber = 0;
    int cycleTime = 0;          // tenths of a second
    qint64 lastCycleStart = 0;  // tenths of a second since the epoch
    int recheckCount[8] = {};
    int safetyTriggerActive = 0;
    int stepSaveCode[8][8] = {}; // per slot and step
    bool stepArmed[8] = {};
    bool cycleCounted[8] = {};
    bool failCounted[8] = {};
    bool ngOutputs[4] = {};
    int shownStep = 0;
    bool lastResultNG = false;
    qint64 alarmStartMs = 0;
    int frameCount[8] = {};
    int lastFrameCount[8] = {};
    int framesPerSecond[8] = {};

    // ---- evidence of this cycle ---------------------------------------------
    // Frames are numbered as they are taken. A step judges only when every
    // camera in use has a frame numbered past the step's start (its trigger,
    // the forced or manual start, the alarm reset); otherwise it waits for
    // one (kMinFreshWaitMs, or three frame periods) and then the camera
    // without a new frame is lost. While a camera is lost no step ends in a
    // verdict.
    static constexpr int kMinFreshWaitMs = 150;
    // Hardware-triggered cameras deliver only on a trigger, within their
    // exposure and transfer time.
    static constexpr int kTriggeredFreshWaitMs = 500;
    quint64 frameSerial = 0;      // number of the last frame taken
    quint64 frameSeq[8] = {};     // per slot: number of the frame in curImage
    quint64 stepStartSeq[8] = {}; // per step slot: frameSerial when the step started
    bool awaitingFrames[8] = {};  // per step slot: due, waiting for new frames
    qint64 freshDeadlineMs[8] = {};
    int freshWaitMs[8] = {};
    quint64 judgedStartSeq = 0;   // start of the step judged last
    int verdicts = 0;             // verdicts given since the start
    bool lastVerdictNG = false;   // the last verdict, temperature alarm included
    quint64 manualRequestSeq = 0; // frameSerial at the last manual trigger
    quint64 cameraRoundStartSeq = 0; // hardware trigger: frames of the round are past this
    qint64 cameraRoundDeadlineMs = 0;
    // Passes more than this apart (the process starved, or the previous pass
    // judged for long) push the waits back by the gap.
    static constexpr int kLatePassMs = 30;
    qint64 lastPassMs = 0;
    bool countWriteFailed = false; // shown once until a write succeeds again
    bool templateUpdateHeldTold = false; // the automatic template update paused by held saves, told once
    bool recordWriteFailed = false; // the same for the journal
    bool dayChangeFailed = false;   // and for the journal's daily archive
    bool leavingProgram = false;   // on the way to an exit or restart: the clamp is held
    int samplingCheckSlot = -1;    // the step whose fresh frames decide the release after sampling
    // Sampling is complete and its region check waits for the event loop:
    // no verdict until it is answered (the password box may not open inside
    // a pass).
    bool regionCheckDue = false;
    // An alarm reset waits for the event loop: the review's unsaved edits
    // are asked about first, and not inside the pass.
    bool alarmResetDue = false;

public slots:
    void TimerLCD();
    void TimerLogout();
    void SlotCheckDate();
    void Run();
    void InCheck();
    void SlotFPS();
    void TimerShow();
    void OutTimerOutNG();
    void OutTimerNotAllowClose();
    void OutTimerNotAllowThimble();
    void OutTimerReserveOutput();
    void CheckTemp();
    void SlotResetAlarm();
    void SlotDrawHint();
    // Region editing: the area-settings command, the buttons of the region
    // and alarm option bars, and a source chosen on the alarm bar.
    void SlotAdjustArea();
    void RegionBtnsToggledSlot(int type, bool);
    void AlarmtnsToggledSlot(int type, bool);
    void SlotChangeSource(int s);
    void MEnlargeScale();
    void MReductionScale();
    void MRecovery();
    void MTimerScale();
    void SlotMove(int dx, int dy);
    void SlotMoveT();
    void SlotMoveB();
    void SlotMoveL();
    void SlotMoveR();

    // ==== operator commands of the main screen ==============================
public:
    // The password gate: 0 refused, else the level granted.
    int CheckPassword();
    // Another editing screen or an alarm holds the display.
    bool commandBlocked() const;
    void cameraPramsAdjust(bool detached);
    // The settings window's apply step, from outside the window.
    void sysSettingWidgetAccept();

public slots:
    void OptBtnsToggledSlot(OptionBar::BTN_TYPE type, bool checked);
    void SlotAccount();
    void SlotShowAlarmImgae();
    void SlotReturn();
    void SlotShowStatisticsWidget();
    void SlotHelp();
    void SlotMuliManualTrig();

    // ==== monitoring cycle: commands, triggers and their state ============
public:
    void ReCheck();
    void SlotStartStop();
    void SlotReTrain();
    void BackTrain();
    void CheckArea(bool);
    // The region check after sampling, asked from the event loop.
    void regionCheckAfterSampling();
    void SlotManualTrig(int step);
    // The alarm reset's re-judgement of the current step (the region
    // editor's re-detect without its own screen work). Only prohibitions are
    // published at once; the step is judged, and its verdict given, as soon
    // as every camera has a frame taken after the call (the next pass, or
    // the call itself when one is waiting).
    void ReDetect();
    int cameraTriggerSet = 0; // slot bits of the cameras that delivered since the last camera trigger
    int lastDelay = 0;        // delay of the step scheduled last, in tenths of a second
    int demoImageIndex = 0;   // next demonstration image
    bool newFrame[8] = {};    // per slot: the view got a new frame in this pass

public slots:
    void SlotManualTrig0();
    void SlotManualTrig1();
    void SlotSimulationTrigIn1();
    void SlotSimulationTrigIn2();
    void SlotSimulationTrigIn3();
    void SlotSimulationTrigIn4();
    void SlotSimulationTrigIn5();
    void SlotSimulationTrigIn6();
    void SlotSimulationTrigIn7();
    void SlotSimulationTrigIn8();
    void SlotPressedTrigIn1();
    void SlotPressedTrigIn2();
    void SlotPressedTrigIn3();
    void SlotPressedTrigIn4();
    void SlotReleasedTrigIn1();
    void SlotReleasedTrigIn2();
    void SlotReleasedTrigIn3();
    void SlotReleasedTrigIn4();

private:
    void takeFrames();
    void alarmResetWatch();
    void alarmReset();
    void normalPass();
    bool scanInputs();
    bool applyInputRules(int k);
    bool applyMultiDetectRules(int k);
    void cycleStart(int k);
    void rearmMoldStep();
    bool scheduleSteps(int k);
    bool startSlot(int slot, int delay);
    void manualStart(int step);
    void loadDemoImage();
    void showLiveFrames();
    void setStepOutput(int step, int on);
    int stepOutput(int step) const;
    void clearAlarm(int s);
    void enterAlarm();
    void requestImages();
    void updateExpectedInput();
    // The judged frame of a camera kept as a raw frame: staged by the
    // judgement, written by rawWriter's thread once the verdict is out.
    void stageRawFrame(int camera, int step);
    void rawFrameResult(const QString& path, const QString& error);
    // The view's newest-frame buffer is still being written as a raw frame:
    // it gets another one before the next frame is copied in.
    void freshFrameBuffer(int slot);
    // The judgement of a step slot whose start is set: now when every camera
    // has a frame past the start, else once one arrives (Run), else a loss.
    void requestJudgement(int slot);
    void judgeStep(int slot);
    void redetectNow(int step);
    void serveWaitingSteps();
    int staleCameras(int slot) const;
    int waitForFramesMs(int cameras) const;
    void noFreshFrames(int cameras, int waitedMs);
    // Ends every step of the cycle without a verdict, the clamp prohibited.
    void abandonSteps();
    // Every view's status line into the title bar now, not at its next paint.
    void showCameraStatus();
    bool slotBusy(int slot) const;
    void manualAlarmOutputs(int step);
    quint64 startSeq = 0;     // start of a step the current scan starts
    bool cameraTriggered = false; // input 0 of this pass is the hardware trigger
    int manualSlot = -1;      // slot of the waiting manual judgement
    int safetySlot = -1;      // slot of the waiting safety-door judgement
    int redetectSlot = -1;    // slot of the waiting alarm-reset re-judgement
    int redetectStep = 0;
    // Every view's results of the steps in use OK (and their values 0).
    void resultsOK(bool zeroValues);
public:
    RawFrameWriter rawWriter;

    // ---- trainings off the GUI thread (mainwindow_training.cpp) ------------
    // While a training of a step runs, that step is not judged (its waiting
    // counts no time against the cameras), so the clamp stays prohibited
    // until a judgement with the new training decides; the passes go on.
    // The steps of every camera in use trained anew.
    void trainInBackground(const QVector<int>& steps);
    // The automatic template update: the judged frame of every camera in use
    // becomes template 0 of the step, written and trained off this thread; it
    // takes the template's place (file and memory) once both are done. A
    // template that could not be written changes nothing and is reported.
    void updateTemplatesInBackground(int step);
    int trainingsRunning() const { return int(trainings_.size()); }
    // Whether a running training is of a step the slot judges.
    bool trainingCovers(int slot) const;
    // Called first on each training's thread (tests hold trainings with it).
    std::function<void()> trainingStarts;
    // Whether a raw-frame write or a training still reads this buffer.
    bool frameHeld(const uchar* data) const;
private:
    struct Training;
    void startTraining(const std::shared_ptr<Training>& job);
    void trainingDone(const std::shared_ptr<Training>& job);
    std::vector<std::shared_ptr<Training>> trainings_;
    int trainingSerial_ = 0;

    // Per slot: newest-frame buffers given up to the raw writer or a training,
    // kept for the next frames once they are free again (a buffer made anew
    // for each frame would cost the pass its first writing of every page).
    std::vector<cv::Mat> framePool[8];
    static constexpr int kFramePool = 4;
    bool framePoolFilling[8] = {};
    // Once a camera's frames start to be held: two buffers made (and written
    // once, so that the pass does not pay for their pages) off this thread.
    void fillFramePool(int slot);
    bool rawFlushQueued = false; // the staged raw frames go to the writer after this event
    QSet<QString> rawFailedFolders; // raw-frame folders whose failure was shown, until one is written there
    bool rawSkipShown = false;      // frames skipped for a writer behind: shown once until one is written
    // ==== end of the monitoring cycle block ================================

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void makeTimers();
    // What the settings window reaches of this window (mainwindow_settings.cpp).
    void installSettingsHost();
    void makeFolders();
    void openDatabases();
    // A group restore cut by a power failure, set right before the databases
    // opened; journaled and told once the stored language is loaded.
    void reportRestoreRecovery(maintenance::RestoreRecovery recovery);
    void layOut();
    OperationJournal journal_;
};

extern MainWindow* gpWin;
extern QString gAppDirPath;
extern int gPicNumNG;
extern int gPicNumOK;
extern bool gisTempAlarm;
// Cycle requests: retrain every enabled step, or rebuild step 1, when the
// next result display ends; region editing was opened by template sampling.
extern bool gisReTrain;
extern bool gisReShape;
extern bool gFromTrain;
