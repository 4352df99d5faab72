// Trainings of the cycle on threads of their own: the automatic template
// update after an OK cycle and the retraining after template sampling. The
// GUI thread only takes their inputs and puts their answers in place; no
// step is judged while one runs.
#include "camera/cammerwidget.h"
#include "inspection/cammerrecongnize.h"
#include "inspection/paramroi.h"
#include "monitor/mainwindow.h"
#include "params/geometry.h"
#include "params/lanstr.h"
#include "params/procedures.h"
#include "params/wizardpara.h"
#include "platform/background.h"
#include "platform/bitmapwrites.h"
#include "platform/filesync.h"
#include "platform/host.h"

#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <cstdio>

struct MainWindow::Training {
    int slot = -1;
    std::vector<StepTrainingInput> inputs;
    // The automatic update of template 0 of updateStep from the judged frame.
    int updateStep = -1;
    cv::Mat frame; // shared with the view until the job is done
    bool colour = false;
    bool greyHue = false;
    QString temp; // the bitmap is written here, and renamed into place by the GUI thread
    // Answers.
    std::vector<StepTraining> trained;
    cv::Mat plane;
    bool written = false;
};

bool MainWindow::frameHeld(const uchar* data) const
{
    if (!data)
        return false;
    for (const auto& job : trainings_)
        if (job->frame.data == data)
            return true;
    return rawWriter.holds(data);
}

bool MainWindow::trainingCovers(int slot) const
{
    const int mode = gpWPara ? gpWPara->procedure : 0;
    const bool twoMold = mode == ProcTwoColor || mode == ProcTurntable;
    for (const auto& job : trainings_)
        for (const StepTrainingInput& in : job->inputs)
            if (in.step == slot || (twoMold && (in.step & 1) == slot))
                return true;
    return false;
}

void MainWindow::trainInBackground(const QVector<int>& steps)
{
    for (int c : usedSlots()) {
        CammerWidget* v = cameraViews[c];
        if (!v || !v->recong)
            continue;
        auto job = std::make_shared<Training>();
        job->slot = c;
        for (int s : steps)
            job->inputs.push_back(v->recong->TrainingInput(s, true, true));
        startTraining(job);
    }
}

void MainWindow::updateTemplatesInBackground(int step)
{
    for (int c : usedSlots()) {
        CammerWidget* v = cameraViews[c];
        if (!v || !v->recong || v->curImage.empty())
            continue;
        fillFramePool(c);
        auto job = std::make_shared<Training>();
        job->slot = c;
        job->updateStep = step;
        job->frame = v->curImage; // not copied: takeFrames gives the view another buffer meanwhile
        job->colour = gisColor;
        job->greyHue = gisGrayHue;
        job->temp = QDir::current().filePath(
            QStringLiteral(".template-update-%1%2-%3.bmp").arg(c + 1).arg(step + 1).arg(++trainingSerial_));
        job->inputs.push_back(v->recong->TrainingInput(step, true, true));
        startTraining(job);
    }
}

void MainWindow::startTraining(const std::shared_ptr<Training>& job)
{
    trainings_.push_back(job);
    platform::runInBackground<bool>(
        this,
        [job, starts = trainingStarts] {
            if (starts)
                starts();
            if (job->updateStep >= 0) {
                // On the disk before the GUI thread renames it into place:
                // the rename then waits for no writing of the data.
                job->written = CammerData::WriteBitmap(job->frame, job->temp) && filesync::toDisk(job->temp);
                if (!job->written)
                    return false; // nothing changes: no training on a template that is not kept
                job->plane = CammerData::PlaneOf(job->frame, job->colour, job->greyHue);
                for (StepTrainingInput& in : job->inputs) {
                    if (in.step != job->updateStep)
                        continue;
                    if (in.shape)
                        in.positionPlane = job->plane;
                    if (in.planesFromSlot0 && !in.planes.empty()) {
                        in.planes[0] = job->plane;
                    } else {
                        in.planes.insert(in.planes.begin(), job->plane);
                        in.planesFromSlot0 = true;
                    }
                }
            }
            for (const StepTrainingInput& in : job->inputs)
                job->trained.push_back(CammerRecong::Train(in));
            return true;
        },
        [this, job](bool) { trainingDone(job); });
}

void MainWindow::trainingDone(const std::shared_ptr<Training>& job)
{
    trainings_.erase(std::remove(trainings_.begin(), trainings_.end(), job), trainings_.end());
    // What the job still holds (its frame, and the models it replaces) is
    // given back to the system off this thread.
    struct Dispose {
        std::shared_ptr<Training> job;
        ~Dispose()
        {
            platform::runInBackground<bool>(
                nullptr,
                [job = job] {
                    job->trained.clear();
                    job->inputs.clear();
                    job->frame.release();
                    job->plane.release();
                    return true;
                },
                nullptr);
        }
    } dispose{job};
    CammerWidget* v = job->slot >= 0 && job->slot < 8 ? cameraViews[job->slot] : nullptr;
    auto dropTemp = [&] {
        if (!job->temp.isEmpty())
            QFile::remove(job->temp);
    };
    if (!v || !v->recong) {
        dropTemp();
        return;
    }
    bool installed = false; // the updated template took its place
    if (job->updateStep >= 0) {
        const int s = job->updateStep;
        const StepTrainingInput& in = job->inputs.front();
        bool failed = !job->written;
        const bool held = paramSavesHeld(); // a restored group waits for its restart: its folders stay
        failed = failed || held;
        if (!failed && v->templateEpoch[s].load() != in.templateEpoch) {
            // The operator changed the step's templates meanwhile: theirs stay.
            dropTemp();
        } else if (!failed) {
            const QString path = QFileInfo(QStringLiteral("%1/template0.bmp").arg(v->Folder(s))).absoluteFilePath();
            const bitmapwrites::Scope writing;
            failed = !QDir().mkpath(QFileInfo(path).path())
                || std::rename(QFile::encodeName(job->temp).constData(), QFile::encodeName(path).constData()) != 0;
            if (!failed) {
                v->InstallTemplatePlane(s, 0, job->plane);
                NotifyTempPic(path);
                installed = true;
                v->templateWriteFailed = false;
            }
        }
        if (failed) {
            dropTemp();
            // Told once, until a template is written again.
            if (!v->templateWriteFailed) {
                v->templateWriteFailed = true;
                CammerData::TellBitmapFailures(
                    {held ? paramSavesHeldText() : LanStr(kLanTemplateNotWritten).arg(job->slot + 1).arg(s + 1)});
            }
            return; // the previous template and its training stay
        }
    }
    QVector<int> again;
    for (size_t i = 0; i < job->trained.size() && i < job->inputs.size(); ++i) {
        const StepTrainingInput& in = job->inputs[i];
        const bool fits = in.step == job->updateStep
            ? installed && v->recong->trainedEpoch[in.step] == in.trainedEpoch
            : v->recong->Current(in.trainedEpoch, in.templateEpoch, in.step);
        if (fits)
            v->recong->Install(std::move(job->trained[i])); // the job keeps the models replaced
        else if (in.step != job->updateStep || installed)
            again << in.step; // trained on what changed meanwhile: once more on what is there now
    }
    if (again.isEmpty())
        return;
    auto next = std::make_shared<Training>();
    next->slot = job->slot;
    for (int s : again)
        next->inputs.push_back(v->recong->TrainingInput(s, true, true));
    startTraining(next);
}
