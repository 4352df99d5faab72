#pragma once
// The real main window started in a temporary program folder, without a
// board and without cameras (the two demonstration views), driven pass by
// pass: the test sets input bits, hands frames to the views as a grab thread
// would, calls the pass, the countdown ticks and the timer slots itself, and
// reads the outputs the cycle published.
#include "cameradriver/cameraloss.h"
#include "cameradriver/checkcamera.h"
#include "camera/cammerwidget.h"
#include "inspection/cammerrecongnize.h"
#include "inspection/cammersingleton.h"
#include "monitor/controlport.h"
#include "monitor/ioframes.h"
#include "monitor/journal.h"
#include "monitor/led.h"
#include "monitor/mainwindow.h"
#include "monitor/savefialimagethread.h"
#include "params/geometry.h"
#include "params/lanstr.h"
#include "params/paramdb.h"
#include "params/wizardpara.h"
#include "platform/clock.h"
#include "platform/host.h"
#include "platform/paneldevice.h"
#include "platform/sysroot.h"
#include "testenv.h"
#include "widgets/modal.h"

#include <QCoreApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QThread>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTimer>
#include <QVariant>
#include <functional>

namespace cycletest {

// One dark-area region in the middle of `step`: a good part (grey 200) has
// none, a dark stuck part is NG.
inline void putDarkAreaRegion(CammerSingleton& regions, int step)
{
    regions.roiCount[step] = 1;
    regions.shapeType[step][0] = ShapeRect;
    regions.rects[step][0].viewRect = QRect(300, 200, 600, 400);
    regions.algorithm[step][0] = MethodBlackArea;
    regions.min_size[step][0] = 0;
    regions.sensibility[step][0] = 60;
    regions.max_area[step][0] = 100;
}

// As at the start of a process: no frame waiting in any slot.
inline void clearFrameFlags()
{
    for (int c = 0; c < kCameraSlots; ++c) {
        std::lock_guard<std::mutex> lock(pMutex[c]);
        isImageFill[c] = false;
    }
}

// What a process has before its main window: the text table, the panel's
// LED device (a recorder), no camera address repair, no loss counted and no
// frame waiting.
inline void beginProcess(platform::RecordingPanelDevice& panel)
{
    Data_Init();
    platform::PanelDevice::setInstance(&panel);
    led::reset();
    OpenLedDevice();
    gRepairCameraAddresses = nullptr;
    CameraWatch::instance().reset();
    clearFrameFlags();
}

// The databases a program folder holds besides "PARAM.db".
inline bool makeRecordAndSerialDatabases()
{
    return CreateSerialDatabase("SN.db") && CreateRecordDatabase("RECORDNULL.db")
        && QFile::copy("RECORDNULL.db", "RECORD.db");
}

// Ends the window and what its start-up made, and clears what a run leaves
// in the process: the next test starts as a new process would.
inline void endWindow(MainWindow*& window)
{
    delete window;
    window = nullptr;
    if (gpSaveFialImageThread) {
        gpSaveFialImageThread->requestInterruption();
        gpSaveFialImageThread->wait();
        delete gpSaveFialImageThread;
        gpSaveFialImageThread = nullptr;
    }
    delete gpControlIO;
    gpControlIO = nullptr;
    {
        QMutexLocker lock(pMutexIO);
        gDataIn = 0;
        gDataOut = 0;
    }
    for (const char* c : {"dbIn", "dbRecord", "dbT"})
        CloseSqlite(c);
    delete gpWPara;
    delete gpWParaBak;
    gpWPara = gpWParaBak = nullptr;
    gisReTrain = gisReShape = gFromTrain = false;
    gisTempAlarm = false;
    gisLost = 0;
    gLost = 0;
    gSource = -1;
    gLan = 0;
    for (int c = 0; c < 8; ++c)
        gAllNum[c] = gFailNum[c] = 0;
    clearFrameFlags();
}

} // namespace cycletest

class CycleWindow : public InTempFolder {
protected:
    void SetUp() override
    {
        InTempFolder::SetUp();
        cycletest::beginProcess(panel);
        para = defaults();
        previousModal = setModalRunner([this](QDialog& d) {
            QStringList texts;
            for (QLabel* l : d.findChildren<QLabel*>())
                texts << l->text();
            boxes << texts.join('|');
            return answer;
        });
        platform::Clock::setInstance(&clock);
    }
    void TearDown() override
    {
        cycletest::endWindow(window);
        setModalRunner(previousModal);
        platform::Clock::setInstance(nullptr);
        platform::PanelDevice::setInstance(nullptr);
        InTempFolder::TearDown();
    }

    static WizardPara defaults()
    {
        WizardPara p = FactoryParams();
        p.enable_correct = -1; // frames are judged where they lie
        p.max_mold_num = 1;    // one template slot per step keeps the start quick
        p.ng_max_num = 5;
        p.ok_record_max_num = 5;
        return p;
    }
    // The next case of a table, in the same program folder: its image
    // folders stay, its databases, counters and the window go.
    void nextCase()
    {
        cycletest::endWindow(window);
        for (const char* f : {"PARAM.db", "SN.db", "RECORD.db", "RECORDNULL.db", "count.txt", "time.txt"})
            QFile::remove(f);
        QDir("paraGroup").removeRecursively();
        boxes.clear();
        led::reset();
        OpenLedDevice();
        CameraWatch::instance().reset();
        std::fill(judgedAt, judgedAt + 8, 0);
        answer = QDialog::Accepted;
        para = defaults();
    }

    // The program folder with the parameters of `para`, then the window.
    void start()
    {
        ASSERT_TRUE(CreateParamDatabase("PARAM.db", para));
        {
            OpenSqlite("regions", "PARAM.db");
            QSqlQuery q(QSqlDatabase::database("regions"));
            for (int c = 0; c < 8; ++c)
                q.exec(QString("create table if not exists cammer%1(name text, value text)").arg(c));
            CloseSqlite("regions");
        }
        QDir().mkpath("paraGroup/default");
        QFile::copy("PARAM.db", "paraGroup/default/PARAM.db");
        ASSERT_TRUE(cycletest::makeRecordAndSerialDatabases());
        if (beforeWindow)
            beforeWindow();
        gpWPara = new WizardPara;
        gpWParaBak = new WizardPara;
        gAppDirPath = folder();
        // The board link without its thread and without a board: the test
        // sets the inputs itself, and the link counts as answering until the
        // test runs its passes.
        host::install(host::Hooks());
        gpControlIO = new ControlPort(platform::sysPath("/dev/ttyS0"), false);
        window = new MainWindow;
        ASSERT_EQ(numCamera, 2) << "the demonstration views";
        // The tests read the image requests the cycle leaves for the writer;
        // the writer itself is tested on its own.
        gpSaveFialImageThread->requestInterruption();
        gpSaveFialImageThread->wait();
        boxes.clear();
    }

    CammerWidget* view(int c) { return window->cameraViews[c]; }

    // A dark-area region over the middle of the image on the given step of
    // every view: a frame of grey 200 passes, one of grey 20 fails.
    void watchStep(int step, int outputPoint = 0)
    {
        for (int c = 0; c < numCamera; ++c) {
            CammerSingleton& s = *view(c)->liveRegions;
            const int r = s.roiCount[step]++;
            s.shapeType[step][r] = 1; // rectangle
            s.rects[step][r].viewRect = QRect(200, 200, 400, 300);
            s.algorithm[step][r] = 4; // black area
            s.min_size[step][r] = 0;
            s.sensibility[step][r] = 60;
            s.max_area[step][r] = 100;
            s.output_point[r] = outputPoint;
            view(c)->liveMasks[step][r] = s.UpdateMask(step, r);
            view(c)->recong->VarTrain(step);
        }
    }
    // What a grab thread does: the frame into the receive buffer, flagged new.
    void deliver(int c, int grey)
    {
        CammerWidget* v = view(c);
        std::lock_guard<std::mutex> lock(pMutex[v->cameraIndex]);
        std::fill(v->recvImage->begin(), v->recvImage->end(), uchar(grey));
        isImageFill[v->cameraIndex] = true;
    }
    void frames(bool cam0Ok, bool cam1Ok = true)
    {
        deliver(0, cam0Ok ? 200 : 20);
        deliver(1, cam1Ok ? 200 : 20);
    }
    // Frames of both cameras taken by a pass: what a step that is due or
    // waiting judges (a step judges only frames taken after its start).
    void newFrames(bool cam0Ok = true, bool cam1Ok = true)
    {
        frames(cam0Ok, cam1Ok);
        window->Run();
    }
    // Mode 0 with only the mold step (delay 0.5 s) watched.
    void moldOnly()
    {
        para.detect_product = 0;
        para.detect_delay[1] = 5;
    }
    // One cycle of the mold step: started by input 0's edge, judged on the
    // frames taken after that start.
    void moldCycle(bool cam0Ok, bool cam1Ok = true)
    {
        setInput(0, false);
        edge(0);
        frames(cam0Ok, cam1Ok);
        tick();
    }
    void setInput(int k, bool on)
    {
        QMutexLocker lock(pMutexIO);
        gDataIn = on ? (gDataIn | (1 << k)) : (gDataIn & ~(1 << k));
    }
    // An edge: the input becomes active and the next pass sees it.
    void edge(int k)
    {
        setInput(k, false);
        window->Run();
        setInput(k, true);
        window->Run();
    }
    // Output n as published to the board (its polarity taken off).
    bool out(int n)
    {
        QMutexLocker lock(pMutexIO);
        return ioframe::outputActive(gDataOut, n, *gpWPara);
    }
    QString outs()
    {
        QString s;
        for (int n = 0; n < 8; ++n)
            s += out(n) ? '1' : '0';
        return s;
    }
    bool counting(int slot) { return window->countdownTimers[slot]->isActive(); }
    // 100 ms ticks of every running countdown until none runs or max ticks;
    // returns the ticks and notes when each slot was judged.
    int tick(int max = 200, std::function<void(int tick)> each = nullptr)
    {
        int t = 0;
        while (t < max) {
            bool any = false;
            for (int l = 0; l < 8; ++l)
                any = any || counting(l);
            if (!any)
                break;
            ++t;
            for (int l = 0; l < 8; ++l) {
                if (!counting(l))
                    continue;
                window->TimerUp(l);
                if (!counting(l))
                    judgedAt[l] = t;
            }
            if (each)
                each(t);
        }
        return t;
    }
    // Until the trainings the cycle started off the GUI thread (the
    // automatic template update, the retraining after sampling) are in
    // place; the passes are not run meanwhile.
    bool trained(int timeoutMs = 20000)
    {
        QElapsedTimer t;
        t.start();
        while (window->trainingsRunning() > 0 && t.elapsed() < timeoutMs) {
            QCoreApplication::processEvents();
            QThread::msleep(1);
        }
        return window->trainingsRunning() == 0;
    }
    // The raw frames the judgements staged, once the event after the
    // verdict handed them to the writer's thread and it wrote them.
    bool rawFramesWritten()
    {
        QCoreApplication::processEvents();
        return window->rawWriter.waitIdle(20000);
    }
    QStringList records()
    {
        QStringList list;
        QSqlQuery q(QSqlDatabase::database("dbRecord"));
        q.exec("select remarks from RECORD");
        while (q.next())
            list << q.value(0).toString();
        return list;
    }
    bool requested(int c, int step, int kind)
    {
        QMutexLocker lock(pMutexSaveFail);
        return gisSaveFail[c][step][kind];
    }

    WizardPara para;
    // Runs on the laid-out program folder just before the window starts.
    std::function<void()> beforeWindow;
    MainWindow* window = nullptr;
    platform::RecordingPanelDevice panel;
    platform::ManualClock clock{QDateTime(QDate(2026, 5, 6), QTime(7, 8, 9))};
    QStringList boxes;
    int answer = QDialog::Accepted;
    ModalRunner previousModal;
    int judgedAt[8] = {};
};
