// Run states: the operator's start, stop and resample commands, sampling
// templates, and the raw frames kept while they are saved.
#include "cyclefixture.h"

#include "monitor/cycletexts.h"
#include "monitor/placeholders.h"
#include "monitor/titlebar.h"
#include "monitor/rawframestore.h"

#include <QImage>

using RunStates = CycleWindow;

TEST_F(RunStates, StopAndStartSetTheOutputsByTheirOptions)
{
    struct Case {
        const char* name;
        int stopMold, moldCutoff, cutOnTime, moldPulse;
        const char* stopped; // outputs 0..2 while stopped
        const char* started; // and after the start
    } cases[] = {
        {"plain", 0, 0, 0, 0, "000", "000"},
        {"clamp prohibited while stopped", 1, 0, 0, 0, "100", "000"},
        {"ejector prohibited by the mold cut-off", 0, 1, 0, 0, "000", "010"},
        {"clamp cut at fixed time", 0, 0, 1, 30, "000", "100"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        para.enable_stop_mold = c.stopMold;
        para.mold_cutoff = c.moldCutoff;
        para.is_cut_ontime = c.cutOnTime;
        para.mold_pulse = c.moldPulse;
        start();
        gpControlIO->IOSetOut(2, 1); // something set before the stop
        gpControlIO->IOFlashOut();
        window->SlotStartStop();
        EXPECT_EQ(window->runState, 3);
        EXPECT_EQ(outs().left(3), c.stopped);
        EXPECT_EQ(records().last(), LanStr(141));
        EXPECT_FALSE((LedByte() >> led::kRunBit) & 1);
        EXPECT_TRUE(window->titleBar->styleSheet().contains("#ee2329"));
        window->SlotStartStop();
        EXPECT_EQ(window->runState, 1);
        EXPECT_EQ(outs().left(3), c.started);
        EXPECT_EQ(records().last(), LanStr(142));
        EXPECT_TRUE((LedByte() >> led::kRunBit) & 1);
        EXPECT_TRUE(window->titleBar->styleSheet().contains("#1f3f8d"));
        nextCase();
    }
}

TEST_F(RunStates, ARefusedPasswordOrQuestionKeepsDetecting)
{
    para.is_psw_used = 1;
    start();
    answer = QDialog::Rejected;
    window->SlotStartStop();
    EXPECT_EQ(window->runState, 1);
    window->userLevel = 1; // logged in: only the question is asked
    window->SlotStartStop();
    EXPECT_EQ(window->runState, 1);
    EXPECT_TRUE(boxes.last().contains(LanStr(140)));
    answer = QDialog::Accepted;
    window->SlotStartStop();
    EXPECT_EQ(window->runState, 3);
}

TEST_F(RunStates, AStopDuringACountdownDropsTheStep)
{
    para.detect_delay[0] = 10;
    para.detect_delay[1] = 10;
    start();
    frames(true, true);
    window->Run();
    edge(0);
    ASSERT_TRUE(counting(0));
    window->StopDetect();
    EXPECT_FALSE(counting(0));
    EXPECT_FALSE(counting(1));
    EXPECT_EQ(window->countdown[0], 0);
    EXPECT_EQ(window->pendingCameras[0], 0) << "the current (product) step's cameras";
    window->Run();
    setInput(0, false);
    edge(0);
    EXPECT_FALSE(counting(0)) << "no triggers while stopped";
    window->SlotStartStop();
    setInput(0, false);
    edge(0);
    EXPECT_TRUE(counting(0));
    EXPECT_EQ(window->pendingCameras[0], 3) << "a fresh cycle";
}

TEST_F(RunStates, ResamplingTakesTheNextFramesAsTemplatesThenOpensTheRegionCheck)
{
    para.detect_delay[0] = 5;
    para.detect_delay[1] = 5;
    start();
    watchStep(0);
    view(0)->CammerData::IgnoreMask(1).setTo(255);
    edge(0);
    frames(true, true);
    tick(); // an ordinary cycle first
    ASSERT_EQ(gAllNum[0], 1);
    const QString before = outs();

    window->SlotReTrain();
    EXPECT_EQ(window->runState, 2);
    EXPECT_EQ(outs(), before) << "resampling while detecting keeps the outputs";
    EXPECT_TRUE(view(0)->samplePending[0]);
    EXPECT_TRUE(view(1)->samplePending[1]);
    EXPECT_EQ(cv::countNonZero(view(0)->ignoreMask[1]), 0);
    EXPECT_TRUE(QFile::exists("cammer12/ignorepoint.bmp"));
    EXPECT_TRUE(records().contains(LanStr(139)));

    window->TimerShow();
    setInput(0, false);
    edge(0);
    deliver(0, 77);
    deliver(1, 88);
    tick(5); // the product step: sampled, not judged
    EXPECT_FALSE(view(0)->samplePending[0]);
    EXPECT_TRUE(view(0)->samplePending[1]);
    EXPECT_EQ(window->runState, 2);
    EXPECT_EQ(gAllNum[0], 1) << "no judgement while sampling";
    EXPECT_TRUE(out(1)) << "a sampled frame releases nothing";
    tick(); // the mold step: the last template
    EXPECT_FALSE(gFromTrain) << "the region check opens after the pass";
    QCoreApplication::sendPostedEvents(nullptr, QEvent::MetaCall);
    EXPECT_EQ(QImage("cammer11/template0.bmp").pixelColor(5, 5).red(), 77);
    EXPECT_EQ(QImage("cammer22/template0.bmp").pixelColor(5, 5).red(), 88);
    EXPECT_EQ(window->runState, 2) << "back to sampling while the regions are checked";
    EXPECT_EQ(window->displayState, 3);
    EXPECT_TRUE(gFromTrain);
    EXPECT_TRUE(out(0));

    // Leaving the region editor: trained at once, released by the next
    // frames' OK.
    gFromTrain = false;
    window->BackTrain();
    EXPECT_EQ(window->runState, 1);
    EXPECT_FALSE(gisReTrain) << "the new templates are trained before they judge";
    EXPECT_TRUE(out(0));
    newFrames(true, true);
    EXPECT_FALSE(out(0));
}

TEST_F(RunStates, ResamplingWhileStoppedStartsDetectionFirst)
{
    para.enable_stop_mold = 1;
    start();
    window->StopDetect();
    ASSERT_TRUE(out(0));
    window->SlotReTrain();
    EXPECT_EQ(window->runState, 2);
    EXPECT_FALSE(out(0)) << "detection was started, clearing the stop's outputs";
    EXPECT_TRUE((LedByte() >> led::kRunBit) & 1);
}

// The operator was logged out while sampling: the region check's password
// box opens from the event loop, not inside the pass, and its Cancel frees
// the clamp on nothing. The new templates are trained and judge the next
// frames; here a stuck part (dark) is still there.
TEST_F(RunStates, ARefusedRegionCheckAfterSamplingGivesNoVerdict)
{
    para.is_psw_used = 1;
    moldOnly();
    start();
    watchStep(1);
    window->userLevel = 2;
    window->SlotReTrain();
    ASSERT_EQ(window->runState, 2);
    QList<bool> boxInPass;
    setModalRunner([&](QDialog&) {
        boxInPass << host::PassScope::active();
        return int(QDialog::Rejected);
    });
    window->TimerLogout(); // the automatic log-out
    window->TimerShow();
    setInput(0, false);
    edge(0);
    frames(false, false); // the stuck part sampled as the templates
    tick();
    EXPECT_TRUE(boxInPass.isEmpty()) << "no box inside the pass";
    EXPECT_TRUE(out(0));
    EXPECT_NE(window->displayState, 1) << "no OK shown";

    QCoreApplication::sendPostedEvents(nullptr, QEvent::MetaCall);
    EXPECT_EQ(boxInPass, QList<bool>{false}) << "the password asked from the event loop";
    EXPECT_EQ(window->runState, 1);
    EXPECT_FALSE(gFromTrain);
    EXPECT_TRUE(out(0)) << "refused: nothing judged yet";
    EXPECT_NE(window->displayState, 1);
    EXPECT_TRUE(records().contains(LanStr(cycletext::kRegionCheckRefused)));
    EXPECT_FALSE(gisReTrain) << "the new templates are trained before they judge";

    newFrames(false, false); // the stuck part judged against the new templates
    EXPECT_TRUE(out(0));
    EXPECT_EQ(window->displayState, 2) << "an NG frame gives the alarm";
}

TEST_F(RunStates, ARefusedRegionCheckReturnsToDetecting)
{
    para.is_psw_used = 1;
    start();
    answer = QDialog::Rejected;
    window->runState = 2;
    window->CheckArea(false);
    EXPECT_EQ(window->runState, 1);
    EXPECT_FALSE(gFromTrain);
    EXPECT_EQ(window->displayState, 0);
}

TEST_F(RunStates, RawFramesStayAtTheirLimitWithoutListingTheTreeAgain)
{
    QDir().mkpath("originalimage/cammer11");
    QDir().mkpath("originalimage/cammer12");
    for (int i = 0; i < 203; ++i) {
        QFile f(QString("originalimage/cammer1%1/old%2.bmp").arg(1 + i % 2).arg(i));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.setFileTime(QDateTime(QDate(2026, 1, 1), QTime(0, 0)).addSecs(i), QFileDevice::FileModificationTime);
    }
    RawFrameStore store;
    store.prune();
    EXPECT_EQ(store.count(), 200);
    EXPECT_FALSE(QFile::exists("originalimage/cammer11/old0.bmp"));
    EXPECT_FALSE(QFile::exists("originalimage/cammer12/old1.bmp"));
    EXPECT_FALSE(QFile::exists("originalimage/cammer11/old2.bmp"));
    EXPECT_TRUE(QFile::exists("originalimage/cammer12/old3.bmp"));

    // A file the store did not write is not seen until the tree is listed again.
    QFile("originalimage/cammer11/stranger.bmp").open(QIODevice::WriteOnly);
    EXPECT_EQ(store.count(), 200);
    store.relist();
    EXPECT_EQ(store.count(), 201);
}

TEST_F(RunStates, EachSavedJudgementKeepsTwoHundredRawFrames)
{
    para.detect_delay[1] = 0;
    para.detect_product = 0;
    start();
    for (int i = 0; i < 200; ++i) {
        QFile f(QString("originalimage/cammer21/old%1.bmp").arg(i));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.setFileTime(QDateTime(QDate(2026, 1, 1), QTime(0, 0)).addSecs(i), QFileDevice::FileModificationTime);
    }
    window->saveOriginalImages = 1;
    edge(0);
    newFrames(true, true);
    ASSERT_TRUE(rawFramesWritten());
    auto count = [] {
        int n = 0;
        for (const QString& d : QDir("originalimage").entryList(QDir::Dirs | QDir::NoDotAndDotDot))
            n += QDir("originalimage/" + d).entryList(QDir::Files).size();
        return n;
    };
    EXPECT_EQ(count(), 201) << "one frame per camera saved, the oldest deleted before";
    EXPECT_EQ(QDir("originalimage/cammer12").entryList({"template*.bmp"}).size(), 1);
    EXPECT_FALSE(QFile::exists("originalimage/cammer21/old0.bmp"));
    ASSERT_FALSE(QDir("originalimage/cammer12").entryInfoList({"*.bmp"}).isEmpty());
    QImage saved(QDir("originalimage/cammer12").entryInfoList({"*.bmp"}).first().absoluteFilePath());
    EXPECT_EQ(saved.format(), QImage::Format_Indexed8);
    EXPECT_EQ(saved.size(), QSize(gImageW, gImageH));
}
