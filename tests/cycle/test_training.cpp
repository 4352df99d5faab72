// Trainings off the GUI thread: the automatic template update after an OK
// cycle. The passes go on while it runs, no step is judged until it is in
// place, and a template that cannot be saved changes nothing.
#include "cyclefixture.h"

#include "monitor/cycletexts.h"
#include "params/procedures.h"
#include "platform/background.h"

#include <QImage>
#include <QSemaphore>
#include <atomic>

namespace {

class TemplateUpdate : public CycleWindow {
protected:
    // The automatic-parts procedure with the update on; the mold step only.
    void startUpdating()
    {
        para.procedure = para.procedure_requested = ProcAutoParts;
        para.template_auto_update = 1;
        moldOnly();
        start();
        watchStep(1);
    }
    // Each training waits on its thread until the test lets it go.
    void holdTrainings()
    {
        window->trainingStarts = [this] {
            ++begun;
            gate.acquire();
        };
    }
    void TearDown() override
    {
        gate.release(1000);
        if (window)
            trained();
        CycleWindow::TearDown();
    }
    static int centreGrey(const QString& path)
    {
        const QImage img(path);
        return img.isNull() ? -1 : qGray(img.pixel(img.width() / 2, img.height() / 2));
    }
    int templateGrey(int c) { return view(c)->TemplatePlane(1, 0).at<uchar>(gImageH / 2, gImageW / 2); }
    QSemaphore gate;
    std::atomic<int> begun{0};
};

} // namespace

TEST_F(TemplateUpdate, RunsBesideThePassesAndTheNextStepWaitsForIt)
{
    startUpdating();
    holdTrainings();
    const int fileBefore = centreGrey("cammer12/template0.bmp");
    const unsigned epoch = view(0)->recong->trainedEpoch[1];

    moldCycle(true, true); // OK: the judged frames (grey 200) become the templates
    EXPECT_FALSE(out(0)) << "released by the OK verdict, before any training";
    EXPECT_EQ(window->trainingsRunning(), 2);

    // The next cycle while the trainings work: its step is due but waits,
    // with the clamp prohibited, while the passes take frames of a stuck part.
    const int verdicts = window->verdicts;
    moldCycle(true, true);
    for (int i = 0; i < 5; ++i)
        newFrames(false, false);
    EXPECT_EQ(window->verdicts, verdicts) << "no judgement before the training is in place";
    EXPECT_TRUE(out(0));
    EXPECT_EQ(centreGrey("cammer12/template0.bmp"), fileBefore) << "the file changes only with the update";
    EXPECT_EQ(view(0)->recong->trainedEpoch[1], epoch);

    gate.release(1000);
    ASSERT_TRUE(trained());
    for (int c = 0; c < 2; ++c) {
        SCOPED_TRACE(c);
        EXPECT_EQ(templateGrey(c), 200) << "the judged frame, not the newer one the view holds now";
        EXPECT_EQ(centreGrey(QString("cammer%1%2/template0.bmp").arg(c + 1).arg(2)), 200);
        EXPECT_GT(view(c)->recong->trainedEpoch[1], epoch);
    }
    EXPECT_TRUE(QDir().entryList({".template-update-*"}, QDir::Files | QDir::Hidden).isEmpty());

    window->Run(); // now the waiting step is judged on the newest frames
    EXPECT_EQ(window->verdicts, verdicts + 1);
    EXPECT_EQ(window->displayState, 2) << "the stuck part's frames give the alarm";
    EXPECT_TRUE(out(0));
}

TEST_F(TemplateUpdate, ATemplateThatCannotBeSavedChangesNothingAndIsReportedOnce)
{
    startUpdating();
    // The first camera's template folder cannot take the file.
    ASSERT_TRUE(QDir("cammer12").removeRecursively());
    {
        QFile f("cammer12");
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    }
    const cv::Mat before = view(0)->TemplatePlane(1, 0).clone();
    const unsigned epoch = view(0)->recong->trainedEpoch[1];
    for (int i = 0; i < 2; ++i) {
        moldCycle(true, true);
        ASSERT_TRUE(trained());
        EXPECT_FALSE(out(0)) << "the cycle goes on";
    }
    EXPECT_EQ(cv::norm(view(0)->TemplatePlane(1, 0), before, cv::NORM_INF), 0) << "memory kept as the disk is";
    EXPECT_EQ(view(0)->recong->trainedEpoch[1], epoch) << "the training in force stays";
    EXPECT_EQ(templateGrey(1), 200) << "the other camera's update is in place";
    EXPECT_EQ(records().filter(LanStr(kLanTemplateNotWritten).arg(1).arg(2)).size(), 1);
    EXPECT_TRUE(QDir().entryList({".template-update-*"}, QDir::Files | QDir::Hidden).isEmpty());
}
