// The real main window in virtual time with the reporting link enabled and a
// real client attached: the journal, the cycle's and the verdict's messages,
// the alarm release, start and stop, and the image writer's pictures.
#include "monitor/savefialimagethread.h"
#include "cyclefixture.h"
#include "inspection/paramroi.h"
#include "netlink/network.h"
#include "settings/settingshost.h"
#include "standinclient.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QtTest/QTest>
#include <memory>

namespace {

QJsonObject object(const QByteArray& json) { return QJsonDocument::fromJson(json).object(); }

class LinkWiring : public CycleWindow {
protected:
    void SetUp() override
    {
        CycleWindow::SetUp();
        para.cntnet_enable = 1;
        para.video_type = 0;
        para.detect_product = 0; // mode 0 with only the mold step
        para.detect_delay[1] = 5;
    }
    void TearDown() override
    {
        client.reset();
        cycletest::endWindow(window); // the image writer ends before the link
        link.reset();
        setRecordHook(nullptr);
        CycleWindow::TearDown();
    }

    // The window as the start-up makes it, then the link and its client.
    void startLinked()
    {
        start();
        link = std::make_unique<CNT_Net>(nullptr, 0);
        ASSERT_TRUE(link->netEnabled);
        gpNet = link.get();
        link->systemCard.hostName = "panel-07";
        link->editCard = link->systemCard;
        window->InstallLinkSources();
        client = std::make_unique<StandInClient>(link->serverPort());
        ASSERT_TRUE(client->connectToServer());
        ASSERT_TRUE(QTest::qWaitFor([&] { return link->clientAlive.load(); }, 3000));
    }
    // Waits for at least n frames; the kinds received so far.
    QList<int> kinds(int n)
    {
        (void)QTest::qWaitFor([&] { return client->frameCount() >= n; }, 5000);
        QList<int> out;
        for (const auto& f : client->frames())
            out << f.kind;
        return out;
    }
    QByteArray body(int kind, int nth = 0)
    {
        for (const auto& f : client->frames())
            if (f.kind == kind && nth-- == 0)
                return f.body;
        ADD_FAILURE() << "no frame of kind " << kind;
        return {};
    }

    std::unique_ptr<CNT_Net> link;
    std::unique_ptr<StandInClient> client;
};

} // namespace

TEST_F(LinkWiring, JournalCycleAlarmAndReleaseReachTheClient)
{
    startLinked();
    window->InsertRecord("door & mold=open");
    ASSERT_EQ(kinds(1), QList<int>{1});
    const auto record = StandInClient::decodeForm(body(1));
    ASSERT_EQ(record.size(), 4);
    EXPECT_EQ(record[0].second, "panel-07");
    EXPECT_EQ(record[1].second, LanStr(156)) << "nobody logged in";
    EXPECT_EQ(record[2].second, QString::number(clock.now().toMSecsSinceEpoch()));
    EXPECT_EQ(record[3].second, "door & mold=open");
    client->clearFrames();

    watchStep(1);
    moldCycle(false);
    ASSERT_EQ(window->displayState, 2);
    // The cycle's results, the alarm's statistics, then the alarm record.
    EXPECT_EQ(kinds(3), (QList<int>{18, 7, 1}));
    const QJsonObject cycle = object(body(18));
    EXPECT_EQ(cycle.value("result").toInt(), 1);
    EXPECT_EQ(cycle.value("detect_method").toString(), QStringLiteral("开模到位"));
    const QJsonArray cams = cycle.value("array").toArray();
    ASSERT_GE(cams.size(), 1);
    EXPECT_EQ(cams[0].toObject().value("detect_array").toArray()[0].toObject().value("detect_id").toInt(), 2);
    EXPECT_EQ(link->statistics.cameras.at(0).detects.at(1).alarms.at(0).alarm_result, 1);
    const QJsonObject stats = object(body(7));
    EXPECT_EQ(stats.value("state").toInt(), 0) << "sent before the alarm stops detection";
    EXPECT_EQ(stats.value("ng_count_total").toInt(), 1);
    EXPECT_EQ(StandInClient::decodeForm(body(1)).value(3).second, LanStr(151).arg(1) + LanStr(152));
    EXPECT_TRUE(window->triggerNumber == 0 && g_listParamROI.isEmpty()) << "reported once";

    // The safety door re-judges OK frames: the alarm is released.
    client->clearFrames();
    clock.advanceMs(5000);
    newFrames(true, true);
    edge(1);
    newFrames(true, true); // judged on frames newer than the reset
    ASSERT_NE(window->displayState, 2);
    ASSERT_TRUE(QTest::qWaitFor([&] { return kinds(1).contains(20); }, 3000));
    const QJsonObject cancel = object(body(20));
    EXPECT_EQ(cancel.value("bind_utc").toDouble(), cycle.value("utc").toDouble());
    ASSERT_EQ(link->ngTimes.size(), 1);
    EXPECT_EQ(link->ngTimes[0], 5000);
}

TEST_F(LinkWiring, StartAndStopSendTheManualStopAndStatistics)
{
    startLinked();
    window->SlotStartStop();
    ASSERT_EQ(window->runState, 3);
    EXPECT_EQ(kinds(3), (QList<int>{1, 10, 7}));
    EXPECT_EQ(object(body(10)).value("state").toInt(), 1);
    clock.advanceMs(10 * 60000);
    window->SlotStartStop();
    ASSERT_EQ(window->runState, 1);
    EXPECT_EQ(kinds(6), (QList<int>{1, 10, 7, 1, 10, 7}));
    const QJsonObject restarted = object(body(10, 1));
    EXPECT_EQ(restarted.value("state").toInt(), 0);
    EXPECT_EQ(restarted.value("stop_check_timelen").toInt(), 10);
}

TEST_F(LinkWiring, SavedImagesAreReportedWithTheirPaths)
{
    para.pulse_output = 1; // an NG image is written at once
    para.ng_max_num = 5;
    startLinked();
    StartFailImageWriter(); // the fixture holds the writer; here it writes
    watchStep(1);
    moldCycle(false);
    ASSERT_TRUE(QTest::qWaitFor([&] { return kinds(1).contains(5); }, 10000));
    const QString path = QString::fromUtf8(body(5));
    EXPECT_TRUE(QFileInfo(path).isAbsolute());
    EXPECT_TRUE(QFile::exists(path)) << path.toStdString();
    ASSERT_TRUE(QTest::qWaitFor([&] {
        for (const auto& f : client->frames())
            if (f.kind == 7 && object(f.body).value("ng_image").toString() != "null")
                return true;
        return false;
    }, 5000));
    QString relative;
    for (const auto& f : client->frames())
        if (f.kind == 7 && object(f.body).value("ng_image").toString() != "null")
            relative = object(f.body).value("ng_image").toString();
    EXPECT_TRUE(relative.startsWith("./alarmimage/")) << relative.toStdString();
    EXPECT_TRUE(QFile::exists(relative));
}

TEST_F(LinkWiring, SettingsApplyReachesTheLinksCardsAndClient)
{
    startLinked();
    EXPECT_FALSE(settingshost::netCardsDiffer());
    link->editCard.hostName = "panel-08";
    EXPECT_TRUE(settingshost::netCardsDiffer());
    settingshost::netCardsRestore();
    EXPECT_EQ(link->editCard.hostName, "panel-07");
    link->editCard.interfaceTable.insert("eth0", NetCard::defaults());
    settingshost::netCardsCommit();
    EXPECT_EQ(link->systemCard, link->editCard);

    EXPECT_FALSE(settingshost::takeServerMark());
    link->serverChanged = true;
    EXPECT_TRUE(settingshost::takeServerMark());
    EXPECT_FALSE(link->serverChanged);
    QDir().mkpath("cnt_net");
    QFile script("cnt_net/runNetClient.py");
    ASSERT_TRUE(script.open(QIODevice::WriteOnly));
    script.close();
    testenv::commands().clear();
    settingshost::restartLink();
    ASSERT_EQ(testenv::commands().calls().size(), 1);
    EXPECT_EQ(testenv::commands().calls()[0].args, QStringList{"./cnt_net/runNetClient.py"});
}
