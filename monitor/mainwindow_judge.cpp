// Execution of a detection step on one camera: raw frames, template
// sampling, alignment and judgement, the outputs and counters of an NG, and
// the automatic re-checks.
#include "monitor/controlport.h"
#include "inspection/cammerrecongnize.h"
#include "monitor/cycleview.h"
#include "monitor/journal.h"
#include "monitor/mainwindow.h"
#include "params/geometry.h"
#include "params/procedures.h"
#include "params/wizardpara.h"
#include "platform/clock.h"
#include "platform/host.h"
#include "params/lanstr.h"
#include "monitor/cycletexts.h"

#include <QDebug>
#include <QDir>
#include <QFileInfo>

#include <QImage>

namespace {

const WizardPara& P() { return *gpWPara; }
ControlPort& IO() { return *gpControlIO; }
int mode() { return gpWPara->procedure; }
bool twoMold() { return mode() == ProcTwoColor || mode() == ProcTurntable; }

} // namespace

void MainWindow::RunAlgorithm(int c, int s)
{
    if (c < 0 || c >= 8 || s < 0 || s >= 8)
        return;
    const WizardPara& p = P();
    // The two-mold procedures run the pair chosen by the selector on slots 0 and 1.
    int step = s;
    int slot = s;
    if (twoMold()) {
        step = (s < 2 ? s : s - 2) + (leftMoldActive == 0 ? 2 : 0);
        slot = step & 1;
    }
    currentStep = step;
    pendingCameras[slot] &= ~(1 << c);
    CammerWidget* v = cameraViews[c];
    if (!v || !v->recong)
        return;

    if (saveOriginalImages)
        stageRawFrame(c, step);

    if (runState == 2) {
        // A template that could not be written is sampled again from the
        // next frame: sampling ends only with every template on disk.
        if (v->samplePending[step] && (!p.step_enabled[step] || v->CycleTemplateWrite(step))) {
            v->samplePending[step] = false;
            v->allOK = true;
        }
        bool left = false;
        for (int cc : usedSlots())
            for (int d = 0; d < gDNum && d < 8 && !left; ++d)
                left = cameraViews[cc] && p.step_enabled[d] && cameraViews[cc]->samplePending[d];
        if (!left && !regionCheckDue && !gFromTrain) {
            StartDetect(!p.pulse_output); // never published free in between
            runState = 2;
            // The check may ask for the password: not inside the pass.
            regionCheckDue = true;
            QMetaObject::invokeMethod(this, [this] { regionCheckAfterSampling(); }, Qt::QueuedConnection);
            return;
        }
        if (gSource == -1 || gSource == 1)
            v->update();
        return;
    }

    v->recong->ShapeMatch(currentStep);
    cycleview::showLive(v);
    v->recong->Run(step);

    if (!v->allOK) {
        const int R = recheckCount[slot];
        bool quiet = false; // a mold-step NG that waits for its pre-cut re-checks
        if (!p.pulse_output) {
            if (mode() == ProcMultiDetect) {
                if (!(slot == 0 && p.enable_stop_not_alarm))
                    IO().IOSetOut(2, 1);
            } else if (slot == 0) {
                if (!p.enable_cutoff_ontime && !p.enable_stop_not_alarm) {
                    IO().IOSetOut(1, 1);
                    if (!p.pre_cut && !p.cut_clamp_on_mold_alarm && !p.detect_any_order)
                        IO().IOSetOut(0, 1);
                }
                if (!p.enable_stop_not_alarm && R == 0)
                    IO().IOSetOut(2, 1);
            } else if (p.pre_cut && R != 0) {
                // Nothing counted or signalled before the last re-check, but
                // the clamp is prohibited from the first sight of a stuck part.
                quiet = true;
                IO().IOSetOut(0, 1);
            } else {
                IO().IOSetOut(0, 1);
                if (R == 0)
                    IO().IOSetOut(2, 1);
            }
        }
        if (!quiet) {
            if (failCounted[c] && R == 0) {
                ++gFailNum[c];
                failCounted[c] = false;
            }
            if (p.enable_stop_not_alarm && slot == 0 && v->liveRegions) {
                const int n = qBound(0, v->liveRegions->roiCount[0], kRegionCount);
                for (int r = 0; r < n; ++r) {
                    const int out = v->liveRegions->output_point[r];
                    if (!v->roiOK[0][r] && out >= 0 && out <= 3) // only four NG outputs exist
                        ngOutputs[out] = true;
                }
            }
            if (stepSaveCode[c][step] == 1 && R == 0) {
                v->KeepRecentNG(step);
            }
        }
    }

    if (cycleCounted[c]) {
        ++gAllNum[c];
        cycleCounted[c] = false;
    }
    IO().IOFlashOut();
    if (gSource == -1 || gSource == 1)
        v->update();
}

void MainWindow::stageRawFrame(int c, int step)
{
    CammerWidget* v = cameraViews[c];
    if (!v || v->curImage.empty())
        return;
    const QString path = QStringLiteral("./originalimage/cammer%1%2/template%3.bmp")
                             .arg(c + 1)
                             .arg(step + 1)
                             .arg(platform::now().toString(QStringLiteral("yyyyMMdd-hhmmss-zzz")));
    // The buffer itself, not a copy: takeFrames gives the view another one
    // before the next frame would overwrite it.
    fillFramePool(c);
    if (!rawWriter.stage({v->curImage, path, gisColor})) {
        qWarning().noquote() << "raw frame skipped, the writer is behind:" << path;
        if (!rawSkipShown) {
            rawSkipShown = true;
            InsertRecord(LanStr(cycletext::kRawFramesSkipped));
            host::showWarningLater(LanStr(cycletext::kRawFramesSkipped));
        }
        return;
    }
    if (!rawFlushQueued) {
        rawFlushQueued = true;
        // After the verdict and its outputs: this event ends with them.
        QMetaObject::invokeMethod(
            this,
            [this] {
                rawFlushQueued = false;
                rawWriter.flush();
            },
            Qt::QueuedConnection);
    }
}

void MainWindow::rawFrameResult(const QString& path, const QString& error)
{
    const QString folder = QFileInfo(path).path();
    if (error.isEmpty()) {
        rawFailedFolders.remove(folder);
        rawSkipShown = false;
        return;
    }
    qWarning().noquote() << "raw frame not saved:" << error;
    if (rawFailedFolders.contains(folder))
        return;
    rawFailedFolders.insert(folder);
    const QString text = LanStr(cycletext::kRawFrameNotSaved).arg(QDir::cleanPath(path));
    InsertRecord(text);
    host::showWarningLater(text);
}

void MainWindow::ReCheck()
{
    const WizardPara& p = P();
    const int last = mode() == ProcMultiDetect ? gDNum - 1 : 1;
    const int i = twoMold() ? (currentStep & 1) : currentStep;
    if (i < 0 || i >= 8)
        return;
    pendingCameras[i] = 0;
    if (i == last && (!p.pre_cut || recheckCount[i] == 0))
        IO().IOSetOut(0, 1);
    IO().IOFlashOut();
    const int step = currentStep;
    if (p.step_enabled[step]) {
        for (int c : usedSlots())
            pendingCameras[i] |= 1 << c;
        for (int c : usedSlots())
            RunAlgorithm(c, step);
    }
    CheckNG();
}

void MainWindow::resultsOK(bool zeroValues)
{
    for (int c : usedSlots()) {
        CammerWidget* v = cameraViews[c];
        if (!v)
            continue;
        v->allOK = true;
        for (int s = 0; s < gDNum && s < 8; ++s) {
            std::fill(v->roiOK[s], v->roiOK[s] + kRegionCount, true);
            if (zeroValues)
                std::fill(v->roiValue[s], v->roiValue[s] + kRegionCount, 0);
        }
    }
}

void MainWindow::ResetRun()
{
    resultsOK(true);
    for (int s = 0; s < gDNum && s < 8; ++s)
        countdown[s] = 0;
}

// The alarm reset: only prohibitions reach the board before the verdict, and
// the step is judged again on frames taken after the reset.
void MainWindow::ReDetect()
{
    const WizardPara& p = P();
    const int s = currentStep;
    if (s < 0 || s >= 8)
        return;
    const int g = twoMold() ? (s & 1) : s;
    const int last = mode() == ProcMultiDetect ? gDNum - 1 : 1;
    if (mode() != ProcStandardNoRecheck) {
        if (g == last && !p.cut_clamp_on_mold_alarm)
            IO().IOSetOut(0, 1);
        else if (g == 0 && !p.enable_cutoff_ontime && !p.enable_stop_not_alarm && !p.cut_ejector_on_prod_alarm)
            IO().IOSetOut(1, 1);
    }
    IO().IOFlashOut();
    stepStartSeq[g] = frameSerial;
    redetectSlot = g;
    redetectStep = s;
    requestJudgement(g);
}

void MainWindow::redetectNow(int s)
{
    const WizardPara& p = P();
    ResetRun();
    const int g = twoMold() ? (s & 1) : s;
    pendingCameras[g] = 0;
    for (int c : usedSlots()) {
        if (!cameraViews[c] || cameraViews[c]->noDetect[s])
            continue;
        if (p.step_enabled[s]) {
            pendingCameras[g] |= 1 << c;
            if (stepSaveCode[c][s] == 3)
                stepSaveCode[c][s] = 7;
        }
    }
    for (int c : usedSlots())
        if (cameraViews[c] && !cameraViews[c]->noDetect[s])
            RunAlgorithm(c, s);
    tempCheckLatch = 1;
    CheckNG();
}
