#include "monitor/mainwindow.h"
#include "netlink/network.h"

#include "cameradriver/camerahost.h"
#include "cameradriver/cameradriver.h"
#include "camera/cammerwidget.h"
#include "cameradriver/checkcamera.h"
#include "monitor/controlport.h"
#include "monitor/imagecontainer.h"
#include "monitor/indexbutton.h"
#include "monitor/iostatuswidget.h"
#include "editor/alarmoption.h"
#include "editor/drawroiwidget.h"
#include "editor/regionpanel.h"
#include "editor/regioption.h"
#include "monitor/maineditorhost.h"
#include "monitor/mainviewhost.h"
#include "monitor/savefialimagethread.h"
#include "monitor/journal.h"
#include "monitor/led.h"
#include "monitor/logmanager.h"
#include "monitor/placeholders.h"
#include "monitor/startupdb.h"
#include "monitor/titlebar.h"
#include "params/geometry.h"
#include "params/lanstr.h"
#include "params/usermanager.h"
#include "params/wizardpara.h"
#include "platform/clock.h"
#include "platform/commandrunner.h"
#include "monitor/cycletexts.h"
#include "settings/maintenance.h"
#include "platform/host.h"
#include "platform/procmem.h"
#include "settings/cameraparamswidget.h"
#include "settings/settingshost.h"
#include "settings/systemsettingwidget.h"
#include "widgets/bmessagebox.h"
#include "widgets/edit.h"
#include "widgets/keypads.h"
#include "widgets/msgbox.h"
#include "widgets/passwordbox.h"
#include "widgets/uihost.h"

#include <QApplication>
#include <QDebug>
#include <QHBoxLayout>
#include <QMouseEvent>
#include <QPushButton>
#include <QScreen>
#include <QStackedLayout>
#include <QThread>
#include <QTimer>
#include <QVBoxLayout>
#include <limits>

MainWindow* gpWin = nullptr;
QString gAppDirPath;
int gPicNumNG = 0;
int gPicNumOK = 0;
bool gisTempAlarm = false;

namespace {

QTimer* makeTimer(QObject* owner, bool singleShot = false)
{
    auto* t = new QTimer(owner);
    t->setSingleShot(singleShot);
    return t;
}

} // namespace

MainWindow::MainWindow(QWidget* parent) : BWidget(parent), userLevel(uiHost().userLevel)
{
    savedMainPage = 0;
    gpWin = this;
    Monitor_Init();

    titleBar = new TitleBar(this);
    alarmOptionBar = new AlarmOption(this);
    regionOptionBar = new RegiOption(this);
    connect(regionOptionBar, &RegiOption::btnsToggled, this, &MainWindow::RegionBtnsToggledSlot);
    connect(alarmOptionBar, &AlarmOption::btnsToggled, this, &MainWindow::AlarmtnsToggledSlot);
    connect(alarmOptionBar, &AlarmOption::AlarmChangeSource, this, &MainWindow::SlotChangeSource);
    layOut();
    if (!haltedFor.isEmpty())
        showRunning(false); // the title bar came after the start-up's stop
    setWindowFlags(windowFlags() | Qt::FramelessWindowHint);
    setFixedSize(1920, 1080);
    connect(optionBar, &OptionBar::btnsToggled, this, &MainWindow::OptBtnsToggledSlot);
}

MainWindow::~MainWindow()
{
    // The settings window goes while the window is whole: its hide gives the
    // cameras their saved values back through the views.
    if (settingsWindow) {
        settingsWindow->hide();
        delete settingsWindow;
        settingsWindow = nullptr;
    }
    // Then nothing may reach this window any more: what the base destructor
    // tears down (views, cameras, editors) must not call back into it.
    host::install(host::Hooks());
    settingshost::install(settingshost::Hooks());
    camerahost::install(camerahost::Hooks());
    setRecordHook(nullptr);
    if (gpNet)
        gpNet->sources = LinkSources();
    uiHost().lcdOnOff = nullptr;
    uiHost().restartLcdTimer = nullptr;
    if (gpWin == this)
        gpWin = nullptr;
    gpLeftMoldActive = nullptr;
    if (gpControlIO) // the link may outlive the window
        gpControlIO->setClampHold([] { return gisLost != 0; });
    // The shared dialogs live with the window.
    auto gone = [this](QWidget* w) { return w && w->parent() == this; };
    if (gone(gpWarnBox))
        gpWarnBox = nullptr;
    if (gone(gpChooseBox))
        gpChooseBox = nullptr;
    if (gone(gpNumPad))
        gpNumPad = nullptr;
    if (gone(gpNumCharPad))
        gpNumCharPad = nullptr;
    if (gone(gpPasswordBox))
        gpPasswordBox = nullptr;
}

void MainWindow::layOut()
{
    mainStack = new QStackedLayout;
    sideStack = new QStackedLayout;
    sideStack->addWidget(optionBar);
    sideStack->addWidget(regionOptionBar);
    sideStack->addWidget(alarmOptionBar);
    sideStack->setContentsMargins(0, 0, 0, 0);
    mainStack->addWidget(imageContainer);
    mainStack->addWidget(settingsWindow);
    mainStack->setContentsMargins(0, 0, 0, 0);

    auto* side = new QHBoxLayout;
    side->setSpacing(0);
    side->setContentsMargins(10, 10, 10, 10);
    side->addLayout(sideStack);
    auto* body = new QHBoxLayout;
    body->setSpacing(0);
    body->setContentsMargins(0, 0, 0, 0);
    body->addLayout(mainStack, 1);
    body->addLayout(side, 0);
    auto* all = new QVBoxLayout(this);
    all->setSpacing(0);
    all->setContentsMargins(0, 0, 0, 0);
    all->addWidget(titleBar);
    all->addLayout(body);
}

void MainWindow::openDatabases()
{
    // Each database in turn; a failure replaces it by its default and asks
    // for a reboot, but the start-up goes on until the reboot happens.
    OpenStartupDatabase(ParamDatabase());
    paramDb = QSqlDatabase::database(QStringLiteral("dbIn"), false);
    OpenStartupDatabase(RecordDatabase());
    recordDb = QSqlDatabase::database(QStringLiteral("dbRecord"), false);
    OpenStartupDatabase(SerialDatabase());
    serialDb = QSqlDatabase::database(QStringLiteral("dbT"), false);
}

void MainWindow::reportRestoreRecovery(maintenance::RestoreRecovery recovery)
{
    using maintenance::RestoreRecovery;
    if (recovery == RestoreRecovery::Nothing)
        return;
    if (recovery == RestoreRecovery::Finished) {
        InsertRecord(LanStr(startuptext::kRestoreFinished));
        return;
    }
    const QString text = recovery == RestoreRecovery::RolledBack
        ? LanStr(startuptext::kRestoreUndone)
        : LanStr(startuptext::kRestoreStuck).arg(maintenance::restoreWorkFolder(QDir::currentPath()));
    InsertRecord(text);
    host::showWarning(text);
}

void MainWindow::Monitor_Init()
{
    platform::returnLargeBuffersToSystem();
    // 2. Window and display area.
    setWindowFlags(windowFlags() | Qt::CustomizeWindowHint);
    if (QScreen* screen = QGuiApplication::primaryScreen())
        setFixedSize(screen->size());
    gShowW = 1725;
    gShowH = 982;

    // 3. Start values.
    currentStep = 0;
    editStep = 0;
    uiHost().focusedEdit = nullptr;
    runState = 1;
    displayState = 0;
    cyclePhase = 3;
    userLevel = 0;
    gScreenOff = 0;
    saveOriginalImages = 0;
    rawWriter.setResults(this, [this](const QString& path, const QString& error) { rawFrameResult(path, error); });
    forcedStep = -1;
    viewScaleX = viewScaleY = 1.0f;
    lastStartedStep = 0;
    noInputWarned = false;
    recheckPending = false;
    tempCheckLatch = 0;
    std::fill(pendingCameras, pendingCameras + 8, 0);
    std::fill(inputConfirmed, inputConfirmed + 8, false);
    gisTempAlarm = false;

    // The widget kit and the lower layers reach the window through these.
    uiHost().mainWindow = this;
    uiHost().lcdOnOff = [](int on) { LCDOnOff(on); };
    uiHost().restartLcdTimer = [this](int ms) {
        if (lcdTimer)
            lcdTimer->start(ms);
    };
    // An account that may not change settings is told so in a dialog.
    setUserNoticeHook(&showMessageDialog);
    host::Hooks hooks;
    hooks.insertRecord = [this](const QString& text) { InsertRecord(text); };
    hooks.showWarning = [](const QString& text) { showWarnBox(text); };
    hooks.askChoice = [](const QString& text) { return showChooseBox(text); };
    hooks.setOutput = [](int output, int value) {
        if (gpControlIO)
            gpControlIO->IOSetOut(output, value);
    };
    hooks.flashOutputs = [] {
        if (gpControlIO)
            gpControlIO->IOFlashOut();
    };
    host::install(hooks);
    InstallLinkSources();

    // 4. Backlight, logout and debounce timers.
    logoutTimer = makeTimer(this);
    connect(logoutTimer, &QTimer::timeout, this, &MainWindow::TimerLogout);
    lcdTimer = makeTimer(this);
    connect(lcdTimer, &QTimer::timeout, this, &MainWindow::TimerLCD);
    for (int i = 0; i < 8; ++i) {
        debounceTimers[i] = makeTimer(this);
        connect(debounceTimers[i], &QTimer::timeout, this, [this, i] {
            debounceTimers[i]->stop();
            CheckInput(i);
        });
    }

    // 5. The shared warning box.
    gpWarnBox = new WarnBox(LanStr(568));

    // 6-7. Databases and parameters; a group restore that a power cut left
    // midway is set right before "PARAM.db" is opened.
    const maintenance::RestoreRecovery recovery = maintenance::recoverGroupRestore(QDir::currentPath());
    openDatabases();
    gpLeftMoldActive = &leftMoldActive;
    gpWPara->LoadDatafromFile();
    reportRestoreRecovery(recovery);

    // 8. Logging, in the program folder (the export carries it from there).
    if (!LogManager::__instance)
        new LogManager(this);
    qInfo().noquote() << "application start VERSION:" << LogManager::kVersion << "on"
                      << platform::now().toString(QStringLiteral("yyyy.MM.dd hh:mm:ss.zzz"));

    // 9. The step shown first.
    if (gpWPara->procedure == 4) {
        currentStep = gDNum - 1;
        lastStartedStep = gDNum - 1;
    } else {
        currentStep = gpWPara->detect_product != 1 ? 1 : 0;
    }

    // 10. Values taken once from the parameters.
    gTempNum = gpWPara->max_mold_num;
    gPicNumNG = gpWPara->ng_max_num;
    gPicNumOK = gpWPara->ok_record_max_num;
    gisCOM = gpWPara->serial_port;
    gisGrayHue = gpWPara->enable_gray_channel != 0;
    gisColor = gpWPara->enable_color_camera != 0;
    gisCut = 1 - gpWPara->prohibit_optimize;

    // 11. Shared dialogs and keypads.
    gpChooseBox = new ChooseBox(LanStr(588));
    gShowW = 1725;
    gShowH = 982;
    gpNumPad = new NumberInput(nullptr);
    gpNumCharPad = new NumCharInput(nullptr);

    // 12. The IO board link, clamp prohibited until detection starts. A
    // link the process made before the window (tests, tools) is taken as it is.
    if (!gpControlIO)
        gpControlIO = new ControlPort;
    gpControlIO->setClampHold([this] { return gisLost != 0 || leavingProgram; });
    gpControlIO->IOSetOut(0, 1);
    gpControlIO->IOFlashOut();

    // 13. The camera back-end of the run and the working image size.
    camerahost::Hooks cameraHooks;
    cameraHooks.runState = [this] { return runState; };
    cameraHooks.settingsVisible = [this] { return settingsWindow && settingsWindow->isVisible(); };
    cameraHooks.exposurePanelVisible = [this] {
        return settingsWindow && settingsWindow->cameraParams && settingsWindow->cameraParams->subWidget->detached()
            && settingsWindow->cameraParams->subWidget->isVisible();
    };
    cameraHooks.hideWarning = [] {
        if (gpWarnBox)
            gpWarnBox->hide();
    };
    cameraHooks.sleep = [](int ms) { QThread::msleep(ulong(ms)); };
    camerahost::install(cameraHooks);
    CheckCameraID();
    SetImageGeometry(gImageW, gImageH, gisColor);
    viewPixelScaleX = float(gShowAW);
    viewPixelScaleY = float(gShowAH);

    // 14. Initialising note and the grey palette for 8-bit images.
    gpWarnBox->setText(LanStr(133));
    greyColorTable.resize(256);
    for (int i = 0; i < 256; ++i)
        greyColorTable[i] = 0xFF000000u + unsigned(i) * 0x010101u;

    // 15. Option bar, settings window, camera views (each view that opens
    // its camera counts it).
    numCamera = 0;
    optionBar = new OptionBar(this);
    installSettingsHost();
    settingsWindow = new SystemSettingWidget(this);
    setViewHost(&MainViewHost::instance());
    setEditorHost(&MainEditorHost::instance());
    setViewPartsMaker(&MakeViewParts);
    imageContainer = new ImageContainer(this);

    // 16. The camera count against the stored serials; without cameras the
    // demonstration set-up.
    if (gCameraID != kCameraNone && numCamera > 0) {
        // A binding the disk refuses to clear (told by SaveSN) would bring the
        // same question back after the restart: the start goes on instead.
        if (gpWPara->serial_count > 0 && gpWPara->serial_count != gFindCamera && showChooseBox(LanStr(360))
            && SaveSN(1)) {
            InsertRecord(LanStr(cycletext::kCameraCountRestart));
            // The one restart path: databases closed, the clamp held, and a
            // refusal shown with the databases open again.
            maintenance::restartSystem(this, false, [this](bool restarting) {
                if (restarting)
                    return;
                // The journal is open again: what the start-up kept back.
                SlotCheckDate();
                InsertRecord(LanStr(150).arg(numCamera));
                InsertRecord(LanStr(cycletext::kCameraCountRestartFailed));
            });
        }
    } else {
        gShowW = 1920;
        gShowH = 1080;
        gCameraID = kCameraNone;
        setCameraSlots({0, 1});
        if (showChooseBox(LanStr(134)))
            SaveSN(1);
        // The two demonstration views show their pictures from the start.
        for (int i = 0; i < 2; ++i)
            cameraViews[i]->LoadFrame(QStringLiteral("cammer15/template%1.bmp").arg(i));
    }
    selectedCamera = numCamera == 1 ? 0 : numCamera;
    gShowW = 1725;
    gShowH = 982;

    // 17. Screens made hidden and the password box.
    ioStatusWidget = new IOStatusWidget(this);
    indexButton = new IndexButton(this);
    roiEditor = new DrawROIWidget(this);
    roiEditor->hide();
    cameraOrderDialog = new WidgetChangeCamera(this);
    cameraOrderDialog->shutDown = [this] { settingsWindow->SlotShutDown(); };
    cameraOrderDialog->hide();
    customIONameWidget = new CustomIONameWidget(this, settingsWindow);
    customIONameWidget->init();
    customIONameWidget->hide();
    hardwareConfigWidget = new HardwareConfigurationWidget(this);
    hardwareConfigWidget->returnTo = settingsWindow;
    hardwareConfigWidget->hide();
    panX = panY = 0;
    zoomFactor = 1;
    cursorImageX = cursorImageY = 0;
    if (QWidget* pad = optionBar->finetuningPad())
        pad->move(gShowW - 165, gShowH - 300);
    // The zoom tools float over the view shown alone (MShowHide puts them there).
    auto zoomButton = [](const QString& icon) {
        auto* b = new QPushButton;
        b->setFixedSize(55, 55);
        b->setIcon(QIcon(icon));
        b->setIconSize(QSize(50, 50));
        b->setAttribute(Qt::WA_TranslucentBackground);
        b->setWindowFlags(Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);
        b->setStyleSheet(QStringLiteral(
            "QPushButton{border-style:none;background:transparent;}QPushButton:pressed{background-color:#FFC107;}"));
        b->hide();
        return b;
    };
    zoomInButton = zoomButton(QStringLiteral(":/img/icons/ZoomIn.png"));
    zoomInButton->setAutoRepeat(true);
    zoomInButton->setAutoRepeatDelay(300);
    zoomInButton->setAutoRepeatInterval(50);
    zoomInButton->move(gShowW - 60, gShowH - 140);
    connect(zoomInButton, &QPushButton::clicked, this, &MainWindow::MEnlargeScale);
    zoomOutButton = zoomButton(QStringLiteral(":/img/icons/ZoomOut.png"));
    zoomOutButton->setAutoRepeat(true);
    zoomOutButton->move(gShowW - 155, gShowH - 140);
    connect(zoomOutButton, &QPushButton::clicked, this, &MainWindow::MReductionScale);
    zoomToolTimer = makeTimer(this);
    connect(zoomToolTimer, &QTimer::timeout, this, &MainWindow::MTimerScale);
    gpPasswordBox = new PasswordBox(LanStr(569));
    ChangeCammer();

    // 18. Folders of every camera and step.
    makeFolders();

    // 19-22. Cycle timers; the frame counters and the result-image buffers
    // of the cameras in use, and the image writer.
    makeTimers();
    for (int c : usedSlots())
        frameCount[c] = lastFrameCount[c] = framesPerSecond[c] = 0;
    StartFailImageWriter();

    // 23-25. Journal folders, the day of the journal, detection.
    recordDir = QDir(QStringLiteral("./RECORD"));
    QDir().mkpath(recordDir.path());
    statisticsDir = QDir(QStringLiteral("./ResStatistics"));
    QDir().mkpath(statisticsDir.path());
    journal_.InitDate();
    // A restart asked for by the camera count check keeps detection stopped
    // (the clamp prohibited) and the closed journal untouched until it
    // happens; a refused one leaves detection stopped, as it journals.
    const bool restartPending = !haltedFor.isEmpty();
    if (!restartPending) {
        SlotCheckDate();
        // 26. Clamp cut at fixed time keeps the clamp prohibited from the
        // start (never published free in between).
        StartDetect(gpWPara->is_cut_ontime && gpWPara->mold_pulse > 0);
    }

    // 27. Nothing manual pending; the cycle starts 5 ms after the event loop.
    manualCycle = false;
    std::fill(ngOutputs, ngOutputs + 4, false);
    manualTriggerStep = gDNum;
    installEventFilter(this);
    gpWarnBox->hide();
    runTimer->start(5);
    dateTimer->start(60000);

    // 28. Ready, and the camera library's version.
    if (!restartPending)
        InsertRecord(LanStr(150).arg(numCamera));
    fpsTimer->start(1000);
    const QString sdkVersion = SdkVersionRecord();
    if (!sdkVersion.isEmpty() && !restartPending)
        InsertRecord(sdkVersion);

    // 29. Cycle counters.
    cycleTime = 0;
    lastCycleStart = nowTenths();
    CountRead();
    CameraSetSpeed();

    // 30. The shared video frames are announced to an attached client.
    if (gpNet && gpNet->canSend())
        gpNet->CNT_SendMemoryInfo();

    // 31. Backlight timer.
    if (gpWPara->location_level > 0)
        lcdTimer->start(gpWPara->location_level * 1000);

    // 32. The shared dialogs live with the window.
    gpWarnBox->setParent(this, gpWarnBox->windowFlags());
    gpChooseBox->setParent(this, gpChooseBox->windowFlags() | Qt::CustomizeWindowHint | Qt::WindowStaysOnTopHint);
    gpNumPad->setParent(this, gpNumPad->windowFlags());
    gpNumCharPad->setParent(this, gpNumCharPad->windowFlags());
    gpPasswordBox->setParent(this, gpPasswordBox->windowFlags());
    simulatedInput = -1;
    expectedInput = -1;
}

void MainWindow::makeFolders()
{
    for (int c = 1; c <= 8; ++c) {
        for (int s = 1; s <= 8; ++s) {
            stepSaveCode[c - 1][s - 1] = 0;
            stepArmed[s - 1] = false;
            const QString ng = QStringLiteral("%1//camera%2//detect%3//NG").arg(QStringLiteral("./alarmimage")).arg(c).arg(s);
            const QString ok = QStringLiteral("%1//camera%2//detect%3//OK").arg(QStringLiteral("./alarmimage")).arg(c).arg(s);
            QDir().mkpath(ng);
            QDir().mkpath(ok);
            alarmImageDirs[c - 1][s - 1][0] = QDir(ng);
            alarmImageDirs[c - 1][s - 1][1] = QDir(ok);
            QDir().mkpath(QStringLiteral("./cammer%1%2").arg(c).arg(s));
            QDir().mkpath(QStringLiteral("%1//cammer%2%3").arg(QStringLiteral("./originalimage")).arg(c).arg(s));
        }
    }
}

void MainWindow::makeTimers()
{
    runTimer = makeTimer(this, true);
    runTimer->setTimerType(Qt::PreciseTimer); // the 3 ms pass
    connect(runTimer, &QTimer::timeout, this, &MainWindow::Run);
    watchdogTimer = makeTimer(this);
    connect(watchdogTimer, &QTimer::timeout, this, &MainWindow::InCheck);
    drawHintTimer = makeTimer(this);
    connect(drawHintTimer, &QTimer::timeout, this, &MainWindow::SlotDrawHint);
    for (int i = 0; i < 8; ++i) {
        countdownTimers[i] = makeTimer(this);
        connect(countdownTimers[i], &QTimer::timeout, this, [this, i] { TimerUp(i); });
    }
    resultTimer = makeTimer(this);
    connect(resultTimer, &QTimer::timeout, this, &MainWindow::TimerShow);
    ngPulseTimer = makeTimer(this);
    connect(ngPulseTimer, &QTimer::timeout, this, &MainWindow::OutTimerOutNG);
    clampPulseTimer = makeTimer(this);
    connect(clampPulseTimer, &QTimer::timeout, this, &MainWindow::OutTimerNotAllowClose);
    reserveTimer = makeTimer(this, true);
    connect(reserveTimer, &QTimer::timeout, this, &MainWindow::OutTimerReserveOutput);
    ejectorPulseTimer = makeTimer(this);
    connect(ejectorPulseTimer, &QTimer::timeout, this, &MainWindow::OutTimerNotAllowThimble);
    tempTimer = makeTimer(this);
    connect(tempTimer, &QTimer::timeout, this, &MainWindow::CheckTemp);
    tempTimer->start(5000);
    alarmResetTimer = makeTimer(this);
    connect(alarmResetTimer, &QTimer::timeout, this, &MainWindow::SlotResetAlarm);
    dateTimer = makeTimer(this);
    connect(dateTimer, &QTimer::timeout, this, &MainWindow::SlotCheckDate);
    fpsTimer = makeTimer(this);
    connect(fpsTimer, &QTimer::timeout, this, &MainWindow::SlotFPS);
}

CammerWidget* MainWindow::usedView(int k) const
{
    const int slot = cameraSlot(k);
    return slot >= 0 ? cameraViews[slot] : nullptr;
}

void MainWindow::StepsChanged()
{
    for (int c : usedSlots())
        if (cameraViews[c] && cameraViews[c]->isComplete())
            cameraViews[c]->SyncSteps();
    AllocateFailImages();
}

// ---- journal ------------------------------------------------------------------

void MainWindow::InsertRecord(const QString& text)
{
    if (journal_.InsertRecord(text, userLevel)) {
        recordWriteFailed = false;
        return;
    }
    if (recordWriteFailed)
        return; // every record would say it again
    recordWriteFailed = true;
    // Records come from inside every kind of operation, its own questions
    // included: the box waits for the event loop.
    warnLater(LanStr(journaltext::kRecordNotStored));
}

bool MainWindow::ClearRecord() { return journal_.ClearRecord(); }

void MainWindow::SlotCheckDate()
{
    const QString day = journal_.recordDate();
    const OperationJournal::DayCheck check = journal_.SlotCheckDate();
    if (check == OperationJournal::DayCheck::SameDay)
        return;
    if (check == OperationJournal::DayCheck::NotArchived) {
        if (dayChangeFailed)
            return; // retried every minute, told once
        dayChangeFailed = true;
        const QString text = LanStr(journaltext::kDayNotArchived).arg(day);
        InsertRecord(text);
        warnLater(text);
        return;
    }
    dayChangeFailed = false;
    if (check == OperationJournal::DayCheck::DateNotSaved) {
        InsertRecord(LanStr(journaltext::kDateNotSaved));
        warnLater(LanStr(journaltext::kDateNotSaved));
    }
}

void MainWindow::warnLater(const QString& text)
{
    QMetaObject::invokeMethod(this, [text] { host::showWarning(text); }, Qt::QueuedConnection);
}

void MainWindow::CountRead() { ::CountRead(); }

void MainWindow::CountWrite()
{
    if (::CountWrite()) {
        countWriteFailed = false;
        return;
    }
    if (countWriteFailed)
        return; // every cycle would say it again
    countWriteFailed = true;
    InsertRecord(LanStr(cycletext::kCountersNotSaved));
    host::showWarning(LanStr(cycletext::kCountersNotSaved));
}

qint64 MainWindow::nowTenths()
{
    const QDateTime now = platform::now();
    return now.toSecsSinceEpoch() * 10 + now.time().msec() / 100;
}

int MainWindow::cycleTenths(qint64 from, qint64 to)
{
    return int(qBound<qint64>(0, to - from, std::numeric_limits<int>::max())); // a clock set back gives 0
}

void MainWindow::FLushAll()
{
    for (const char* c : {"dbT", "dbIn", "dbRecord"}) {
        QSqlDatabase db = QSqlDatabase::database(QLatin1String(c), false);
        if (db.isOpen())
            db.close();
    }
}

// ---- backlight and logout ----------------------------------------------------

void MainWindow::TimerLCD()
{
    lcdTimer->stop();
    LCDOnOff(0);
}

void MainWindow::TimerLogout()
{
    logoutTimer->stop();
    userLevel = 0;
}

bool MainWindow::CheckRoot() { return ::CheckRoot(); }

// ---- window events ------------------------------------------------------------

bool MainWindow::eventFilter(QObject* watched, QEvent* event) { return BWidget::eventFilter(watched, event); }

void MainWindow::mouseReleaseEvent(QMouseEvent* event)
{
    // A release that no child took ends any typing: the keypads close on focus-out.
    setFocus(Qt::OtherFocusReason);
    BWidget::mouseReleaseEvent(event);
}
