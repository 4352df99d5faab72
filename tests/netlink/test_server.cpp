// The link server with real clients on 127.0.0.1: enabling, listening on the
// loopback only, acknowledgement and resend, replies, heartbeats, restarts of
// the client script, the switch file, and clients that misbehave.
#include "linkfixture.h"
#include "platform/clock.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTcpServer>
#include <chrono>
#include <random>
#include <thread>

namespace {

QByteArray body(int i) { return "frame " + QByteArray::number(i); }

void writeFile(const QString& path, const QByteArray& bytes)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes);
}

} // namespace

TEST_F(LinkTest, EnabledOnlyByTheStoredParameter)
{
    struct Case {
        const char* name;
        bool makeDb;
        int cntnet;
        bool enabled;
    } cases[] = {
        {"no database", false, 0, false},
        {"switched off", true, 0, false},
        {"switched on", true, 1, true},
        {"any nonzero value", true, 7, true},
    };
    for (const Case& c : cases) {
        para.cntnet_enable = c.cntnet;
        if (c.makeDb) {
            makeLink();
        } else {
            link = std::make_unique<CNT_Net>(nullptr, 0);
        }
        EXPECT_EQ(link->netEnabled, c.enabled) << c.name;
        EXPECT_EQ(link->isListening(), c.enabled) << c.name;
        EXPECT_EQ(link->enqueueFrame(linkframe::KindRecord, "x"), c.enabled) << c.name;
        EXPECT_EQ(link->sendQueue.size(), c.enabled ? 1 : 0) << c.name;
        EXPECT_EQ(QFileInfo::exists("PARAM.db"), c.makeDb) << c.name << ": the check never creates the database";
        EXPECT_EQ(QFileInfo::exists("cnt_net/data"), c.enabled) << c.name;
        link.reset();
        QFile::remove("PARAM.db");
        QDir("cnt_net").removeRecursively();
    }
}

TEST_F(LinkTest, ListensOnTheLoopbackOnly)
{
    EXPECT_EQ(linkframe::kPort, 8890);
    makeLink();
    ASSERT_TRUE(link->isListening());
    const QString port = QString::number(link->serverPort());
    QProcess ss;
    ss.start("ss", {"-ltnH"});
    ASSERT_TRUE(ss.waitForFinished(10000));
    QStringList ours;
    for (const QString& line : QString::fromLocal8Bit(ss.readAllStandardOutput()).split('\n')) {
        const QStringList cols = line.simplified().split(' ');
        if (cols.size() >= 4 && cols[3].endsWith(':' + port))
            ours << cols[3];
    }
    EXPECT_EQ(ours, QStringList{"127.0.0.1:" + port});
}

TEST_F(LinkTest, FailedListenIsLogged)
{
    QTcpServer taken;
    ASSERT_TRUE(taken.listen(QHostAddress::LocalHost, 0));
    makeLink(taken.serverPort());
    EXPECT_TRUE(link->netEnabled) << "enabled without clients";
    EXPECT_FALSE(link->isListening());
    EXPECT_TRUE(linktest::warnings().join('\n').contains("cannot listen on 127.0.0.1 port")) << linktest::warnings().join('\n').toStdString();
}

TEST_F(LinkTest, FramesArriveInOrderOnceEachWhenAcknowledged)
{
    makeLink();
    StandInClient& c = connectClient();
    const QString utf8 = QStringLiteral("模具 1 报警");
    for (int i = 0; i < 30; ++i)
        link->enqueueFrame(i % 2 ? linkframe::KindRecord : linkframe::KindCycle, body(i));
    link->enqueueFrame(linkframe::KindGetProduct, QByteArray());
    link->enqueueFrame(linkframe::KindRecord, utf8.toUtf8());
    ASSERT_TRUE(waitFor([&] { return c.frameCount() == 32; }));
    const auto frames = c.frames();
    for (int i = 0; i < 30; ++i) {
        EXPECT_EQ(frames[i].kind, i % 2 ? 1 : 18);
        EXPECT_EQ(frames[i].body, body(i));
    }
    EXPECT_EQ(frames[30].kind, 14);
    EXPECT_TRUE(frames[30].body.isEmpty());
    EXPECT_EQ(QString::fromUtf8(frames[31].body), utf8);
    EXPECT_TRUE(waitFor([&] { return link->sendThread->acknowledged() == 32; }));
    EXPECT_EQ(link->sendThread->writes(), 32u) << "each written once";
    EXPECT_EQ(link->sendQueue.size(), 0);
}

TEST_F(LinkTest, NeverAcknowledgedFrameIsWrittenTwiceThenDropped)
{
    makeLink();
    StandInClient& c = connectClient(false);
    link->enqueueFrame(linkframe::KindParam, "first");
    link->enqueueFrame(linkframe::KindParam, "second");
    ASSERT_TRUE(waitFor([&] { return link->sendThread->unacknowledgedDrops() == 1; }));
    // Only the frame in flight was written; the next one waited its turn.
    const auto frames = c.frames();
    ASSERT_GE(frames.size(), 2);
    EXPECT_EQ(frames[0].body, "first");
    EXPECT_EQ(frames[1].body, "first");
    EXPECT_GE(frames[1].atUs - frames[0].atUs, qint64(ackMs) * 1000 * 8 / 10) << "one time-out apart";
    EXPECT_TRUE(linktest::warnings().join('\n').contains("not acknowledged, dropped"));

    // An acknowledgement now answers the second frame, which then goes
    // without a resend.
    ASSERT_TRUE(waitFor([&] { return c.frameCount() == 3; }));
    EXPECT_EQ(c.frames()[2].body, "second");
    c.sendAck();
    ASSERT_TRUE(waitFor([&] { return link->sendThread->acknowledged() == 1; }));
    QTest::qWait(ackMs * 2);
    EXPECT_EQ(c.frameCount(), 3);
    EXPECT_EQ(link->sendThread->writes(), 3u);
}

TEST_F(LinkTest, AcknowledgementWithNothingInFlightRemovesNothing)
{
    makeLink();
    StandInClient& c = connectClient(false);
    // Early and repeated acknowledgements: none may take a queued frame.
    c.sendAck();
    c.sendAck();
    QTest::qWait(100);
    for (int i = 0; i < 3; ++i)
        link->enqueueFrame(linkframe::KindRecord, body(i));
    c.setAutoAck(true);
    ASSERT_TRUE(waitFor([&] { return c.frameCount() >= 1; }));
    c.sendAck(); // the first frame's answer, sent by hand
    ASSERT_TRUE(waitFor([&] { return link->sendThread->acknowledged() == 3; }));
    QStringList got;
    for (const auto& f : c.frames())
        got << QString::fromUtf8(f.body);
    EXPECT_EQ(got, (QStringList{"frame 0", "frame 1", "frame 2"}));
}

TEST_F(LinkTest, QueuedFramesGoOutWhenTheClientReconnects)
{
    makeLink();
    {
        StandInClient& first = connectClient();
        link->enqueueFrame(linkframe::KindRecord, body(0));
        ASSERT_TRUE(waitFor([&] { return first.frameCount() == 1; }));
        first.disconnect();
        ASSERT_TRUE(waitFor([&] { return !link->clientAlive && link->currentConnection() == 0; }));
    }
    // Records and alarm releases are queued without a client.
    for (int i = 1; i <= 5; ++i)
        link->enqueueFrame(linkframe::KindRecord, body(i));
    QTest::qWait(100);
    EXPECT_EQ(link->sendQueue.size(), 5);
    StandInClient& second = connectClient();
    ASSERT_TRUE(waitFor([&] { return second.frameCount() == 5; }));
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(second.frames()[i].body, body(i + 1));
}

TEST_F(LinkTest, ClientHangingUpMidFrameGetsTheWholeFrameAgain)
{
    makeLink();
    StandInClient& first = connectClient(false);
    QByteArray big(200000, 'b');
    big.prepend("big:");
    first.hangUpInBody(10);
    link->enqueueFrame(linkframe::KindStatistics, big);
    ASSERT_TRUE(waitFor([&] { return link->currentConnection() == 0; }));
    EXPECT_EQ(first.frameCount(), 0);
    EXPECT_FALSE(link->clientAlive);
    EXPECT_EQ(link->sendQueue.size(), 1) << "the frame in flight went back to the queue";

    StandInClient& second = connectClient();
    ASSERT_TRUE(waitFor([&] { return second.frameCount() == 1; }));
    EXPECT_EQ(second.frames()[0].kind, 7);
    EXPECT_EQ(second.frames()[0].body, big);
}

TEST_F(LinkTest, GarbageAndFuzzedRepliesLeaveTheLinkWorking)
{
    makeLink();
    StandInClient& c = connectClient();
    std::mt19937 rng(15);
    QByteArray noise;
    for (int i = 0; i < 300000; ++i) {
        char ch = char(rng() % 256);
        noise += (ch == '/' || ch == '\r') ? '.' : ch; // no reply text in it
    }
    ASSERT_TRUE(c.send(noise));
    for (int round = 0; round < 20; ++round) {
        QByteArray fuzz;
        for (int i = 0; i < 200; ++i)
            fuzz += char(rng() % 256);
        ASSERT_TRUE(c.send(fuzz + "\r\n\r\n"));
    }
    // Acknowledgements, heartbeats and requests after the noise still work.
    for (int i = 0; i < 10; ++i)
        link->enqueueFrame(linkframe::KindRecord, body(i));
    ASSERT_TRUE(waitFor([&] { return c.frameCount() == 10; }));
    EXPECT_TRUE(waitFor([&] { return link->sendThread->acknowledged() == 10; }));
    QString products;
    link->productListReceiver = [&](const QString& b) { products = b; };
    c.send("POST /\r\nSessionId: 14\r\n\r\n{\"result\":[{\"product_name\":\"A\"}]}");
    EXPECT_TRUE(waitFor([&] { return !products.isEmpty(); }));
    EXPECT_EQ(products, "{\"result\":[{\"product_name\":\"A\"}]}");
    EXPECT_TRUE(link->clientAlive);
    EXPECT_TRUE(linktest::warnings().join('\n').contains("discarded"));
}

TEST_F(LinkTest, RequestAnswersReachTheirPages)
{
    makeLink();
    StandInClient& c = connectClient();
    QStringList products, reminders;
    link->productListReceiver = [&](const QString& b) { products << b; };
    link->remindListReceiver = [&](const QString& b) { reminders << b; };
    // Merged into one read and split over two.
    c.send("SessionId: 14\r\n\r\n{\"result\":[]}SessionId: 17\r\n\r\n[1,");
    QTest::qWait(50);
    c.send("2]SessionId: 5\r\n\r\n{}");
    ASSERT_TRUE(waitFor([&] { return reminders.size() == 1; }));
    QTest::qWait(50);
    EXPECT_EQ(products, QStringList{"{\"result\":[]}"});
    EXPECT_EQ(reminders, QStringList{"[1,2]"});
}

TEST_F(LinkTest, NewerConnectionTakesThePlaceAndOldNoticesAreIgnored)
{
    makeLink();
    StandInClient& a = connectClient(false);
    const quint64 first = link->currentConnection();
    link->enqueueFrame(linkframe::KindRecord, body(1));
    ASSERT_TRUE(waitFor([&] { return a.frameCount() == 1; }));
    StandInClient& b = connectClient();
    EXPECT_NE(link->currentConnection(), first);
    EXPECT_TRUE(waitFor([&] { return a.hungUp(); })) << "the older connection is closed";
    // The older connection's going does not touch the newer one, and the
    // frame in flight there reaches the newer client.
    QTest::qWait(100);
    EXPECT_TRUE(link->clientAlive);
    ASSERT_TRUE(waitFor([&] { return b.frameCount() == 1; }));
    EXPECT_EQ(b.frames()[0].body, body(1));
    // A notice naming the old connection is ignored.
    link->SlotDisConnetced(first);
    link->ParsingBackBuf(first, {linkframe::ReplyKind::Restart, 0, {}});
    EXPECT_TRUE(link->clientAlive);
}

TEST_F(LinkTest, HeartbeatWatchdogAndRestartRequests)
{
    platform::ManualClock clock;
    platform::Clock::setInstance(&clock);
    writeFile("cnt_net/runNetClient.py", "# stand-in\n");
    makeLink();
    StandInClient& c = connectClient();
    auto& rec = testenv::commands();
    rec.clear();
    auto heartbeat = [&] {
        c.sendHeartbeat();
        ASSERT_TRUE(waitFor([&] { return link->lastHeart == clock.now(); }));
    };
    auto starts = [&] {
        int n = 0;
        for (const auto& call : rec.calls())
            n += call.detached && call.args == QStringList{"./cnt_net/runNetClient.py"};
        return n;
    };

    clock.advanceMs(58000);
    heartbeat();
    clock.advanceMs(2000);
    link->heartbeatTick();
    EXPECT_TRUE(link->clientAlive);
    clock.advanceMs(58000);
    heartbeat();
    clock.advanceMs(2000);
    link->heartbeatTick();
    EXPECT_TRUE(link->clientAlive) << "heartbeats 58 s apart";
    EXPECT_EQ(starts(), 0);

    clock.advanceMs(59001); // silent since the last tick
    link->heartbeatTick();
    EXPECT_FALSE(link->clientAlive);
    EXPECT_EQ(starts(), 1);

    // A heartbeat revives it; a restart request stops it and starts a new script.
    clock.advanceMs(link->restartGapMs);
    heartbeat();
    EXPECT_TRUE(link->clientAlive);
    c.send("/reline/\r\n\r\n");
    ASSERT_TRUE(waitFor([&] { return !link->clientAlive; }));
    EXPECT_EQ(starts(), 2);

    // Without a client attached a fresh time alone does not make it alive.
    c.disconnect();
    ASSERT_TRUE(waitFor([&] { return link->currentConnection() == 0; }));
    clock.advanceMs(1000);
    link->heartbeatTick();
    EXPECT_FALSE(link->clientAlive);
    platform::Clock::setInstance(nullptr);
}

TEST_F(LinkTest, RestartStopsThePreviousClientScript)
{
    platform::ManualClock clock;
    platform::Clock::setInstance(&clock);
    makeLink();
    auto& rec = testenv::commands();
    rec.clear();
    CNT_Net::CNT_ReStart();
    EXPECT_TRUE(rec.calls().isEmpty()) << "no script, nothing started";

    writeFile("cnt_net/runNetClient.py", "# stand-in\n");
    CNT_Net::CNT_ReStart();
    ASSERT_EQ(rec.calls().size(), 1);
    const auto first = rec.calls()[0];
    EXPECT_TRUE(first.detached);
    EXPECT_TRUE(first.program.startsWith("python3"));
    EXPECT_EQ(first.args, QStringList{"./cnt_net/runNetClient.py"});

    // The first start's process, still the script: the next restart stops it
    // first, and waits for neither.
    const qint64 pid = CNT_Net::clientScriptPid();
    ASSERT_GT(pid, 0);
    const QString cmdline = testenv::sysRoot() + QStringLiteral("/proc/%1/cmdline").arg(pid);
    writeFile(cmdline, QByteArray("python3\0./cnt_net/runNetClient.py\0", 34));
    rec.clear();
    clock.advanceMs(link->restartGapMs);
    CNT_Net::CNT_ReStart();
    ASSERT_EQ(rec.calls().size(), 2);
    EXPECT_EQ(rec.calls()[0].line(), QStringLiteral("kill %1").arg(pid));
    EXPECT_TRUE(rec.calls()[0].detached);
    EXPECT_TRUE(rec.calls()[1].detached);

    // A process id that now belongs to another program is left alone.
    const QString second = testenv::sysRoot() + QStringLiteral("/proc/%1/cmdline").arg(CNT_Net::clientScriptPid());
    writeFile(second, QByteArray("sshd\0", 5));
    rec.clear();
    clock.advanceMs(link->restartGapMs);
    CNT_Net::CNT_ReStart();
    ASSERT_EQ(rec.calls().size(), 1);
    EXPECT_TRUE(rec.calls()[0].detached);
    QDir(testenv::sysRoot() + "/proc").removeRecursively();
    platform::Clock::setInstance(nullptr);
}

// Answers spread over a long exchange, each handled before the next comes:
// every handled answer gives its place back, so the cap on waiting answers
// never drops one.
TEST_F(LinkTest, ALongExchangeOfAnswersAllReachTheGuiThread)
{
    makeLink();
    StandInClient& c = connectClient();
    QStringList products;
    link->productListReceiver = [&](const QString& b) { products << b; };
    const int answers = 3 * CNT_Thread::kMaxSessionNotices;
    for (int i = 0; i < answers; ++i) {
        ASSERT_TRUE(c.send("SessionId: 14\r\n\r\n[" + QByteArray::number(i) + "]"));
        ASSERT_TRUE(waitFor([&] { return products.size() == i + 1; })) << "answer " << i;
    }
    EXPECT_EQ(products.last(), QString("[%1]").arg(answers - 1));
    EXPECT_EQ(link->sendThread->noticesDropped(), 0u);
}

// A client that floods the link with replies while the GUI thread is busy
// elsewhere: the sender thread reads them all, the GUI thread finds one
// heartbeat notice, one restart notice and a bounded number of answers, and
// the restarts become one start now and one at the end of the gap.
TEST_F(LinkTest, AFloodOfRepliesCostsTheGuiThreadAFewNotices)
{
    platform::ManualClock clock; // the gap never passes by itself
    platform::Clock::setInstance(&clock);
    writeFile("cnt_net/runNetClient.py", "# stand-in\n");
    makeLink();
    link->restartGapMs = 300;
    StandInClient& c = connectClient();
    int products = 0;
    link->productListReceiver = [&](const QString&) { ++products; };
    auto& rec = testenv::commands();
    rec.clear();

    const int heartbeats = 20000, restarts = 300, answers = 100;
    QByteArray flood;
    for (int i = 0; i < heartbeats; ++i)
        flood += "/heart/\r\n\r\n";
    for (int i = 0; i < restarts; ++i)
        flood += "/reline/\r\n\r\n";
    for (int i = 0; i < answers; ++i)
        flood += "SessionId: 14\r\n\r\n[]";
    flood += "/heart/\r\n\r\n";
    const quint64 readBefore = link->sendThread->repliesRead();
    const quint64 postedBefore = link->sendThread->noticesPosted();
    ASSERT_TRUE(c.send(flood));
    // The GUI thread does not run meanwhile: notices can only pile up.
    const quint64 all = quint64(heartbeats + restarts + answers + 1);
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (link->sendThread->repliesRead() - readBefore < all && std::chrono::steady_clock::now() < until)
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    ASSERT_EQ(link->sendThread->repliesRead() - readBefore, all);
    EXPECT_EQ(link->sendThread->noticesPosted() - postedBefore, quint64(2 + CNT_Thread::kMaxSessionNotices));
    EXPECT_EQ(link->sendThread->noticesDropped(), quint64(answers - CNT_Thread::kMaxSessionNotices));

    clock.advanceMs(1000);
    QCoreApplication::processEvents();
    EXPECT_EQ(products, CNT_Thread::kMaxSessionNotices);
    EXPECT_EQ(link->lastHeart, clock.now()) << "the heartbeat notice was handled";
    EXPECT_TRUE(linktest::warnings().join('\n').contains("answers dropped"));
    auto starts = [&] {
        int n = 0;
        for (const auto& call : rec.calls())
            n += call.program.startsWith("python3");
        return n;
    };
    EXPECT_EQ(starts(), 1);
    // Requests within the gap wait for its end and bring one start there.
    c.send("/reline/\r\n\r\n");
    ASSERT_TRUE(waitFor([&] { return link->restartDeferred(); }));
    c.send("/reline/\r\n\r\n");
    EXPECT_EQ(starts(), 1);
    ASSERT_TRUE(waitFor([&] { return starts() == 2; }));
    QTest::qWait(3 * link->restartGapMs);
    EXPECT_EQ(starts(), 2);
    EXPECT_FALSE(link->restartDeferred());
    for (const auto& call : rec.calls())
        EXPECT_TRUE(call.detached) << qPrintable(call.line()) << " was waited for";
    platform::Clock::setInstance(nullptr);
}

TEST_F(LinkTest, SwitchFileTurnsKindsOff)
{
    writeFile("cnt_net/whichsend.config", "{\"7\": false, \"18\": 0}");
    makeLink();
    EXPECT_FALSE(link->enqueueFrame(linkframe::KindStatistics, "{}"));
    EXPECT_TRUE(link->enqueueFrame(linkframe::KindCycle, "{}"));
    EXPECT_EQ(link->sendQueue.kinds(), QList<int>{18});
}

TEST_F(LinkTest, SilentClientCostsBoundedMemoryAndNeverBlocksTheQueue)
{
    makeLink();
    StandInClient& c = connectClient(false);
    c.setReading(false);
    const QByteArray large(20000, 'x');
    for (int i = 0; i < 3000; ++i)
        link->enqueueFrame(linkframe::KindStatistics, large);
    EXPECT_LE(link->sendQueue.size(), LinkQueue::kMaxFrames);
    EXPECT_LE(link->sendQueue.bytes(), LinkQueue::kMaxBytes);
    EXPECT_GT(link->sendQueue.dropped(), 0u);
    EXPECT_TRUE(linktest::warnings().join('\n').contains("queue full"));
}

TEST(LinkQueue, BoundedOldestFirst)
{
    LinkQueue q(3, 100);
    for (int k = 1; k <= 5; ++k)
        q.push(k, QByteArray(10, 'a'));
    EXPECT_EQ(q.kinds(), (QList<int>{3, 4, 5}));
    EXPECT_EQ(q.dropped(), 2u);
    EXPECT_EQ(q.push(6, QByteArray(95, 'b')), 3) << "room made by bytes too";
    EXPECT_EQ(q.kinds(), QList<int>{6});
    EXPECT_EQ(q.push(7, QByteArray(500, 'c')), 1) << "a single frame larger than the bound still stays";
    LinkQueue::Frame f;
    ASSERT_TRUE(q.takeFront(&f));
    EXPECT_EQ(f.kind, 7);
    q.push(8, "x");
    q.putBack(f);
    EXPECT_EQ(q.kinds(), (QList<int>{7, 8}));
}
