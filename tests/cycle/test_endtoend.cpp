// The whole road of a machine cycle in real time: the real main window in a
// program folder whose "PARAM.db" holds the regions, the board simulator on
// a pseudo-terminal as the IO board, two simulated cameras whose frames the
// test scripts, and the real inspection engine.
#include "../ioboard/boardsim.h"
#include "cyclefixture.h"
#include "cameradriver/cameraloss.h"
#include "cameradriver/cameratexts.h"
#include "cameradriver/checkcamera.h"
#include "camera/cammerwidget.h"
#include "inspection/cammersingleton.h"
#include "monitor/controlport.h"
#include "monitor/cycletexts.h"
#include "monitor/ioframes.h"
#include "monitor/journal.h"
#include "monitor/led.h"
#include "monitor/mainwindow.h"
#include "monitor/savefialimagethread.h"
#include "monitor/titlebar.h"
#include "params/lanstr.h"
#include "params/paramdb.h"
#include "params/procedures.h"
#include "params/wizardpara.h"
#include "platform/cameras/simcamera.h"
#include "platform/paneldevice.h"
#include "platform/sysroot.h"
#include "settings/maintenance.h"
#include "sqlfaults.h"
#include "testenv.h"
#include "widgets/modal.h"

#include <QCoreApplication>
#include <QDialog>
#include <QDir>
#include <QElapsedTimer>
#include <QLabel>
#include <QRegularExpression>
#include <QFile>
#include <QSqlQuery>
#include <QThread>
#include <QTimer>
#include <QVariant>
#include <functional>
#include <memory>

namespace {

constexpr int kOk = 200; // grey of a good part
constexpr int kNg = 20;  // grey of a frame with the dark area the regions look for

class EndToEnd : public InTempFolder {
protected:
    void SetUp() override
    {
        InTempFolder::SetUp();
        cycletest::beginProcess(panel);
        camsdk::resetSimulators();
        camsdk::SimBus& bus = camsdk::simBus(camsdk::Vendor::MindVision);
        bus.setActive(true);
        for (const char* serial : {"SIM-E2E-01", "SIM-E2E-02"}) {
            camsdk::SimSpec spec;
            spec.serial = serial;
            spec.sensorWidth = 640;
            spec.sensorHeight = 480;
            cameras << bus.add(spec);
        }
        setGrey(0, kOk);
        setGrey(1, kOk);
        ASSERT_TRUE(board.open()) << qPrintable(board.error());
        ASSERT_TRUE(board.link(platform::sysPath("/dev/ttyS0")));
        board.start();
        previousModal = setModalRunner([](QDialog&) { return int(QDialog::Accepted); });

        para = FactoryParams();
        para.enable_correct = -1;
        para.max_mold_num = 1;
        para.ng_max_num = 5;
        para.ok_record_max_num = 5;
        para.serial_port = 0;
        para.detect_delay[0] = 3; // 0.3 s
        para.detect_delay[1] = 2; // 0.2 s after the product step
    }
    void TearDown() override
    {
        cycletest::endWindow(window);
        for (auto& serial : gSerialNB) // the serials read from "SN.db" outlive the window
            setParamText(serial, "0");
        board.stop();
        setModalRunner(previousModal);
        camsdk::resetSimulators();
        platform::PanelDevice::setInstance(nullptr);
        InTempFolder::TearDown();
    }

    // The program folder: parameters (in English), a dark-area region on
    // both steps of every slot in use and, when asked, the serial of camera
    // c stored for slot c; then the window.
    void start()
    {
        gLan = 1;
        ASSERT_TRUE(CreateParamDatabase("PARAM.db", para));
        gLan = 0;
        ASSERT_TRUE(OpenSqlite(QLatin1String(kParamConnection), "PARAM.db"));
        for (int c : inUse) {
            CammerSingleton regions(c);
            for (int d = 0; d < 8; ++d)
                regions.roiCount[d] = 0;
            for (int step : regionSteps)
                cycletest::putDarkAreaRegion(regions, step);
            regions.output_point[0] = 0;
            ASSERT_TRUE(regions.SaveDatatoFile());
        }
        CloseSqlite(QLatin1String(kParamConnection));
        ASSERT_TRUE(cycletest::makeRecordAndSerialDatabases());
        if (bindSerials) {
            ASSERT_TRUE(OpenSqlite("serials", "SN.db"));
            QSqlQuery q(QSqlDatabase::database("serials"));
            for (int c = 0; c < cameras.size(); ++c) {
                q.prepare("update sysparam set value=? where name=?");
                q.addBindValue(QString::fromLatin1(cameras[c]->spec().serial));
                q.addBindValue(QString("serialNB%1").arg(c));
                ASSERT_TRUE(q.exec());
            }
            CloseSqlite("serials");
        }
        if (beforeWindow)
            beforeWindow();
        gpWPara = new WizardPara;
        gpWParaBak = new WizardPara;
        gAppDirPath = folder();
        window = new MainWindow;
        ASSERT_EQ(gCameraID, int(kCameraMind));
        ASSERT_EQ(numCamera, inUse.size());
        ASSERT_EQ(gLan, 1);
        for (int c : inUse) {
            ASSERT_EQ(window->cameraViews[c]->liveRegions->roiCount[regionSteps.last()], 1) << "regions loaded from PARAM.db";
            ASSERT_TRUE(showing(c, kOk)) << "the camera of slot " << c << " delivers";
        }
    }

    // A third camera, and the cameras bound to slots 0 to 2 by their serials;
    // the camera of slot 1 is on the bus but does not open (another program
    // holds it), so the cameras in use are those of slots 0 and 2.
    void failSlotOne()
    {
        camsdk::SimSpec spec;
        spec.serial = "SIM-E2E-03";
        spec.sensorWidth = 640;
        spec.sensorHeight = 480;
        cameras << camsdk::simBus(camsdk::Vendor::MindVision).add(spec);
        setGrey(2, kOk);
        cameras[1]->setFailure("CameraInit", mindvision::CAMERA_STATUS_DEVICE_IS_OPENED);
        bindSerials = true;
        inUse = {0, 2};
    }

    // Runs the event loop until the condition holds. Meanwhile, whenever an
    // alarm shows, the board must hold the clamp prohibited.
    bool waitFor(const std::function<bool()>& condition, int timeoutMs = 5000)
    {
        QElapsedTimer t;
        t.start();
        while (!condition()) {
            if (t.elapsed() > timeoutMs)
                return false;
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
            QThread::usleep(500);
            if (window && window->displayState == 2) {
                ++alarmPolls;
                clampFreeInAlarm += !atBoard(0);
            }
        }
        return true;
    }
    void setGrey(int c, int grey) { cameras[c]->setGrey(grey); }
    // The newest frame of camera c (in slot c) has reached its view.
    bool showing(int c, int grey)
    {
        return waitFor([&] { return window->cameraViews[c]->curImage.data[0] == grey; });
    }
    // Output n as the board holds it.
    bool atBoard(int n) { return ioframe::outputActive(board.outputs(), n, *gpWPara); }
    // The board changes input k, and the next passes have seen the new
    // level (an input that changes back within one poll of the board is
    // never seen, as on the machine).
    void input(int k, bool on)
    {
        board.setInput(k, on);
        ASSERT_TRUE(waitFor([&] {
            QMutexLocker lock(pMutexIO);
            return bool(gDataIn & (1 << k)) == on;
        }));
        waitFor([] { return false; }, 20);
    }
    void pulseInput(int k)
    {
        input(k, false);
        input(k, true);
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
    static QStringList jpgs(const QString& dir) { return QDir(dir).entryList({"*.jpg"}, QDir::Files, QDir::Name); }

    WizardPara para;
    MainWindow* window = nullptr;
    BoardSim board;
    QList<camsdk::SimCameraPtr> cameras;
    QVector<int> inUse{0, 1}; // slots expected to have their camera open
    QVector<int> regionSteps{0, 1}; // steps with the dark-area region
    int alarmPolls = 0;       // looks at the board while an alarm showed
    int clampFreeInAlarm = 0; // of them, with the clamp free at the board
    bool bindSerials = false;
    std::function<void()> beforeWindow;
    platform::RecordingPanelDevice panel;
    ModalRunner previousModal;
};

} // namespace

TEST_F(EndToEnd, AMachineCycleOkThenNgAndTheSafetyDoorClearsTheAlarm)
{
    start();
    ASSERT_TRUE(waitFor([&] { return !atBoard(0) && !atBoard(1); })) << "detection started with free outputs";

    // Mold open: both prohibits reach the board at once.
    input(0, true);
    ASSERT_TRUE(waitFor([&] { return atBoard(0) && atBoard(1); }, 1000));
    // The product step's OK releases the ejector, the mold step's the clamp.
    ASSERT_TRUE(waitFor([&] { return !atBoard(1); }));
    EXPECT_TRUE(atBoard(0)) << "the clamp waits for the mold step";
    ASSERT_TRUE(waitFor([&] { return !atBoard(0); }));
    EXPECT_EQ(gAllNum[0], 1);
    EXPECT_EQ(gAllNum[1], 1);
    QFile count("count.txt");
    ASSERT_TRUE(count.open(QIODevice::ReadOnly));
    EXPECT_TRUE(count.readAll().startsWith("1")) << "the cycle's counters are on disk";
    count.close();
    const int recordsBefore = records().size();

    // The next cycle with a dark area before camera 1.
    input(0, false);
    setGrey(0, kNg);
    ASSERT_TRUE(showing(0, kNg));
    input(0, true);
    ASSERT_TRUE(waitFor([&] { return atBoard(2); })) << "alarm output";
    EXPECT_TRUE(atBoard(1)) << "the failed product step keeps the ejector prohibited";
    EXPECT_EQ(window->runState, 3) << "detection stopped";
    EXPECT_EQ(window->displayState, 2);
    EXPECT_EQ(gFailNum[0], 1);
    EXPECT_EQ(gFailNum[1], 0);
    const QStringList recs = records();
    ASSERT_EQ(recs.size(), recordsBefore + 1);
    EXPECT_EQ(recs.last(), "Camera 1Alarm");

    // The safety door with a good part: the re-judgement clears the alarm
    // and the image pair of the cleared alarm is written.
    setGrey(0, kOk);
    ASSERT_TRUE(showing(0, kOk));
    pulseInput(1);
    ASSERT_TRUE(waitFor([&] { return !atBoard(2); })) << "alarm cleared";
    EXPECT_EQ(window->runState, 1);
    EXPECT_NE(window->displayState, 2);
    // Detection goes on: the mold step follows the cleared product step at
    // once, and its OK releases the clamp the product step's NG prohibited.
    ASSERT_TRUE(waitFor([&] { return !atBoard(0); }));
    EXPECT_EQ(window->currentStep, 1);
    const QString ngDir = "alarmimage/camera1/detect1/NG";
    ASSERT_TRUE(waitFor([&] { return jpgs(ngDir).size() == 2; }, 8000)) << qPrintable(jpgs(ngDir).join(' '));
    EXPECT_TRUE(jpgs(ngDir).first().startsWith("1_")) << "named after the first failing region";
    EXPECT_TRUE(jpgs("alarmimage/camera2/detect1/NG").isEmpty());
    EXPECT_GT(alarmPolls, 0);
    EXPECT_EQ(clampFreeInAlarm, 0) << "the board held the clamp prohibited while the alarm showed";

}

TEST_F(EndToEnd, MindVisionCamerasCutToTheirWorkingSizeAreJudgedNotLost)
{
    // 1280 sensors with the lens optimisation on work at 1120 x 840.
    camsdk::resetSimulators();
    cameras.clear();
    camsdk::SimBus& bus = camsdk::simBus(camsdk::Vendor::MindVision);
    bus.setActive(true);
    for (const char* serial : {"SIM-E2E-01", "SIM-E2E-02"}) {
        camsdk::SimSpec spec;
        spec.serial = serial;
        spec.sensorWidth = 1280;
        spec.sensorHeight = 1024;
        cameras << bus.add(spec);
    }
    setGrey(0, kOk);
    setGrey(1, kOk);
    para.prohibit_optimize = 0;
    start();
    EXPECT_EQ(gImageW, 1120);
    EXPECT_EQ(gImageH, 840);
    ASSERT_TRUE(waitFor([&] { return !atBoard(0) && !atBoard(1); }));
    input(0, true);
    ASSERT_TRUE(waitFor([&] { return atBoard(0) && atBoard(1); }, 1000));
    ASSERT_TRUE(waitFor([&] { return !atBoard(0); })) << "the OK of both cameras releases the clamp";
    EXPECT_EQ(gAllNum[0], 1);
    EXPECT_EQ(gLost, 0);
    EXPECT_EQ(cameras[0]->frameWidth(), 1120);
    EXPECT_EQ(cameras[1]->frameHeight(), 840);
}

TEST_F(EndToEnd, PulseModeSignalsAnNgAndDetectionGoesOn)
{
    para.pulse_output = 1;
    para.mold_pulse = 3;
    para.detect_product = 0;
    start();
    setGrey(1, kNg);
    ASSERT_TRUE(showing(1, kNg));
    QList<int> seen;
    board.onOutputs = [&](int word) { seen << word; };
    input(0, true);
    ASSERT_TRUE(waitFor([&] { return atBoard(0) && atBoard(2) && !atBoard(1); }));
    ASSERT_TRUE(waitFor([&] { return !atBoard(0) && !atBoard(2); }, 2000)) << "the pulse ends";
    board.onOutputs = nullptr;
    EXPECT_EQ(window->runState, 1);
    EXPECT_EQ(gFailNum[1], 1);
    ASSERT_TRUE(waitFor([&] { return jpgs("alarmimage/camera2/detect2/NG").size() == 1; }, 5000))
        << "the NG image is written at once";
}

TEST_F(EndToEnd, ReChecksJudgeTheMoldStepAgainBeforeTheAlarm)
{
    para.detect_product = 0;
    para.front_auto_check_time = 2;
    start();
    setGrey(0, kNg);
    ASSERT_TRUE(showing(0, kNg));
    input(0, true);
    ASSERT_TRUE(waitFor([&] { return atBoard(2); }));
    EXPECT_EQ(window->recheckCount[1], 0) << "both re-checks ran";
    EXPECT_EQ(gFailNum[0], 1) << "counted once";
    EXPECT_EQ(records().last(), "Camera 1Alarm");

    // A good part at the re-check clears nothing by itself; the door does.
    setGrey(0, kOk);
    ASSERT_TRUE(showing(0, kOk));
    pulseInput(1);
    ASSERT_TRUE(waitFor([&] { return !atBoard(2) && window->runState == 1; }));
}

TEST_F(EndToEnd, MultiDetectionWalksItsStepsOnTheirInputs)
{
    para.procedure = para.procedure_requested = ProcMultiDetect;
    para.detect_count = 2;
    para.row_trigger[0] = 0; // choice 0 on input 0
    para.row_trigger[1] = 1; // choice 1 on input 2
    para.row_cut_mode[0] = 0;
    para.row_cut_mode[1] = 0;
    para.output_row[0] = 0;
    para.output_row[1] = 1;
    for (int s = 2; s < 8; ++s)
        para.output_row[s] = -1;
    start();
    const int firstOut = OutputNo[0] - 1; // output of step 0
    const int lastOut = OutputNo[7] - 1;  // the last step uses the clamp output
    input(0, true);
    ASSERT_TRUE(waitFor([&] { return gpWin->lastStartedStep == 0 && gAllNum[0] == 1; }));
    ASSERT_TRUE(waitFor([&] { return !atBoard(firstOut) && atBoard(lastOut); }))
        << "step 0 released, the last step still prohibited";
    input(2, true);
    ASSERT_TRUE(waitFor([&] { return !atBoard(lastOut); })) << "the last step's OK releases the clamp";
    EXPECT_TRUE(QFile::exists("count.txt"));
}

TEST_F(EndToEnd, HardwareTriggeredCamerasStartCyclesByThemselves)
{
    para.use_external_trigger = 1;
    start();
    QList<int> seen;
    board.onOutputs = [&](int word) { seen << word; };
    ASSERT_TRUE(waitFor([] { return gAllNum[0] >= 2 && gAllNum[1] >= 2; }, 8000))
        << "no board input needed; records: " << records().join('|').toStdString();
    board.onOutputs = nullptr;
    bool clamped = false;
    for (int w : seen)
        clamped = clamped || ioframe::outputActive(w, 0, *gpWPara);
    EXPECT_TRUE(clamped) << "each cycle prohibited the clamp at the board";
    EXPECT_EQ(board.inputs(), 0);
}

// A hardware-triggered camera that is gone: no cycle can start without its
// frames, so the loss comes from the library's status: the clamp is
// prohibited at the board, the loss journaled with its cause and shown
// once, and the camera back on the bus is back in the cycle.
TEST_F(EndToEnd, AHardwareTriggeredCameraThatIsGoneIsLostAndTheClampProhibited)
{
    para.use_external_trigger = 1;
    start();
    QStringList warnings;
    setModalRunner([&](QDialog& d) {
        for (QLabel* l : d.findChildren<QLabel*>())
            warnings << l->text();
        return int(QDialog::Accepted);
    });
    ASSERT_TRUE(waitFor([] { return gAllNum[0] >= 1 && gAllNum[1] >= 1; }, 8000));
    cameras[1]->setVanished(true);
    ASSERT_TRUE(waitFor([&] { return gisLost == 1; }, 3000)) << "lost within a few seconds";
    EXPECT_TRUE(waitFor([&] { return atBoard(0); }, 1000)) << "the clamp prohibited at the board";
    const QStringList recs = records();
    EXPECT_TRUE(recs.contains(LanStr(cameratext::kDeviceGone).arg(2).arg(mindvision::CAMERA_STATUS_DEVICE_LOST)))
        << qPrintable(recs.join('|'));
    EXPECT_TRUE(recs.contains("The 1th Camera Lost, 2"));
    EXPECT_TRUE(waitFor([&] { return warnings.filter(LanStr(39)).size() == 1; })) << "shown once";
    const int judged = gAllNum[0], judgedSecond = gAllNum[1];
    waitFor([] { return false; }, 500);
    EXPECT_TRUE(atBoard(0)) << "still prohibited";
    EXPECT_EQ(gAllNum[0], judged) << "no cycle without the lost camera";

    cameras[1]->setVanished(false);
    ASSERT_TRUE(waitFor([&] { return gisLost == 0; }, 8000)) << "restarted";
    EXPECT_TRUE(waitFor([&] { return gAllNum[1] > judgedSecond; }, 8000)) << "its frames start cycles again";
}

TEST_F(EndToEnd, TheCameraPastAFailedSlotIsJudgedAndNamedByItsSlot)
{
    failSlotOne();
    start();
    EXPECT_TRUE(records().contains(LanStr(cameratext::kMindFail).arg(mindvision::CAMERA_STATUS_DEVICE_IS_OPENED)))
        << "journaled in the language in force";
    EXPECT_FALSE(window->cameraViews[1]->isComplete()) << "slot 1 stays a shell";
    EXPECT_EQ(window->usedView(1), window->cameraViews[2]);
    // Both cameras side by side; the shell is never laid out.
    EXPECT_EQ(window->selectedCamera, 2);
    EXPECT_EQ(window->cameraViews[0]->geometry(), QRect(0, 0, 862, 982));
    EXPECT_EQ(window->cameraViews[2]->geometry(), QRect(862, 0, 862, 982));
    EXPECT_TRUE(window->cameraViews[1]->isHidden());
    ASSERT_TRUE(waitFor([&] { return !atBoard(0) && !atBoard(1); }));

    // A good cycle counts the cameras of slots 0 and 2.
    input(0, true);
    ASSERT_TRUE(waitFor([&] { return atBoard(0) && atBoard(1); }, 1000));
    ASSERT_TRUE(waitFor([&] { return !atBoard(0) && !atBoard(1); }));
    EXPECT_EQ(gAllNum[0], 1);
    EXPECT_EQ(gAllNum[1], 0);
    EXPECT_EQ(gAllNum[2], 1);

    // A dark area before the camera of slot 2 is an alarm naming camera 3.
    input(0, false);
    setGrey(2, kNg);
    ASSERT_TRUE(showing(2, kNg));
    input(0, true);
    ASSERT_TRUE(waitFor([&] { return atBoard(2); })) << "alarm output";
    EXPECT_EQ(window->displayState, 2);
    EXPECT_EQ(records().last(), "Camera 3Alarm");
    EXPECT_EQ(gFailNum[0], 0);
    EXPECT_EQ(gFailNum[1], 0);
    EXPECT_EQ(gFailNum[2], 1);
    EXPECT_TRUE(window->cameraViews[2]->blinkTimer->isActive());

    // Cleared by the door with a good part: the images of the alarm go into
    // the folder of camera 3.
    setGrey(2, kOk);
    ASSERT_TRUE(showing(2, kOk));
    pulseInput(1);
    ASSERT_TRUE(waitFor([&] { return !atBoard(2); })) << "alarm cleared";
    ASSERT_TRUE(waitFor([&] { return jpgs("alarmimage/camera3/detect1/NG").size() == 2; }, 8000));
    EXPECT_TRUE(jpgs("alarmimage/camera2/detect1/NG").isEmpty());
}

TEST_F(EndToEnd, HardwareTriggeredCamerasPastAFailedSlotStartCycles)
{
    para.use_external_trigger = 1;
    failSlotOne();
    start();
    ASSERT_TRUE(waitFor([] { return gAllNum[0] >= 2 && gAllNum[2] >= 2; }, 8000))
        << "a frame of each camera in use is a trigger; the empty slot delivers none";
    EXPECT_EQ(gAllNum[1], 0);
}

// A manual snapshot that ends in an alarm sets the alarm outputs: the clamp
// and, for the product step, the ejector prohibited.
TEST_F(EndToEnd, AManualTriggerThatEndsInAnAlarmProhibitsClampAndEjector)
{
    start();
    ASSERT_TRUE(waitFor([&] { return !atBoard(0) && !atBoard(1); }));
    setGrey(1, kNg);
    ASSERT_TRUE(showing(1, kNg));
    window->SlotManualTrig(0);
    ASSERT_TRUE(waitFor([&] { return window->displayState == 2; }));
    EXPECT_EQ(window->currentStep, 0);
    ASSERT_TRUE(waitFor([&] { return atBoard(0) && atBoard(1) && atBoard(2); }, 1000));
    EXPECT_EQ(records().last(), "Camera 2Alarm");
    alarmPolls = clampFreeInAlarm = 0; // the board had the alarm's word; from here on it must keep it
    waitFor([] { return false; }, 400);
    EXPECT_GT(alarmPolls, 0);
    EXPECT_EQ(clampFreeInAlarm, 0);
}

// Procedure 2 with set B: the cycle starts by input 3, the selector turns to
// set B, and the judged steps are 2 and 3, not 0 and 1.
TEST_F(EndToEnd, TheTwoMoldProcedureJudgesSetBOnItsOwnSteps)
{
    para.procedure = para.procedure_requested = ProcTurntable;
    para.cavity_position = 1; // set B only
    para.detect_product = 0;
    para.detect_delay[1] = 2;
    regionSteps = {3}; // only set B's mold step looks for a stuck part
    start();
    setGrey(0, kNg);
    ASSERT_TRUE(showing(0, kNg));
    input(3, true);
    ASSERT_TRUE(waitFor([&] { return window->displayState == 2; })) << "step 3 saw the stuck part";
    EXPECT_EQ(window->leftMoldActive, 0);
    EXPECT_EQ(window->currentStep, 3);
    EXPECT_TRUE(atBoard(0));
    ASSERT_TRUE(waitFor([&] { return atBoard(2); }, 1000));
    EXPECT_EQ(gFailNum[0], 1);
    EXPECT_EQ(records().last(), "Camera 1Alarm");
}

// A camera that stops delivering without an error: the step waits for a
// frame of this cycle, then the camera is lost (journaled, shown, clamp
// prohibited) instead of judged on the last frame it sent; once it is back
// a new cycle releases the clamp.
TEST_F(EndToEnd, AStalledCameraIsLostNotJudgedOnItsLastFrame)
{
    para.detect_product = 0;
    start();
    ASSERT_TRUE(waitFor([&] { return !atBoard(0); }));
    QStringList warnings;
    setModalRunner([&](QDialog& d) {
        for (QLabel* l : d.findChildren<QLabel*>())
            warnings << l->text();
        return int(QDialog::Accepted);
    });
    cameras[1]->setStalled(true); // its last frame shows the empty mold
    input(0, true);
    ASSERT_TRUE(waitFor([&] { return gisLost == 1; }, 3000));
    EXPECT_EQ(gAllNum[0], 0) << "the step was not judged";
    EXPECT_TRUE(atBoard(0));
    const QStringList recs = records();
    EXPECT_TRUE(recs.filter(QRegularExpression("^Camera 2 delivered no new frame within \\d+ ms of the step's start$"))
                    .size() == 1)
        << qPrintable(recs.join('|'));
    EXPECT_EQ(recs.last(), "The 1th Camera Lost, 2");
    EXPECT_TRUE(waitFor([&] { return warnings.filter(LanStr(39)).size() == 1; })) << "shown once the pass returned";
    auto row = [&] { return window->titleBar->cameraRows[1]->messageLabel->text(); };
    EXPECT_TRUE(row().endsWith(LanStr(1630))) << "why the clamp is held: " << row().toStdString();

    cameras[1]->setStalled(false);
    ASSERT_TRUE(waitFor([&] { return gisLost == 0; }, 8000)) << "restarted";
    EXPECT_TRUE(records().contains("Camera Restart"));
    const int taken = window->frameCount[1];
    ASSERT_TRUE(waitFor([&] { return window->frameCount[1] > taken; })) << "the passes go on with new frames";
    EXPECT_TRUE(atBoard(0)) << "the old cycle releases nothing";
    input(0, false);
    input(0, true);
    ASSERT_TRUE(waitFor([&] { return !atBoard(0); })) << "a new cycle does";
    EXPECT_EQ(gAllNum[1], 1);
    EXPECT_FALSE(row().contains(LanStr(1630))) << "judged again";
}

// A camera loading its defaults sends no frames: a step that starts
// meanwhile is not judged on the camera's last frame from before. It is a
// loss with the clamp prohibited, told with its reason; the camera is
// reopened once the load is done, and the next cycle is judged again.
TEST_F(EndToEnd, AStepWhileACameraLoadsItsDefaultsIsNotJudgedOnItsLastFrame)
{
    para.detect_product = 0;
    start();
    ASSERT_TRUE(waitFor([&] { return !atBoard(0); }));
    QStringList warnings;
    setModalRunner([&](QDialog& d) {
        for (QLabel* l : d.findChildren<QLabel*>())
            warnings << l->text();
        return int(QDialog::Accepted);
    });
    cameras[1]->setCallDelayMs("CameraLoadParameter", 1500);
    auto answered = std::make_shared<int>(-1);
    window->cameraViews[1]->RestoreDefaultSettings([answered](bool restored) { *answered = restored; });
    input(0, true); // its last frame shows the empty mold
    ASSERT_TRUE(waitFor([&] { return gisLost == 1; }, 3000));
    EXPECT_EQ(*answered, -1) << "still loading";
    EXPECT_EQ(gAllNum[1], 0) << "the step was not judged";
    EXPECT_TRUE(atBoard(0));
    const QStringList recs = records();
    const QString why = LanStr(cameratext::kLostWhileRestoring).arg(2);
    EXPECT_EQ(recs.filter(QRegularExpression("^Camera 2 delivered no new frame within \\d+ ms of the step's start$")).size(), 1)
        << qPrintable(recs.join('|'));
    EXPECT_EQ(recs.mid(recs.size() - 2), (QStringList{"The 1th Camera Lost, 2", why}));
    EXPECT_TRUE(waitFor([&] { return warnings.filter(why).size() == 1; })) << "shown once the pass returned";

    ASSERT_TRUE(waitFor([&] { return *answered == 1 && gisLost == 0; }, 8000)) << "loaded, then restarted";
    EXPECT_TRUE(cameras[1]->overlaps().isEmpty()) << qPrintable(cameras[1]->overlaps().join(" | "));
    const int taken = window->frameCount[1];
    ASSERT_TRUE(waitFor([&] { return window->frameCount[1] > taken; })) << "the passes go on with new frames";
    EXPECT_TRUE(atBoard(0)) << "the old cycle releases nothing";
    input(0, false);
    input(0, true);
    ASSERT_TRUE(waitFor([&] { return !atBoard(0); })) << "a new cycle does";
    EXPECT_EQ(gAllNum[1], 1);
}

// Another camera count than the stored one (three serials stored, two
// cameras on the bus): the serials are saved and the system restarts through
// the one restart path, which the system accepts or refuses. Until it
// happens, and after a refusal, detection stays stopped with the clamp
// prohibited: a trigger judges nothing.
class CameraCountRestart : public EndToEnd {
protected:
    void startRestarting(bool refused)
    {
        camsdk::SimSpec spec;
        spec.serial = "SIM-E2E-03";
        cameras << camsdk::simBus(camsdk::Vendor::MindVision).add(spec);
        cameras[2]->setVanished(true);
        bindSerials = true;
        platform::CommandResult reboot;
        reboot.started = true;
        reboot.exitCode = refused ? 1 : 0;
        testenv::commands().clear();
        testenv::commands().script("reboot", reboot);
        setModalRunner([&](QDialog& d) {
            for (QLabel* l : d.findChildren<QLabel*>())
                shown << l->text();
            return int(QDialog::Accepted);
        });
        start();
        testenv::commands().script("reboot", platform::CommandResult{true, 0, {}, {}});
        EXPECT_EQ(testenv::commands().lines().filter("reboot"), QStringList{"reboot"});
        waitFor([] { return false; }, 300); // passes and board polls
        EXPECT_EQ(window->runState, 3) << "detection stays stopped";
        EXPECT_TRUE(atBoard(0));
        input(0, true);
        waitFor([] { return false; }, 300);
        EXPECT_EQ(gAllNum[0], 0) << "a trigger judges nothing";
        EXPECT_TRUE(atBoard(0));
    }
    QStringList shown;
};

// Accepted: nothing is journaled into the closed databases (a record would
// open the journal again), the last record says why detection stopped.
TEST_F(CameraCountRestart, DetectionStaysStoppedUntilTheRestart)
{
    startRestarting(false);
    EXPECT_FALSE(QSqlDatabase::database("dbRecord", false).isOpen()) << "nothing journaled after the close";
    EXPECT_TRUE(shown.filter(LanStr(maintenance::kRowRestartFailed)).isEmpty());
    const QStringList recs = records();
    const int asked = recs.indexOf(LanStr(cycletext::kCameraCountRestart));
    ASSERT_GE(asked, 0);
    EXPECT_EQ(recs.indexOf(LanStr(maintenance::kRowHaltedForRestart)), asked + 1);
    EXPECT_EQ(recs.size(), asked + 2) << qPrintable(recs.join('|'));
}

// Refused: shown and journaled; detection stays stopped as the journal says,
// and the program goes on with its databases open and its start-up records.
TEST_F(CameraCountRestart, ARefusedRestartKeepsDetectionStopped)
{
    startRestarting(true);
    EXPECT_FALSE(shown.filter(LanStr(maintenance::kRowRestartFailed)).isEmpty()) << "the refusal is shown";
    for (const char* c : {"dbIn", "dbRecord", "dbT"})
        EXPECT_TRUE(QSqlDatabase::database(c, false).isOpen()) << c;
    const QStringList recs = records();
    const int asked = recs.indexOf(LanStr(cycletext::kCameraCountRestart));
    ASSERT_GE(asked, 0);
    const int halted = recs.indexOf(LanStr(maintenance::kRowHaltedForRestart));
    const int stays = recs.indexOf(LanStr(maintenance::kRowRestartRefusedHalted));
    EXPECT_GT(halted, asked);
    EXPECT_GT(stays, halted);
    EXPECT_GT(recs.indexOf(LanStr(150).arg(2)), stays) << "ready, once the journal is open again";
    EXPECT_GT(recs.indexOf(LanStr(cycletext::kCameraCountRestartFailed)), stays);
}

// The disk refuses to clear the stored serials (another connection keeps
// its lock past the busy timeout): a restart would ask the same again, so
// none is asked for; the refusal is shown and journaled, SN.db keeps its
// serials, and detection runs with the cameras found.
TEST_F(CameraCountRestart, ASerialClearTheDiskRefusesRestartsNothing)
{
    camsdk::SimSpec spec;
    spec.serial = "SIM-E2E-03";
    cameras << camsdk::simBus(camsdk::Vendor::MindVision).add(spec);
    cameras[2]->setVanished(true);
    bindSerials = true;
    std::unique_ptr<sqlfaults::Lock> lock;
    QByteArray before;
    beforeWindow = [&] {
        QFile f("SN.db");
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        before = f.readAll();
        lock = std::make_unique<sqlfaults::Lock>("SN.db", sqlfaults::Lock::Shared);
        ASSERT_TRUE(lock->held());
    };
    testenv::commands().clear();
    setModalRunner([&](QDialog& d) {
        for (QLabel* l : d.findChildren<QLabel*>())
            shown << l->text();
        return int(QDialog::Accepted);
    });
    start();
    lock.reset();
    EXPECT_TRUE(testenv::commands().lines().filter("reboot").isEmpty());
    EXPECT_FALSE(shown.filter(LanStr(cameratext::kSerialsNotSaved)).isEmpty());
    const QStringList recs = records();
    EXPECT_GE(recs.indexOf(LanStr(cameratext::kSerialsNotSaved)), 0);
    EXPECT_LT(recs.indexOf(LanStr(cycletext::kCameraCountRestart)), 0);
    QFile f("SN.db");
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), before) << "the stored serials stay";
    para.detect_product = 0;
    ASSERT_TRUE(waitFor([&] { return !atBoard(0); })) << "detection runs and releases on OK";
}

// Nobody answers the loss box: while it stays open the recovery runs, the
// camera comes back and the next cycle is judged and releases the clamp.
TEST_F(EndToEnd, TheCycleGoesOnWhileTheLossBoxIsOpen)
{
    para.detect_product = 0;
    start();
    ASSERT_TRUE(waitFor([&] { return !atBoard(0); }));
    int lossBoxes = 0;
    bool open = false, recovered = false, released = false;
    setModalRunner([&](QDialog& d) {
        QStringList texts;
        for (QLabel* l : d.findChildren<QLabel*>())
            texts << l->text();
        if (!texts.join('|').contains(LanStr(39)))
            return int(QDialog::Accepted);
        ++lossBoxes;
        open = true;
        EXPECT_TRUE(atBoard(0)) << "prohibited before the box";
        cameras[1]->setStalled(false);
        recovered = waitFor([&] { return gisLost == 0; }, 8000);
        if (recovered) {
            const int judged = gAllNum[1];
            input(0, false);
            input(0, true);
            released = waitFor([&] { return gAllNum[1] > judged && !atBoard(0); }, 3000);
        }
        open = false;
        return int(QDialog::Accepted); // the operator comes back at last
    });
    cameras[1]->setStalled(true);
    input(0, true);
    ASSERT_TRUE(waitFor([&] { return lossBoxes > 0 && !open; }, 20000)) << "the loss was shown";
    EXPECT_EQ(lossBoxes, 1) << "once per loss";
    EXPECT_TRUE(recovered) << "the recovery ran while the box was open";
    EXPECT_TRUE(released) << "the next cycle was judged and released while the box was open";
    EXPECT_TRUE(records().contains("Camera Restart"));
}
