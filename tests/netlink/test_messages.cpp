// The link's message bodies and records: golden JSON of the parameter and
// region messages from a fixture database, the statistics arithmetic, the
// manual-stop record across stops and restarts, reminders, the cycle and
// alarm-release messages, and form texts as the client decodes them.
#include "linkfixture.h"

#include "inspection/cammerdata.h"
#include "inspection/cammersingleton.h"
#include "inspection/paramroi.h"
#include "params/geometry.h"
#include "params/lanstr.h"
#include "platform/clock.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <cjson/cJSON.h>
#include <cstring>
#include <thread>

namespace {

QJsonObject object(const QByteArray& json) { return QJsonDocument::fromJson(json).object(); }

QByteArray goldenPath(const char* name)
{
    return (testenv::sourceDir() + "/tests/netlink/golden/" + name).toUtf8();
}

// Compares with the golden file; INMOLD_WRITE_GOLDEN=1 rewrites it.
void expectGolden(const QByteArray& body, const char* name)
{
    const QString path = QString::fromUtf8(goldenPath(name));
    if (qEnvironmentVariableIsSet("INMOLD_WRITE_GOLDEN")) {
        QFile out(path);
        ASSERT_TRUE(out.open(QIODevice::WriteOnly | QIODevice::Truncate));
        out.write(body);
    }
    QFile in(path);
    ASSERT_TRUE(in.open(QIODevice::ReadOnly)) << path.toStdString();
    EXPECT_EQ(body.toStdString(), in.readAll().toStdString()) << name;
}

} // namespace

class LinkMessages : public LinkTest {
protected:
    void SetUp() override
    {
        LinkTest::SetUp();
        platform::Clock::setInstance(&clock);
        // No serial bound, as in a new process: a case run before (a window
        // that loaded "SN.db") may have left its bindings.
        std::memset(gSerialNB, 0, sizeof gSerialNB);
    }
    void TearDown() override
    {
        link.reset();
        CloseSqlite(kParamConnection);
        CloseSqlite(kSerialConnection);
        platform::Clock::setInstance(nullptr);
        gLan = 0;
        std::memset(gSerialNB, 0, sizeof gSerialNB);
        LinkTest::TearDown();
    }

    void makeMessageLink()
    {
        makeLink();
        link->systemCard.hostName = "panel-07";
        link->sources.runState = [this] { return runState; };
        link->sources.cycleTime = [this] { return cycleTenths; };
        link->sources.cameras = [this] { return cameras; };
        link->sources.allCount = [this](int s) { return all[s]; };
        link->sources.failCount = [this](int s) { return fail[s]; };
        link->sources.releaseCode = [this] { return releaseCode; };
    }

    // The body of the next queued frame, after checking its head.
    QByteArray take(int kind)
    {
        LinkQueue::Frame f;
        if (!link->sendQueue.takeFront(&f)) {
            ADD_FAILURE() << "no frame queued, expected kind " << kind;
            return {};
        }
        const int headEnd = f.bytes.indexOf(":..!") + 4;
        const QByteArray body = f.bytes.mid(headEnd);
        EXPECT_EQ(f.kind, kind);
        EXPECT_EQ(f.bytes.left(headEnd), linkframe::frameHead(kind, body.size()));
        return body;
    }

    platform::ManualClock clock{QDateTime(QDate(2026, 1, 15), QTime(9, 58))};
    int runState = 1;
    int cycleTenths = 0;
    QVector<int> cameras{0};
    int all[8] = {};
    int fail[8] = {};
    int releaseCode = 0;
};

TEST_F(LinkMessages, ParameterMessageFromAFixtureDatabase)
{
    para.detect_delay[0] = 5;
    para.detect_delay[1] = 12;
    para.detect_delay[3] = 3;
    setParamText(para.password, "1234");
    setParamText(para.CntNet_ProName, QStringLiteral("外壳 A").toUtf8());
    setParamText(para.CntNet_Operator, QStringLiteral("李工").toUtf8());
    const int addr[4] = {192, 168, 1, 50}, mask[4] = {255, 255, 255, 0}, gw[4] = {192, 168, 1, 1};
    std::copy(addr, addr + 4, para.local_addr);
    std::copy(mask, mask + 4, para.net_mask);
    std::copy(gw, gw + 4, para.gateway);
    para.min_spot = 17;
    para.output_initial_state[2] = 1;
    para.expose_time[0] = 300;
    para.adjust_plus[0] = 40;
    para.sharp[1] = 5;
    para.contrast[1] = 110;
    para.mold_pulse = 30;
    para.enable_network = 1;
    gLan = 1;
    makeMessageLink();
    ASSERT_TRUE(CreateSerialDatabase("SN.db"));
    ASSERT_TRUE(OpenSqlite(kParamConnection, "PARAM.db"));
    ASSERT_TRUE(OpenSqlite(kSerialConnection, "SN.db"));
    QSqlQuery(QSqlDatabase::database(kSerialConnection)).exec("update sysparam set value='KE0123456789' where name='serialNB0'");
    gpWPara->LoadDatafromFile();
    all[0] = 1200;
    fail[0] = 37;

    link->CNT_SendParam();
    const QByteArray body = take(linkframe::KindParam);
    expectGolden(body, "param.json");
    const QJsonObject o = object(body);
    EXPECT_EQ(o.value("enable_stop_check"), o.value("min_spot"));
    EXPECT_EQ(o.value("camera").toArray().size(), 8) << "eight objects whatever the cameras";
}

TEST_F(LinkMessages, ParameterMessageFollowsEverySaveWithAClient)
{
    makeMessageLink();
    ASSERT_TRUE(OpenSqlite(kParamConnection, "PARAM.db"));
    ASSERT_TRUE(gpWPara->SaveDatatoFile());
    EXPECT_EQ(link->sendQueue.size(), 0) << "no client: no parameter message";
    StandInClient& c = connectClient();
    ASSERT_TRUE(gpWPara->SaveDatatoFile());
    ASSERT_TRUE(waitFor([&] { return c.frameCount() == 1; }));
    EXPECT_EQ(c.frames()[0].kind, 2);
    gpWPara->cntnet_enable = 0;
    ASSERT_TRUE(gpWPara->SaveDatatoFile());
    QTest::qWait(100);
    EXPECT_EQ(c.frameCount(), 1) << "the parameter switched off";
}

TEST_F(LinkMessages, RegionMessagesFromAFixtureDatabase)
{
    SetImageGeometry(1725, 982, false);
    gShowW = 1725;
    gShowH = 982;
    gDNum = 2;
    makeMessageLink();
    ASSERT_TRUE(OpenSqlite(kParamConnection, "PARAM.db"));
    // Rows as the region store writes them: a rectangle, a ring (inner
    // radius 100, outer 300), a polygon and a shape of unknown kind.
    QSqlQuery q(QSqlDatabase::database(kParamConnection));
    q.exec("create table if not exists cammer0(name text, value text)");
    for (const char* row : {"insert into cammer0 values('detect1', '4 0 0 0 0 0 0 0 0')",
                            "insert into cammer0 values('ROI1-0', '4 30 250 4 1 2 0 100 120 300 220')",
                            "insert into cammer0 values('ROI1-1', '0 70 0 6 4 0 0 700 500 6553900')",
                            "insert into cammer0 values('ROI1-2', '1 50 900 8 2 3 4 400 100 600 120 550 300 420 260 ')",
                            "insert into cammer0 values('ROI1-3', '2 10 20 1 9 0 0 0 0 0 0')"})
        ASSERT_TRUE(q.exec(row)) << row;
    CammerData view(0);
    CammerSingleton store(0);
    ASSERT_TRUE(store.LoadDatafromFile(&view));
    link->sources.regions = [&](int camera) { return camera == 0 ? &store : nullptr; };

    link->CNT_SendROIParam(0, 1);
    const QByteArray body = take(linkframe::KindRoiParam);
    expectGolden(body, "roi_camera1_step2.json");
    const QJsonArray roi = object(body).value("roi").toArray();
    ASSERT_EQ(roi.size(), 4);
    EXPECT_EQ(roi[1].toObject().value("in_r").toInt(), 100);
    EXPECT_EQ(roi[1].toObject().value("out_r").toInt(), 300);

    // An empty step: count 0 and an empty list; a camera without a store: nothing.
    link->CNT_SendROIParam(0, 5);
    const QJsonObject empty = object(take(linkframe::KindRoiParam));
    EXPECT_EQ(empty.value("count").toInt(), 0);
    EXPECT_EQ(empty.value("detect").toInt(), 6);
    EXPECT_TRUE(empty.value("roi").toArray().isEmpty());
    link->CNT_SendROIParam(3, 1);
    EXPECT_EQ(link->sendQueue.size(), 0);
}

TEST(LinkRecords, StatisticsArithmetic)
{
    struct Case {
        const char* name;
        QVector<QPair<int, int>> counts; // per camera: judged, NG
        int cavities;
        qint64 rate, produce, okRate, notOkRate; // rates of camera 0's steps
    } cases[] = {
        {"nothing judged", {{0, 0}}, 4, 0, 0, 0, 0},
        {"1000 judged, 37 NG, 4 cavities", {{1000, 37}}, 4, 370, 3852, 9630, 370},
        {"250 judged, 5 NG", {{250, 5}}, 6, 200, 1470, 9800, 200},
        {"counts past 32-bit products", {{300000, 299999}}, 10, 9999, 10, 0, 9999},
        {"totals from the busiest camera", {{1000, 37}, {400, 100}}, 1, 1000, 900, 9630, 370},
        {"no camera in use", {}, 4, 0, 0, 0, 0},
    };
    for (const Case& c : cases) {
        CNT_Path_Statistics s(1000);
        s.countAlarm(0, 1, 2);
        StatisticsInputs in;
        in.nowMs = 1000 + 3600000;
        in.stopMinutes = 10;
        for (int i = 0; i < c.counts.size(); ++i) {
            in.cameras << i;
            in.all[i] = c.counts[i].first;
            in.fail[i] = c.counts[i].second;
        }
        in.cavities = c.cavities;
        in.capacity = 5000;
        in.cycleTenths = 123;
        ASSERT_TRUE(s.update(in, 400, 350)) << c.name;
        EXPECT_EQ(s.ng_notification_rate, c.rate) << c.name;
        EXPECT_EQ(s.real_produce, c.produce) << c.name;
        EXPECT_EQ(s.utc_watch_total, 3600000 - 600000) << c.name;
        EXPECT_EQ(s.watch_circle, 12300) << c.name;
        const CNT_Path_Statistics_Detect& d = s.cameras.at(0).detects.at(1);
        EXPECT_EQ(d.ok_rate, c.okRate) << c.name;
        EXPECT_EQ(d.not_ok_rate, c.notOkRate) << c.name;
        EXPECT_EQ(d.produce, 5000) << c.name;
        EXPECT_EQ(s.cameras.at(0).now_monitor_period, 400) << c.name;
        EXPECT_EQ(s.cameras.at(0).average_monitor_period, 350) << c.name;
    }

    // Alarm entries are made on first use and counted after.
    CNT_Path_Statistics s;
    s.countAlarm(0, 1, 2);
    EXPECT_EQ(s.cameras.at(0).camera_id, "1");
    EXPECT_EQ(s.cameras.at(0).detects.at(1).time, 2);
    EXPECT_EQ(s.cameras.at(0).detects.at(1).alarms.at(2).alarm_area_num, 3);
    EXPECT_EQ(s.cameras.at(0).detects.at(1).alarms.at(2).alarm_result, 1);
    s.countAlarm(0, 1, 2);
    EXPECT_EQ(s.cameras.at(0).detects.at(1).alarms.at(2).alarm_result, 2);
    // A key outside the eight cameras or steps refuses the update.
    s.countAlarm(8, 0, 0);
    EXPECT_FALSE(s.update(StatisticsInputs(), 0, 0));

    // Recent alarm durations: one dropped per call above 100.
    QVector<qint64> times;
    for (int i = 1; i <= 102; ++i)
        times << i * 1000;
    EXPECT_EQ(MeanAlarmDuration(times), 52000) << "the oldest of 102 dropped first";
    EXPECT_EQ(times.size(), 101);
    MeanAlarmDuration(times);
    EXPECT_EQ(times.size(), 100);
    EXPECT_EQ(times.first(), 3000);
    QVector<qint64> none;
    EXPECT_EQ(MeanAlarmDuration(none), 0);
}

TEST_F(LinkMessages, FormTextsArriveWholeAtTheClient)
{
    para.alarm_sms = 1;
    setParamText(para.CntNet_MsgTechName, "Wang & Co");
    setParamText(para.CntNet_MsgTechNum, "+86 138=0000");
    makeMessageLink();
    StandInClient& c = connectClient();
    const QDateTime when(QDate(2026, 1, 15), QTime(10, 0, 1, 250));
    link->CNT_SendRecord(when, LanStr(156), QStringLiteral("Camera 1 Alarm & reset=done 100%"));
    link->CNT_SendTelInfo(1, 3);
    link->CNT_SendSaveNgVideo(1, 1);
    link->CNT_SendDelTempPic(2, 1, "template3.bmp");
    link->CNT_SendAlarmPic("/prog/alarmimage/camera1/detect2/NG/x.jpg");
    link->CNT_SendGetProduct();
    ASSERT_TRUE(waitFor([&] { return c.frameCount() == 6; }));
    const auto f = c.frames();
    using Pairs = QList<QPair<QString, QString>>;
    EXPECT_EQ(f[0].kind, 1);
    EXPECT_EQ(StandInClient::decodeForm(f[0].body),
              (Pairs{{"device_id", "panel-07"}, {"operater", LanStr(156)},
                     {"utc", QString::number(when.toMSecsSinceEpoch())},
                     {"description", "Camera 1 Alarm & reset=done 100%"}}));
    EXPECT_EQ(StandInClient::decodeForm(f[1].body),
              (Pairs{{"device_id", "panel-07"}, {"check_id", "2"}, {"product_count", "3"},
                     {"worker_name", "Wang & Co"}, {"mobile", "+86 138=0000"}}));
    EXPECT_EQ(StandInClient::decodeForm(f[2].body),
              (Pairs{{"device_id", "panel-07"}, {"camera_id", "1"}, {"product", "no set"}, {"isng", "1"}}));
    const Pairs del = StandInClient::decodeForm(f[3].body);
    ASSERT_EQ(del.size(), 6);
    EXPECT_EQ(del[0], (QPair<QString, QString>{"deviceId", "panel-07"}));
    EXPECT_EQ(del[1], (QPair<QString, QString>{"cameraId", "2"}));
    EXPECT_EQ(del[2], (QPair<QString, QString>{"detectId", "1"}));
    EXPECT_EQ(del[3], (QPair<QString, QString>{"template", "template3.bmp"}));
    EXPECT_EQ(del[4], (QPair<QString, QString>{"utc", QString::number(clock.now().toMSecsSinceEpoch())}));
    EXPECT_EQ(del[5], (QPair<QString, QString>{"operator", "--"}));
    EXPECT_EQ(f[4].body, "/prog/alarmimage/camera1/detect2/NG/x.jpg");
    EXPECT_EQ(f[5].kind, 14);
    EXPECT_TRUE(f[5].body.isEmpty());
}

TEST_F(LinkMessages, StatisticsAreStoredSentAndCarriedAcrossARestart)
{
    para.product_moldcavity = 4;
    para.product_num = 5000;
    para.product_serial = 42;
    setParamText(para.CntNet_ProName, QStringLiteral("外壳").toUtf8());
    makeMessageLink();
    const qint64 start = clock.now().toMSecsSinceEpoch();
    all[0] = 1000;
    fail[0] = 37;
    cycleTenths = 85;
    link->ChkandAddStaticticsItem(0, 1, 2);
    link->CNT_AddNgTimes(4000);
    link->CNT_AddNgTimes(6000);
    clock.advanceMs(60000);
    link->CNT_SendStatistics("null");
    const QByteArray body = take(linkframe::KindStatistics);
    EXPECT_EQ(linkrecord::readFile(linkrecord::kStatisticsFile), body) << "the file holds what was sent";
    QJsonObject o = object(body);
    EXPECT_EQ(o.value("state").toInt(), 0);
    EXPECT_EQ(o.value("product_name").toString(), QStringLiteral("外壳"));
    EXPECT_EQ(o.value("product_serial").toString(), "42");
    EXPECT_EQ(o.value("ng_notification_rate").toInt(), 370);
    EXPECT_EQ(o.value("real_produce").toInt(), 3852);
    EXPECT_EQ(o.value("watch_circle").toInt(), 8500);
    EXPECT_EQ(o.value("total_stop_alarm_timelen").toInt(), 10000);
    EXPECT_EQ(qint64(o.value("start_utc").toDouble()), start);
    EXPECT_EQ(o.value("ng_image").toString(), "null");
    const QJsonObject cam = o.value("camera").toObject().value("ng").toArray()[0].toObject();
    EXPECT_EQ(cam.value("camera_id").toString(), "1");
    EXPECT_EQ(cam.value("now_monitor_period").toInt(), 6000);
    EXPECT_EQ(cam.value("average_monitor_period").toInt(), 5000);
    const QJsonObject step = cam.value("ng_monitors").toArray()[0].toObject();
    EXPECT_EQ(step.value("time").toInt(), 2);
    EXPECT_EQ(step.value("ok_rate").toInt(), 9630);
    EXPECT_EQ(step.value("alarm").toArray()[0].toObject().value("alarm_result").toInt(), 1);

    // A new start reads the record back: the period and the counts go on.
    link.reset();
    clock.advanceMs(3600000);
    makeMessageLink();
    EXPECT_EQ(link->statistics.start_utc, start);
    link->ChkandAddStaticticsItem(0, 1, 2);
    EXPECT_EQ(link->statistics.cameras.at(0).detects.at(1).alarms.at(2).alarm_result, 2);

    // The reset of the settings pages (files removed, then reloaded) starts
    // over with nothing counted, also in memory.
    QFile::remove(linkrecord::kStatisticsFile);
    link->InitStatistics();
    EXPECT_EQ(link->statistics.start_utc, clock.now().toMSecsSinceEpoch());
    EXPECT_TRUE(link->statistics.cameras.empty());
    EXPECT_TRUE(link->ngTimes.isEmpty());
    EXPECT_EQ(link->statistics.total_stop_alarm_timelen, 0);
}

TEST_F(LinkMessages, StatisticsFileWithAMissingKeyIsDeleted)
{
    makeMessageLink();
    QDir().mkpath("cnt_net/data");
    QFile f(linkrecord::kStatisticsFile);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("{\"product_name\": \"P9\", \"product_serial\": \"7\", \"products_num\": 300}");
    f.close();
    link->InitStatistics();
    EXPECT_FALSE(QFile::exists(linkrecord::kStatisticsFile));
    EXPECT_EQ(link->statistics.product_name, "P9");
    EXPECT_EQ(link->statistics.product_serial, "7");
    EXPECT_EQ(link->statistics.products_num, 300);

    // A file longer than 8 KiB is read whole.
    CNT_Path_Statistics big(5);
    for (int r = 0; r < 50; ++r)
        for (int d = 0; d < 8; ++d)
            big.countAlarm(0, d, r);
    const QByteArray text = linkrecord::printAndDelete(big.toJson("x", 0, 5, "null"));
    ASSERT_GT(text.size(), 8192);
    ASSERT_TRUE(linkrecord::writeFileAtomically(linkrecord::kStatisticsFile, text));
    link->InitStatistics();
    EXPECT_EQ(link->statistics.cameras.at(0).detects.size(), 8u);
    EXPECT_EQ(link->statistics.cameras.at(0).detects.at(7).alarms.size(), 50u);
}

TEST_F(LinkMessages, StatisticsFromTheImageWriterAreBuiltOnTheLinksThread)
{
    makeMessageLink();
    std::thread writer([&] {
        for (int i = 0; i < 20; ++i)
            link->CNT_SendStatistics(QStringLiteral("./alarmimage/%1.jpg").arg(i));
    });
    writer.join();
    EXPECT_EQ(link->sendQueue.size(), 0) << "handed over, not built on the writer's thread";
    ASSERT_TRUE(waitFor([&] { return link->sendQueue.size() == 20; }));
    EXPECT_EQ(object(take(linkframe::KindStatistics)).value("ng_image").toString(), "./alarmimage/0.jpg");
}

TEST(LinkRecords, ManualStopAcrossStopsAndRestarts)
{
    const QDate day(2026, 1, 15);
    auto at = [&](int h, int m, int s = 0) { return QDateTime(day, QTime(h, m, s)); };
    struct Step {
        bool stop;
        QDateTime when;
        const char* slot;
        int minutes;
    };
    struct Case {
        const char* name;
        std::vector<Step> steps;
    } cases[] = {
        {"stop 09:58, restart 10:41", {{true, at(9, 58), "09:58---:--", 0}, {false, at(10, 41), "09:58-10:41", 43}}},
        {"restart 59 s after the stop", {{true, at(9, 58), "09:58---:--", 0}, {false, at(9, 58, 59), "09:58-09:58", 0}}},
        {"restart without a stop", {{false, at(11, 0), "", 0}}},
        {"a second stop only moves the start",
         {{true, at(9, 0), "09:00---:--", 0}, {true, at(9, 30), "09:30---:--", 0}, {false, at(10, 0), "09:30-10:00", 30}}},
        {"restart twice counts once",
         {{true, at(8, 0), "08:00---:--", 0}, {false, at(8, 20), "08:00-08:20", 20}, {false, at(9, 0), "08:00-08:20", 20}}},
        {"a clock set back counts nothing", {{true, at(9, 0), "09:00---:--", 0}, {false, at(8, 0), "09:00-08:00", 0}}},
        {"stops of one day add up",
         {{true, at(8, 0), "08:00---:--", 0},
          {false, at(8, 20), "08:00-08:20", 20},
          {true, at(9, 0), "09:00---:--", 20},
          {false, at(9, 45), "09:00-09:45", 65},
          {true, at(13, 10), "13:10---:--", 65},
          {false, at(13, 13, 30), "13:10-13:13", 68}}},
    };
    for (const Case& c : cases) {
        CNT_Path_ManualStop m;
        for (const Step& s : c.steps) {
            if (s.stop)
                m.stopped(s.when);
            else
                m.restarted(s.when);
            EXPECT_EQ(m.stop_check_timeslot, s.slot) << c.name;
            EXPECT_EQ(m.stop_check_timelen, s.minutes) << c.name;
        }
    }
}

TEST_F(LinkMessages, ManualStopMessagesAndTheirFile)
{
    setParamText(para.CntNet_Operator, QStringLiteral("李工").toUtf8());
    makeMessageLink();
    runState = 3;
    link->CNT_SendManualStop();
    QJsonObject o = object(take(linkframe::KindManualStop));
    EXPECT_EQ(o.value("state").toInt(), 1);
    EXPECT_EQ(o.value("stop_check_timeslot").toString(), "09:58---:--");
    EXPECT_EQ(o.value("operator_id").toString(), QStringLiteral("李工"));
    clock.advanceMs(43 * 60000);
    runState = 1;
    link->CNT_SendManualStop();
    const QByteArray restart = take(linkframe::KindManualStop);
    o = object(restart);
    EXPECT_EQ(o.value("state").toInt(), 0);
    EXPECT_EQ(o.value("stop_check_timeslot").toString(), "09:58-10:41");
    EXPECT_EQ(o.value("stop_check_timelen").toInt(), 43);
    EXPECT_EQ(linkrecord::readFile(linkrecord::kManualStopFile), restart);

    // The next start reads it back; the statistics count the stop time.
    link.reset();
    makeMessageLink();
    EXPECT_EQ(link->manualStop.stop_check_timelen, 43);
    link->CNT_SendStatistics("null");
    const qint64 watched = qint64(object(take(linkframe::KindStatistics)).value("utc_watch_total").toDouble());
    EXPECT_EQ(watched, clock.now().toMSecsSinceEpoch() - link->statistics.start_utc - 43 * 60000);
    // A second stop of the day adds its minutes, and the watch time follows.
    runState = 3;
    link->CNT_SendManualStop();
    take(linkframe::KindManualStop);
    clock.advanceMs(17 * 60000 + 30000);
    runState = 1;
    link->CNT_SendManualStop();
    EXPECT_EQ(object(take(linkframe::KindManualStop)).value("stop_check_timelen").toInt(), 60);
    link->CNT_SendStatistics("null");
    const qint64 watchedAgain = qint64(object(take(linkframe::KindStatistics)).value("utc_watch_total").toDouble());
    EXPECT_EQ(watchedAgain, clock.now().toMSecsSinceEpoch() - link->statistics.start_utc - 60 * 60000);

    // A file without its last key is deleted; the values read before stay.
    QFile f(linkrecord::kManualStopFile);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write("{\"utc\": 5, \"stop_check_timeslot\": \"a\", \"stop_check_timelen\": 9, \"timeout_time\": 1,"
            " \"operator_id\": \"o\", \"disalarm_operator_id\": \"d\"}");
    f.close();
    link->InitManualStop();
    EXPECT_FALSE(QFile::exists(linkrecord::kManualStopFile));
    EXPECT_EQ(link->manualStop.stop_check_timelen, 9);
    EXPECT_EQ(link->manualStop.disalarm_operator_id, "d");
    EXPECT_EQ(link->manualStop.stop_check_reason, "--");
}

TEST_F(LinkMessages, CycleRunStateAndAlarmReleaseMessages)
{
    setParamText(para.CntNet_Operator, "op1");
    makeMessageLink();
    cameras = {0, 2};
    all[2] = 50;
    fail[2] = 4;
    link->CNT_SendCancle();
    EXPECT_EQ(object(take(linkframe::KindCancel)).value("bind_utc").toInt(), 0) << "before any cycle";

    const QList<param_roi> results{
        {2, 1, 0, 4, 120, 0, 200, 1},
        {2, 1, 1, 6, 55, 60, -1, 0},
        {0, 6, 0, 0, 7, 0, 10, 1},   // step 7: the camera is listed, the step is not
        {5, 1, 0, 0, 7, 0, 10, 1},   // no such camera in use
        {0, 0, 3, 1, 9, 2, 8, 1},
    };
    link->CNT_SendStatistics_Once(results, true, -2);
    const QByteArray cycle = take(linkframe::KindCycle);
    const QJsonObject o = object(cycle);
    EXPECT_EQ(o.value("state").toString(), QStringLiteral("正在检测"));
    EXPECT_EQ(o.value("detect_method").toString(), QStringLiteral("模腔手动抓拍"));
    EXPECT_EQ(o.value("result").toInt(), 1);
    EXPECT_EQ(o.value("product_operator").toString(), "op1");
    const QJsonArray cams = o.value("array").toArray();
    ASSERT_EQ(cams.size(), 2);
    EXPECT_EQ(cams[0].toObject().value("camera_id").toInt(), 3);
    EXPECT_EQ(cams[0].toObject().value("device_ng").toInt(), 4);
    EXPECT_EQ(cams[0].toObject().value("device_all").toInt(), 50);
    const QJsonArray steps3 = cams[0].toObject().value("detect_array").toArray();
    ASSERT_EQ(steps3.size(), 1);
    EXPECT_EQ(steps3[0].toObject().value("detect_id").toInt(), 2);
    const QJsonArray rois = steps3[0].toObject().value("roi_array").toArray();
    ASSERT_EQ(rois.size(), 2);
    EXPECT_EQ(rois[1].toObject().value("roi_id").toInt(), 2);
    EXPECT_EQ(rois[1].toObject().value("algorithm_premax").toInt(), -1);
    EXPECT_EQ(rois[1].toObject().value("is_alarm").toInt(), 0);
    const QJsonArray steps1 = cams[1].toObject().value("detect_array").toArray();
    ASSERT_EQ(steps1.size(), 1) << "no detect_id 7";
    EXPECT_EQ(steps1[0].toObject().value("detect_id").toInt(), 1);

    releaseCode = 8;
    clock.advanceMs(5000);
    link->CNT_SendCancle();
    const QJsonObject cancel = object(take(linkframe::KindCancel));
    EXPECT_EQ(cancel.value("bind_utc").toDouble(), o.value("utc").toDouble());
    EXPECT_EQ(cancel.value("method").toString(), QStringLiteral("重检检测OK"));
    EXPECT_EQ(cancel.value("product_operator").toString(), "op1");

    struct StateCase {
        int state;
        const char* text;
    } states[] = {{1, "正在检测"}, {2, "模板训练中"}, {3, "停止检测"}, {0, ""}};
    for (const StateCase& s : states) {
        runState = s.state;
        link->CNT_SendRunState();
        EXPECT_EQ(object(take(linkframe::KindRunState)).value("state").toString(), QString::fromUtf8(s.text));
    }
}

TEST_F(LinkMessages, RemindersAreKeptOldestFirst)
{
    makeMessageLink();
    link->CNT_SendDelRemind(5);
    EXPECT_EQ(link->sendQueue.size(), 0) << "no reminder file: nothing sent";
    for (qint64 utc : {100, 200, 300}) {
        CNT_Path_Remind r;
        r.utc = utc;
        r.description = "clean the mold";
        link->CNT_SendAddRemind(r);
        EXPECT_EQ(object(take(linkframe::KindAddRemind)).value("utc").toInt(), utc);
    }
    auto utcs = [] {
        QList<int> out;
        for (const QJsonValue& v : object(linkrecord::readFile(linkrecord::kRemindFile)).value("remind").toArray())
            out << v.toObject().value("utc").toInt();
        return out;
    };
    EXPECT_EQ(utcs(), (QList<int>{100, 200, 300}));
    link->CNT_SendDelRemind(200);
    EXPECT_EQ(object(take(linkframe::KindDelRemind)).value("utc").toInt(), 200);
    EXPECT_EQ(utcs(), (QList<int>{100, 300}));
    link->CNT_SendDelRemind(999);
    take(linkframe::KindDelRemind);
    EXPECT_EQ(utcs(), (QList<int>{100, 300}));
}

TEST_F(LinkMessages, DisabledLinkOrSwitchedOffKindsQueueNothing)
{
    para.cntnet_enable = 0;
    makeMessageLink();
    ASSERT_FALSE(link->netEnabled);
    const std::vector<std::function<void()>> senders = {
        [&] { link->CNT_SendRecord(clock.now(), "a", "b"); },
        [&] { link->CNT_SendParam(); },
        [&] { link->CNT_SendAlarmPic("p"); },
        [&] { link->CNT_SendTempPic("p"); },
        [&] { link->CNT_SendStatistics("null"); },
        [&] { link->CNT_SendManualStop(); },
        [&] { link->CNT_SendDelTempPic(1, 1, "t"); },
        [&] { link->CNT_SendAddRemind(CNT_Path_Remind()); },
        [&] { link->CNT_SendGetProduct(); },
        [&] { link->CNT_SendSaveNgVideo(1, 1); },
        [&] { link->CNT_SendTelInfo(1, 1); },
        [&] { link->CNT_SendGetRemindList(); },
        [&] { link->CNT_SendStatistics_Once({}, false, 1); },
        [&] { link->CNT_SendRunState(); },
        [&] { link->CNT_SendCancle(); },
    };
    for (const auto& send : senders)
        send();
    QTest::qWait(20);
    EXPECT_EQ(link->sendQueue.size(), 0);
    EXPECT_FALSE(QFile::exists(linkrecord::kStatisticsFile));
    EXPECT_FALSE(QFile::exists(linkrecord::kRemindFile));
    EXPECT_TRUE(testenv::commands().calls().isEmpty()) << "the link starts no client by itself";
}

TEST_F(LinkMessages, RegionAndTemplateNoticesReachTheClient)
{
    makeMessageLink();
    CammerSingleton store(1);
    link->sources.regions = [&](int camera) { return camera == 1 ? &store : nullptr; };
    NotifyTempPic("/prog/cammer12/template0.bmp");
    EXPECT_EQ(link->sendQueue.size(), 0) << "no client attached";
    StandInClient& c = connectClient();
    NotifyRegionParam(1, 3);
    NotifyTempPic("/prog/cammer12/template0.bmp");
    NotifyDelTempPic(2, 2, "template4.bmp");
    ASSERT_TRUE(waitFor([&] { return c.frameCount() == 3; }));
    const auto f = c.frames();
    EXPECT_EQ(f[0].kind, 8);
    EXPECT_EQ(object(f[0].body).value("camera_id").toString(), "2");
    EXPECT_EQ(object(f[0].body).value("detect").toInt(), 4);
    EXPECT_EQ(f[1].kind, 6);
    EXPECT_EQ(f[1].body, "/prog/cammer12/template0.bmp");
    EXPECT_EQ(f[2].kind, 11);
    EXPECT_EQ(StandInClient::decodeForm(f[2].body).value(3).second, "template4.bmp");
}
