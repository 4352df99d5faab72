#include "editor/drawroiwidget.h"

#include "cameradriver/cameraglobals.h"
#include "camera/cammerwidget.h"
#include "editor/alarmoption.h"
#include "editor/editorhost.h"
#include "editor/regioption.h"
#include "inspection/cammerrecongnize.h"
#include "inspection/changelog.h"
#include "inspection/editrules.h"
#include "inspection/paramroi.h"
#include "inspection/templatelibrary.h"
#include "params/geometry.h"
#include "params/lanstr.h"
#include "params/procedures.h"
#include "params/wizardpara.h"
#include "platform/bitmapwrites.h"
#include "platform/host.h"
#include "platform/vision/vision.h"
#include "widgets/keypads.h"
#include "widgets/passwordbox.h"

#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <new>
#include <QTimer>
#include <cstring>
#include <memory>

int gDrawHint = 0;

namespace {

constexpr int kIgnoreAreaLimit = 2000; // NG regions larger than this are never ignored

EditorHost& H() { return editorHost(); }
const WizardPara& P() { return *gpWPara; }
int cameras() { return std::min(numCamera, 8); }
int steps() { return std::max(0, std::min(gDNum, kStepCount)); }

bool oneCamera(int k) { return k >= 0 && k < cameras(); }

// Every view of a camera in use that has its inspection data.
template <typename F>
void forEachView(F f)
{
    for (int k = 0; k < cameras(); ++k)
        if (CammerWidget* v = H().view(k))
            if (v->isComplete())
                f(k, v);
}

void warn(int row) { host::showWarning(LanStr(row)); }
bool ask(const QString& text) { return host::askChoice(text); }

// While saves are held the camera folders are not written either: the
// operator is told, and nothing changes.
bool refusedWhileHeld()
{
    if (!paramSavesHeld())
        return false;
    host::showWarning(paramSavesHeldText());
    return true;
}

// "template<k>.bmp" as the operator counts it (k + 1); another name as it is.
QString templateNumber(const QString& name)
{
    static const QRegularExpression slotName(QStringLiteral("^template(\\d{1,9})\\.bmp$"));
    const QRegularExpressionMatch m = slotName.match(name);
    return m.hasMatch() ? QString::number(m.captured(1).toLongLong() + 1) : name;
}

// The step's ignore points written, or, when they cannot be, put back as the
// disk has them and the failure told. True when written.
bool writeIgnorePoints(CammerWidget* v, int step, const cv::Mat& before)
{
    if (v->SaveIgnorePoint(step))
        return true;
    v->ignoreMask[step] = before;
    CammerData::TellBitmapFailures({LanStr(kLanIgnorePointsNotWritten).arg(v->cameraIndex + 1).arg(step + 1)});
    v->update();
    return false;
}

void retrainEnabled(CammerWidget* v, bool shapesToo)
{
    if (!v->recong)
        return;
    for (int s = 0; s < steps(); ++s) {
        if (!P().step_enabled[s])
            continue;
        if (shapesToo)
            v->recong->CreateShape(s);
        else
            v->recong->VarTrain(s);
    }
}

void codeFrom3(int slot, int step, int code)
{
    int& c = H().stepSaveCode(slot, step);
    if (c == 3)
        c = code;
}

} // namespace

DrawROIWidget::DrawROIWidget(QWidget* parent) : QWidget(parent) {}

CammerWidget* DrawROIWidget::selectedView() const
{
    const int k = H().selectedCamera();
    if (!oneCamera(k))
        return nullptr;
    CammerWidget* v = H().view(k);
    return v && v->isComplete() ? v : nullptr;
}

void DrawROIWidget::ShowTemplate(CammerWidget* v, int step, int slot)
{
    if (!v || step < 0 || step >= kStepCount)
        return;
    v->TakePicture();
    if (slot >= 0 && slot < int(v->templateImages[step].size()) && !v->templateImages[step][size_t(slot)].empty()) {
        const cv::Mat& t = v->templateImages[step][size_t(slot)];
        if (gisColor) {
            v->showImage = v->TemplatePicture(step, slot);
            t.copyTo(v->GrayImage()); // the preview judges the shown template
        } else {
            v->showImage = t;
        }
    }
    gTempTime = TemplateFileTime(*v, step, slot);
}

// ---------------------------------------------------------------- entering and leaving

void DrawROIWidget::Reset(bool)
{
    forEachView([this](int, CammerWidget* v) {
        *v->editRegions = *v->liveRegions;
        v->BackMask();
        for (bool& pending : ignoreClearPending[v->cameraIndex])
            pending = false;
        v->DropIgnoreClears();
    });
    gDrawHint = 0;
    EditorHost& h = H();
    h.editStep() =
        ChooseEditStep(h.currentStep(), h.displayState() == 2, P(), steps(), h.selectedCamera(), cameras());
    if (RegiOption* bar = h.regionBar())
        bar->setDetect(h.editStep());
    if (h.displayState() == 2) {
        if (AlarmOption* bar = h.alarmBar())
            bar->CheckSource(1);
        h.showSidePage(2);
    } else {
        if (RegiOption* bar = h.regionBar())
            bar->CheckSource(0);
        h.showSidePage(1);
    }
}

void DrawROIWidget::Restart()
{
    H().displayState() = 0;
    forEachView([](int, CammerWidget* v) { v->DeselectROI(); });
    hide();
    forEachView([](int, CammerWidget* v) {
        v->ShowHideROIPara();
        v->update();
    });
}

void DrawROIWidget::SlotReturn()
{
    if (gpNumPad)
        gpNumPad->HideUpdate();
    if (gpNumCharPad)
        gpNumCharPad->HideUpdate();
    forEachView([](int, CammerWidget* v) {
        v->curTemplate = 0;
        v->DeselectROI();
        v->ShowHideROIPara();
        v->ShowHideTool(0);
        if (P().show_cavity_number)
            v->ShowHideCheckBox(false);
    });
    EditorHost& h = H();
    if (h.displayState() == 2) {
        // Back from template editing to the alarm.
        SlotSaveData();
        if (AlarmOption* bar = h.alarmBar())
            bar->CheckSource(1);
        return;
    }
    h.tools().copyAreaMode = false;
    // A refused save keeps the editor open on the edits.
    if (!SlotSaveData())
        return;
    gSource = -1;
    Restart();
    if (h.fromTrain()) {
        h.fromTrain() = false;
        h.backTrain();
    }
}

void DrawROIWidget::SlotAutoChange()
{
    EditorHost& h = H();
    if (h.displayState() != 2 || (gSource != 0 && gSource != 1))
        return;
    CammerWidget* v = selectedView();
    if (!v)
        return;
    if (gSource == 1) {
        h.showSidePage(1);
        v->ShowHideTool(3);
        if (RegiOption* bar = h.regionBar())
            bar->CheckSource(0); // asks for the password
    } else {
        if (RegiOption* bar = h.regionBar())
            bar->CheckSource(1); // back to the alarm bar
        forEachView([](int, CammerWidget* view) {
            if (!view->allOK && view->blinkTimer)
                view->blinkTimer->start(1000);
        });
    }
}

// ---------------------------------------------------------------- drawing tools

CammerWidget* DrawROIWidget::drawableView() const
{
    CammerWidget* v = selectedView();
    return v && gSource == 0 ? v : nullptr;
}

namespace {

// A new shape starts with nothing selected and the region panel hidden.
void beginShape(CammerWidget* v, int tool)
{
    EditTools& t = H().tools();
    t.copyAreaMode = false;
    v->DeselectROI();
    v->ShowHideROIPara();
    t.drawTool = tool;
}

} // namespace

void DrawROIWidget::SlotDrawRect()
{
    if (CammerWidget* v = drawableView())
        beginShape(v, ToolRect);
}

void DrawROIWidget::SlotDrawCircle()
{
    if (CammerWidget* v = drawableView())
        beginShape(v, ToolRing);
}

void DrawROIWidget::SlotDrawPloygn()
{
    CammerWidget* v = drawableView();
    if (!v)
        return;
    EditTools& t = H().tools();
    t.copyAreaMode = false;
    t.freeHandMode = false;
    if (t.drawTool == ToolPolygon) {
        // The button pressed again ends the polygon being drawn.
        v->SavePolygon();
        if (H().tools().drawTool == ToolSelect)
            v->update();
        return;
    }
    beginShape(v, ToolPolygon);
}

void DrawROIWidget::SlotDrawHand()
{
    if (CammerWidget* v = drawableView()) {
        H().tools().freeHandMode = true;
        beginShape(v, ToolPolygon);
    }
}

void DrawROIWidget::SlotCopyArea()
{
    if (!drawableView())
        return;
    H().tools().copyAreaMode = true;
    H().tools().drawTool = ToolSelect;
}

void DrawROIWidget::SlotDeleteROI()
{
    CammerWidget* v = drawableView();
    if (!v)
        return;
    H().tools().copyAreaMode = false;
    if (v->selectedRegion == -1) {
        warn(65);
    } else if (ask(LanStr(66)) && selectedView() == v && gSource >= 0 && gSource != 1) {
        v->DeleteROI(v->selectedRegion);
        v->selectedRegion = -1;
        v->ShowHideROIPara();
    }
    H().repaint();
}

void DrawROIWidget::SlotDeleteAllROI()
{
    CammerWidget* v = drawableView();
    if (!v)
        return;
    H().tools().copyAreaMode = false;
    if (ask(LanStr(67)) && selectedView() == v && gSource == 0) {
        const int step = H().editStep();
        if (step >= 0 && step < kStepCount) {
            v->editRegions->roiCount[step] = 0;
            v->selectedRegion = -1;
            v->ShowHideROIPara();
            // Part of the edit: cleared and written only when the edit is saved.
            ignoreClearPending[v->cameraIndex][step] = true;
        }
    }
    H().repaint();
}

// ---------------------------------------------------------------- alarm review

void DrawROIWidget::SlotReCheck()
{
    SlotSaveData();
    H().reDetect();
}

// The re-check is judged on the first frames taken after it, so the view
// follows its verdict only then.
void DrawROIWidget::ReCheckJudged()
{
    EditorHost& h = H();
    const int c = h.selectedCamera();
    if (c < cameras()) {
        if (h.displayState() != 2) {
            gSource = -1;
        } else if (gSource == 1) {
            // Show the first camera still in alarm, from the one shown on.
            const int k = NextNGCamera(c, cameras(), [](int camera) {
                CammerWidget* v = H().view(camera);
                return v && !v->allOK;
            });
            h.selectedCamera() = k;
            h.changeCamera();
            if (AlarmOption* bar = h.alarmBar())
                bar->SetCamera(k);
        }
    } else if (h.displayState() != 2) {
        gSource = -1;
    }
}

void DrawROIWidget::SlotNoCheckCur()
{
    EditorHost& h = H();
    const int s = h.currentStep();
    if (s < 0 || s >= kStepCount)
        return;
    if (P().enable_pass_protect && CheckPassword() == 0)
        return;
    if (P().enable_disarm_before_open && !h.safetyDoorOpened()) {
        warn(195);
        return;
    }
    if (h.selectedCamera() >= cameras()) {
        if (!ask(LanStr(102)))
            return;
        SlotSaveData();
        gSource = -1;
        h.resetRun();
        forEachView([s](int, CammerWidget* v) { codeFrom3(v->cameraIndex, s, 4); });
        h.setEditorJudgement();
        h.checkNG();
        host::insertRecord(LanStr(103));
        return;
    }
    CammerWidget* v = selectedView();
    if (!v)
        return;
    if (v->allOK && h.anyCameraNG()) {
        warn(107);
        return;
    }
    const QString camera = QString::number(v->cameraIndex + 1);
    if (!ask(LanStr(105).arg(camera)))
        return;
    v->noDetect[s] = true;
    codeFrom3(v->cameraIndex, s, 4);
    host::insertRecord(LanStr(106).arg(camera));
    SlotReCheck();
}

void DrawROIWidget::SlotIgnoreAlarmPoint()
{
    CammerWidget* v = selectedView();
    if (!v || v->allOK) {
        warn(107);
        return;
    }
    if (refusedWhileHeld())
        return;
    if (P().ignore_alarm_protect && CheckPassword() == 0)
        return;
    if (!ask(LanStr(113)))
        return;
    const int s = H().currentStep();
    if (s < 0 || s >= kStepCount || !v->stepLoaded[s] || v->ngOverlay.empty())
        return; // nothing found to ignore
    cv::Mat* ignoreMask = nullptr;
    try {
        ignoreMask = &v->CammerData::IgnoreMask(s); // made with the step's first points
    } catch (const std::bad_alloc&) {
    } catch (const cv::Exception&) {
    }
    if (!ignoreMask) {
        v->RefuseStep(s);
        return;
    }
    const cv::Mat before = ignoreMask->clone();
    const int n = std::max(0, std::min(kRegionCount, v->liveRegions->roiCount[s]));
    for (int r = 0; r < n; ++r) {
        if (v->roiOK[s][r])
            continue;
        if (v->roiValue[s][r] > kIgnoreAreaLimit) {
            host::showWarning(LanStr(115).arg(kIgnoreAreaLimit)); // the other regions go on
            continue;
        }
        const int boxes = std::max(0, std::min(kMaxNgRects, v->NgRectCount(s, r)));
        for (int i = 1; i <= boxes; ++i) {
            const int* b = v->ngRects[s][r][i];
            const int x1 = std::max(0, b[0]), y1 = std::max(0, b[1]);
            const int x2 = std::min(gImageW - 1, b[2]), y2 = std::min(gImageH - 1, b[3]);
            for (int y = y1; y <= y2; ++y) {
                const uchar* ng = v->ngOverlay.ptr(y);
                uchar* ignore = ignoreMask->ptr(y);
                for (int x = x1; x <= x2; ++x)
                    if (ng[x])
                        ignore[x] = 255;
            }
        }
    }
    v->update();
    if (!writeIgnorePoints(v, s, before))
        return;
    host::insertRecord(LanStr(114).arg(v->cameraIndex + 1));
    if (v->recong)
        v->recong->VarTrain(s);
}

void DrawROIWidget::SlotDeleteIgnorePoint()
{
    CammerWidget* v = selectedView();
    if (!v || v->allOK) {
        warn(107);
        return;
    }
    if (refusedWhileHeld())
        return;
    if (!ask(LanStr(116)))
        return;
    const int s = H().currentStep();
    if (s < 0 || s >= kStepCount || !v->stepLoaded[s])
        return;
    const cv::Mat before = v->ignoreMask[s].clone();
    if (!v->ignoreMask[s].empty())
        v->ignoreMask[s].setTo(0);
    v->update();
    if (!writeIgnorePoints(v, s, before))
        return;
    host::insertRecord(LanStr(117).arg(v->cameraIndex + 1));
    if (v->recong)
        v->recong->VarTrain(s);
}

void DrawROIWidget::ChangeDetectNum(int n)
{
    if (RegiOption* bar = H().regionBar())
        bar->ChangeDetectNum(n);
}

// ---------------------------------------------------------------- saving

bool DrawROIWidget::viewEdited(const CammerWidget* v) const
{
    for (bool pending : ignoreClearPending[v->cameraIndex])
        if (pending)
            return true;
    return !SameStore(*v->editRegions, *v->liveRegions);
}

bool DrawROIWidget::editsPending() const
{
    bool any = false;
    forEachView([&](int, CammerWidget* v) { any = any || viewEdited(v); });
    return any;
}

bool DrawROIWidget::SlotSaveData()
{
    std::vector<CammerWidget*> changed;
    forEachView([&](int, CammerWidget* v) {
        if (viewEdited(v))
            changed.push_back(v);
    });

    bool saved = true;
    if (!changed.empty() && ask(LanStr(72))) {
        const WizardPara& p = P();
        const int mode = p.procedure;
        const bool copySteps =
            p.enabe_two_test && (mode == ProcTwoColor || mode == ProcTurntable ||
                                 ((mode == ProcStandard || mode == ProcAutoParts || mode == ProcStandardNoRecheck) &&
                                  p.step_enabled[0]));
        for (CammerWidget* v : changed) {
            const int slot = v->cameraIndex;
            const bitmapwrites::Scope saving; // the regions and their ignore points together
            // The store goes to the disk first: a refused save (the operator
            // warned by the store) leaves the live regions, their masks and
            // the ignore points as they were, and the edit for another try.
            auto toSave = std::make_unique<CammerSingleton>(*v->editRegions);
            if (copySteps)
                CammerData::CopyParaOf(*toSave);
            if (!toSave->SaveDatatoFile()) {
                saved = false;
                continue;
            }
            const StoreChanges log = ChangeRecords(*v->liveRegions, *v->editRegions, slot + 1, steps());
            for (const QString& record : log.records)
                host::insertRecord(record);
            *v->liveRegions = *v->editRegions;
            v->RestorMask();
            if (copySteps) {
                v->CopyPara();
                *v->editRegions = *v->liveRegions;
                v->BackMask();
            }
            v->ApplyIgnoreClears(); // tells its own failures
            for (int d = 0; d < kStepCount; ++d) {
                if (!ignoreClearPending[slot][d])
                    continue;
                ignoreClearPending[slot][d] = false;
                const cv::Mat before = v->ignoreMask[d].clone();
                if (!v->ignoreMask[d].empty())
                    v->ignoreMask[d].setTo(0);
                writeIgnorePoints(v, d, before);
            }
            retrainPending[slot] = true;
            if (log.positioning)
                retrainEnabled(v, true);
        }
    }

    forEachView([this](int, CammerWidget* v) {
        if (!retrainPending[v->cameraIndex])
            return;
        retrainPending[v->cameraIndex] = false;
        retrainEnabled(v, false);
    });    return saved;
}

// ---------------------------------------------------------------- template library

void DrawROIWidget::SlotAddTemp()
{
    EditorHost& h = H();
    const int display = h.displayState();
    const bool alarmImage = display == 2 && gSource == 1;
    CammerWidget* v = selectedView();
    if (alarmImage) {
        if (!v || v->allOK) {
            warn(107);
            return;
        }
        if (P().enable_disarm_before_open && !h.safetyDoorOpened()) {
            warn(195);
            return;
        }
    }
    if (gTempNum < 2) {
        warn(258);
        return;
    }
    if (refusedWhileHeld())
        return;
    if (P().add_template_protect && CheckPassword() == 0)
        return;
    const int t = alarmImage ? h.currentStep() : h.editStep();
    if (!ask(LanStr(108)))
        return;
    v = selectedView();
    if (!v || t < 0 || t >= kStepCount)
        return;
    if (display == 2 ? (gSource != 1 && gSource != 2) : (display == 3 && gSource != 2))
        return;
    // The aligned frame of the alarm, or the recent NG frame shown.
    const int e = h.editStep();
    const cv::Mat& frame = gSource == 1 ? v->alignImage
                           : (e >= 0 && e < kStepCount) ? v->recentNG[e][std::max(0, std::min(2, v->recentNGIndex))]
                                                        : v->alignImage;
    const cv::Mat blank = CammerData::NewFrame();
    if (frame.empty() || frame.total() != blank.total() || frame.type() != blank.type())
        return; // nothing to take
    const int slot = v->cameraIndex;

    const std::vector<int> usedBefore = v->templateUsed[t];
    const int countBefore = v->templateCount[t];
    QStringList removed;
    const int k = TakeTemplateSlot(*v, t, gTempNum, &removed);
    for (const QString& name : removed)
        NotifyDelTempPic(slot + 1, t + 1, name);
    if (k < 0)
        return;
    if (!v->PutTemplate(t, k, frame)) {
        v->templateUsed[t] = usedBefore;
        v->templateCount[t] = countBefore;
        CammerData::TellBitmapFailures({LanStr(kLanTemplateNotWritten).arg(slot + 1).arg(t + 1)});
        return;
    }
    host::insertRecord(LanStr(109).arg(slot + 1));

    if (gSource == 1) {
        const int s = h.currentStep();
        if (v->recong && s >= 0 && s < kStepCount)
            v->recong->VarTrain(s);
        v->noDetect[t] = true;
        codeFrom3(slot, s, 5);
        SlotReCheck();
    } else {
        retrainPending[slot] = true;
    }
}

void DrawROIWidget::SlotTempDeleteCur()
{
    CammerWidget* v = selectedView();
    if (!v)
        return;
    const int s = H().editStep(), k = v->curTemplate;
    if (s < 0 || s >= kStepCount || k < 0 || k >= int(v->templateUsed[s].size()))
        return;
    if (k == 0) {
        warn(68);
        return;
    }
    if (refusedWhileHeld())
        return;
    if (!ask(LanStr(69)) || !v->templateUsed[s][size_t(k)])
        return;
    const int slot = v->cameraIndex;
    const QString name = QStringLiteral("template%1.bmp").arg(k);
    // Deleted on disk first: a bitmap that stays would be in use again at
    // the next start, so it stays in use now.
    const QString path = QStringLiteral("%1/%2").arg(v->Folder(s), name);
    if (QFileInfo::exists(path) && !QFile::remove(path)) {
        CammerData::TellBitmapFailures({LanStr(kLanTemplateNotDeleted).arg(slot + 1).arg(s + 1).arg(k + 1)});
        return;
    }
    v->templateUsed[s][size_t(k)] = 0;
    --v->templateCount[s];
    retrainPending[slot] = true;
    NotifyDelTempPic(slot + 1, s + 1, name);
    SlotTempNext();
    host::insertRecord(LanStr(70).arg(QString::number(slot + 1), QString::number(k + 1)));
}

bool DrawROIWidget::SlotTempDeleteAll()
{
    if (refusedWhileHeld())
        return false;
    QStringList failures;
    forEachView([this, &failures](int, CammerWidget* v) {
        const int slot = v->cameraIndex;
        for (int j = 1; j <= steps(); ++j) {
            QStringList kept;
            for (const QString& name : KeepFirstTemplate(*v, j - 1, gTempNum, &kept))
                NotifyDelTempPic(slot + 1, j, name);
            for (const QString& name : kept)
                failures << LanStr(kLanTemplateNotDeleted).arg(slot + 1).arg(j).arg(templateNumber(name));
        }
        v->curTemplate = 0;
        retrainPending[slot] = true;
    });
    if (failures.isEmpty())
        host::insertRecord(LanStr(71));
    else
        CammerData::TellBitmapFailures(failures);
    return true;
}

void DrawROIWidget::SlotTempNext()
{
    CammerWidget* v = selectedView();
    const int s = H().editStep();
    if (!v || s < 0 || s >= steps() || v->curTemplate < 0 || v->curTemplate >= gTempNum)
        return;
    if (gSource == 0) {
        v->curTemplate = BrowseTemplate(*v, s, v->curTemplate, true, gTempNum);
        ShowTemplate(v, s, v->curTemplate);
    }
    v->update();
}

void DrawROIWidget::GetTempTIme(int camera, int step, int slot)
{
    CammerWidget* v = H().view(camera);
    gTempTime = v && step >= 0 && step < kStepCount ? TemplateFileTime(*v, step, slot) : QString();
}
