#include "inspection/cammerdata.h"

#include "inspection/cammerrecongnize.h"
#include "inspection/paramroi.h"
#include "inspection/shapebase.h"
#include "params/geometry.h"
#include "params/procedures.h"
#include "params/lanstr.h"
#include "params/wizardpara.h"
#include "platform/bitmapwrites.h"
#include "platform/host.h"
#include "platform/vision/vision.h"

#include <QCoreApplication>
#include <QDebug>
#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QImageWriter>
#include <QSaveFile>
#include <opencv2/imgproc.hpp>
#include <algorithm>
#include <cstring>

int gTempNum = 10;
bool gisGrayHue = false;

namespace {
cv::Mat newStepBuffer(int rows, int cols, int type) { return cv::Mat(rows, cols, type); }
// "Camera %1, detection %2: not enough memory ..." (the cameras' block of the text table).
constexpr int kStepRefusedText = 1461;
} // namespace

cv::Mat (*gNewStepBuffer)(int rows, int cols, int type) = &newStepBuffer;
void (*gBitmapBeforeRename)(const QString& path) = nullptr;

bool StepInUse(int d)
{
    return d >= 0 && d < kStepCount && d < gDNum && gpWPara && gpWPara->step_enabled[d];
}

namespace {

QVector<QRgb> greyTable()
{
    QVector<QRgb> t(256);
    for (int i = 0; i < 256; ++i)
        t[i] = qRgb(i, i, i);
    return t;
}

// Copies an image's rows into a continuous buffer of the same size; the
// image's own line length (padded to 4 bytes) is respected.
void copyRows(const QImage& img, cv::Mat& dst, int bytesPerPixel)
{
    const int len = img.width() * bytesPerPixel;
    for (int y = 0; y < img.height(); ++y)
        std::memcpy(dst.ptr(y), img.constScanLine(y), size_t(len));
}

bool isEightBit(QImage::Format f)
{
    return f == QImage::Format_Indexed8 || f == QImage::Format_Grayscale8 || f == QImage::Format_Alpha8;
}

bool writeBitmapFile(const cv::Mat& plane, const QString& path)
{
    if (paramSavesHeld()) {
        qWarning() << "not written, saves are held until the restart:" << path;
        return false;
    }
    QDir().mkpath(QFileInfo(path).path());
    const bool colour = plane.type() == CV_8UC4;
    QImage img(plane.data, plane.cols, plane.rows, int(plane.step), colour ? QImage::Format_RGB32 : QImage::Format_Indexed8);
    if (!colour)
        img.setColorTable(greyTable());
    // Written beside the bitmap and renamed over it: a power cut or a full
    // disk leaves the old bitmap whole, never a torn one.
    QSaveFile file(path);
    file.setDirectWriteFallback(false);
    bool ok = file.open(QIODevice::WriteOnly);
    if (ok) {
        QImageWriter writer(&file, "bmp");
        ok = writer.write(img) && file.flush();
        if (ok && gBitmapBeforeRename)
            gBitmapBeforeRename(path);
        ok = ok && file.commit();
    }
    if (!ok) {
        qWarning() << "cannot write" << path << file.errorString();
        file.cancelWriting();
    }
    return ok;
}

} // namespace

// A bitmap of the program's set of templates and ignore points: a group
// backup copying meanwhile copies again.
bool writeBitmap(const cv::Mat& plane, const QString& path)
{
    const bitmapwrites::Scope writing;
    return writeBitmapFile(plane, path);
}

CammerData::CammerData(int index) : cameraIndex(index), ngRects(new int[kStepCount][kRegionCount][100][4]())
{
    for (int d = 0; d < kStepCount; ++d) {
        for (int r = 0; r < kRegionCount; ++r) {
            roiOK[d][r] = true;
            roiValue[d][r] = 0;
        }
        templateCount[d] = 0;
        recentNGCount[d] = 0;
    }
}

CammerData::~CammerData() = default;

cv::Mat CammerData::NewFrame()
{
    return cv::Mat(std::max(0, gImageH), std::max(0, gImageW), gisColor ? CV_8UC4 : CV_8UC1, cv::Scalar::all(0));
}

namespace {

cv::Mat newStepFrame(int type)
{
    cv::Mat m = gNewStepBuffer(std::max(0, gImageH), std::max(0, gImageW), type);
    m.setTo(cv::Scalar::all(0));
    return m;
}

} // namespace

QString CammerData::Folder(int step) const
{
    return QStringLiteral("./cammer%1%2").arg(cameraIndex + 1).arg(step + 1);
}

void CammerData::BuildInspection()
{
    curImage = NewFrame();
    alignImage = NewFrame();
    // Made by the first judgement or preview (and the grey plane by the
    // first template shown): a camera never judged holds neither.
    grayImage.release();
    ngOverlay.release();
    allOK = true;
    recentNGIndex = 0;
    for (int d = 0; d < kStepCount; ++d) {
        recentNGCount[d] = 0;
        for (cv::Mat& m : recentNG[d])
            m.release(); // made when the cycle first stores an NG frame
        stepLoaded[d] = false;
    }
    SyncSteps(); // templates and ignore points of the steps in use
    liveRegions.reset(new CammerSingleton(cameraIndex));
    if (!liveRegions->LoadDatafromFile(this)) {
        // Never judged as a camera without regions: its steps are refused.
        const QString text = LanStr(kLanRegionsUnread).arg(cameraIndex + 1);
        host::insertRecord(text);
        host::showWarningLater(text);
    }
    editRegions.reset(new CammerSingleton(cameraIndex));
    recong.reset(new CammerRecong(liveRegions.get(), this));
}

void CammerData::Detach(cv::Mat& m)
{
    if (m.u && m.u->refcount > 1)
        m = cv::Mat(m.rows, m.cols, m.type());
}

cv::Mat& CammerData::TemplateImage(int step, int slot)
{
    std::vector<cv::Mat>& slotList = templateImages[step];
    if (int(slotList.size()) <= slot) {
        slotList.resize(slot + 1);
        templateUsed[step].resize(slot + 1, 0);
    }
    if (slot == 0)
        syntheticTemplate_[step] = false;
    ++templateEpoch[step];
    if (!gisColor) {
        if (slotList[slot].empty())
            slotList[slot] = newStepFrame(CV_8UC1);
        else
            Detach(slotList[slot]); // callers write it
        return slotList[slot];
    }
    // A colour template is held as the plane the inspection reads; its
    // picture lives on disk. The one being written waits here until it is
    // read, saved or the next one is written.
    if (pictureStep_ != step || pictureSlot_ != slot) {
        TakePicture();
        pictureStep_ = step;
        pictureSlot_ = slot;
    }
    if (picture_.empty())
        picture_ = newStepFrame(CV_8UC4);
    else
        Detach(picture_);
    return picture_;
}

void CammerData::TakePicture() const
{
    if (pictureStep_ < 0 || picture_.empty()) {
        pictureStep_ = pictureSlot_ = -1;
        return;
    }
    cv::Mat plane(picture_.rows, picture_.cols, CV_8UC1);
    if (gisGrayHue)
        RGBA2Gray(plane.data, picture_.data, picture_.cols, picture_.rows);
    else
        RGBA2Hue(plane.data, picture_.data, picture_.cols, picture_.rows);
    templateImages[pictureStep_][size_t(pictureSlot_)] = plane;
    picture_.release();
    pictureStep_ = pictureSlot_ = -1;
}

namespace {

// The template a step without files starts from: white in the middle half.
void paintSynthetic(cv::Mat& t)
{
    t.setTo(cv::Scalar::all(0));
    const int w4 = gImageW / 4, h4 = gImageH / 4;
    const cv::Rect centre(w4, h4, std::min(gImageW, w4 * 3 + 1) - w4, std::min(gImageH, h4 * 3 + 1) - h4);
    if (centre.width > 0 && centre.height > 0)
        t(centre).setTo(cv::Scalar::all(255));
}

} // namespace

cv::Mat CammerData::TemplatePicture(int step, int slot) const
{
    if (step < 0 || step >= kStepCount || slot < 0 || slot >= int(templateImages[step].size()))
        return cv::Mat();
    if (!gisColor)
        return templateImages[step][size_t(slot)];
    if (pictureStep_ == step && pictureSlot_ == slot && !picture_.empty())
        return picture_;
    if (templateImages[step][size_t(slot)].empty())
        return cv::Mat();
    cv::Mat pic(std::max(0, gImageH), std::max(0, gImageW), CV_8UC4);
    if (slot == 0 && syntheticTemplate_[step]) {
        paintSynthetic(pic);
        return pic;
    }
    QImage img(QStringLiteral("%1/template%2.bmp").arg(Folder(step)).arg(slot));
    if (!img.isNull() && img.width() == gImageW && img.height() == gImageH && img.depth() == 32) {
        if (img.format() != QImage::Format_RGB32)
            img = img.convertToFormat(QImage::Format_RGB32);
        copyRows(img, pic, 4);
        return pic;
    }
    // The file went away: the plane is what is left to show.
    cv::cvtColor(templateImages[step][size_t(slot)], pic, cv::COLOR_GRAY2BGRA);
    return pic;
}

void CammerData::InstallTemplatePlane(int step, int slot, const cv::Mat& plane)
{
    if (step < 0 || step >= kStepCount || slot < 0 || plane.empty())
        return;
    std::vector<cv::Mat>& slotList = templateImages[step];
    if (int(slotList.size()) <= slot) {
        slotList.resize(slot + 1);
        templateUsed[step].resize(slot + 1, 0);
    }
    if (pictureStep_ == step && pictureSlot_ == slot) {
        picture_.release();
        pictureStep_ = pictureSlot_ = -1;
    }
    if (slot == 0)
        syntheticTemplate_[step] = false;
    slotList[size_t(slot)] = plane;
    if (!templateUsed[step][size_t(slot)]) {
        templateUsed[step][size_t(slot)] = 1;
        ++templateCount[step];
    }
    ++templateEpoch[step];
}

void CammerData::KeepRecentNG(int step)
{
    if (step < 0 || step >= kStepCount || alignImage.empty())
        return;
    cv::Mat& slot = recentNG[step][recentNGCount[step] % 3];
    Detach(slot);
    alignImage.copyTo(slot);
    ++recentNGCount[step];
}

cv::Mat CammerData::TemplatePlane(int step, int slot) const
{
    TakePicture();
    if (step < 0 || step >= kStepCount || slot < 0 || slot >= int(templateImages[step].size()) ||
        !templateUsed[step][slot] || templateImages[step][slot].empty())
        return cv::Mat();
    return templateImages[step][slot];
}

namespace {

// The steps a load covers: one, or every step in use.
bool covers(int only, int d) { return only < 0 ? StepInUse(d) : d == only; }

} // namespace

void CammerData::LoadTemplates()
{
    for (int d = 0; d < kStepCount; ++d)
        loadTemplates(d, covers(-1, d));
}

void CammerData::loadTemplates(int d, bool inUse)
{
    const int slotCount = std::max(1, gTempNum);
    const int depth = gisColor ? 32 : 8;
    // Every step has its list of slots (empty ones cost nothing), so raising
    // the number of steps in use later never indexes a missing slot.
    if (pictureStep_ == d) {
        picture_.release();
        pictureStep_ = pictureSlot_ = -1;
    }
    syntheticTemplate_[d] = false;
    ++templateEpoch[d];
    templateImages[d].assign(slotCount, cv::Mat());
    templateUsed[d].assign(slotCount, 0);
    templateCount[d] = 0;
    if (!inUse)
        return;
    for (int k = 0; k < slotCount; ++k) {
        QImage img(QStringLiteral("%1/template%2.bmp").arg(Folder(d)).arg(k));
        if (img.isNull() || img.width() != gImageW || img.height() != gImageH || img.depth() != depth)
            continue;
        if (gisColor && img.format() != QImage::Format_RGB32)
            img = img.convertToFormat(QImage::Format_RGB32);
        copyRows(img, TemplateImage(d, k), gisColor ? 4 : 1);
        templateUsed[d][k] = 1;
        ++templateCount[d];
    }
    if (!templateUsed[d][0]) {
        paintSynthetic(TemplateImage(d, 0));
        syntheticTemplate_[d] = true;
        templateUsed[d][0] = 1;
        ++templateCount[d];
    }
    TakePicture();
}

void CammerData::LoadIgnorePoint()
{
    for (int d = 0; d < kStepCount; ++d)
        loadIgnorePoint(d, covers(-1, d));
}

void CammerData::loadIgnorePoint(int d, bool inUse)
{
    ignoreMask[d].release();
    if (!inUse)
        return;
    QImage img(QStringLiteral("%1/ignorepoint.bmp").arg(Folder(d)));
    if (img.isNull() || img.width() != gImageW || img.height() != gImageH)
        return;
    if (!isEightBit(img.format()))
        img = img.convertToFormat(QImage::Format_Grayscale8);
    // Most steps have no ignore points: their mask is made only when points
    // are drawn, so it costs no frame of memory until then.
    bool any = false;
    for (int y = 0; y < img.height() && !any; ++y) {
        const uchar* row = img.constScanLine(y);
        any = std::any_of(row, row + img.width(), [](uchar b) { return b != 0; });
    }
    if (!any)
        return;
    ignoreMask[d] = newStepFrame(CV_8UC1);
    copyRows(img, ignoreMask[d], 1);
}

cv::Mat& CammerData::GrayImage()
{
    if (grayImage.rows != gImageH || grayImage.cols != gImageW || grayImage.type() != CV_8UC1)
        grayImage = cv::Mat(gImageH, gImageW, CV_8UC1, cv::Scalar(0));
    return grayImage;
}

cv::Mat& CammerData::NgOverlay()
{
    if (ngOverlay.rows != gImageH || ngOverlay.cols != gImageW || ngOverlay.type() != CV_8UC1)
        ngOverlay = cv::Mat(gImageH, gImageW, CV_8UC1, cv::Scalar(0));
    return ngOverlay;
}

cv::Mat& CammerData::IgnoreMask(int step)
{
    if (ignoreMask[step].empty())
        ignoreMask[step] = newStepFrame(CV_8UC1);
    return ignoreMask[step];
}

void CammerData::SyncSteps()
{
    for (int d = 0; d < kStepCount; ++d) {
        const bool inUse = StepInUse(d);
        if (inUse == stepLoaded[d] && !(inUse && stepRefused[d]))
            continue;
        if (!inUse) {
            loadTemplates(d, false);
            loadIgnorePoint(d, false);
            for (cv::Mat& m : recentNG[d])
                m.release();
            recentNGCount[d] = 0;
            stepLoaded[d] = false;
            stepRefused[d] = false; // out of use: asked again when it comes back
            continue;
        }
        try {
            loadTemplates(d, true);
            loadIgnorePoint(d, true);
            stepLoaded[d] = true;
            stepRefused[d] = false;
        } catch (const std::bad_alloc&) {
            RefuseStep(d);
        } catch (const cv::Exception&) {
            RefuseStep(d); // OpenCV reports a failed allocation this way
        }
    }
}

void CammerData::RefuseStep(int step)
{
    if (step < 0 || step >= kStepCount)
        return;
    loadTemplates(step, false);
    loadIgnorePoint(step, false);
    for (cv::Mat& m : recentNG[step])
        m.release();
    stepLoaded[step] = false;
    if (stepRefused[step])
        return;
    stepRefused[step] = true;
    const QString text = LanStr(kStepRefusedText).arg(cameraIndex + 1).arg(step + 1);
    qWarning().noquote() << text;
    host::insertRecord(text);
    // Shown from the event loop: a refusal found while a step is judged must
    // not hold the pass inside a message box.
    host::showWarningLater(text);
}

bool CammerData::SaveIgnorePoint(int step)
{
    if (step < 0 || step >= kStepCount || (ignoreMask[step].empty() && !stepLoaded[step]))
        return false;
    const QString path = QStringLiteral("%1/ignorepoint.bmp").arg(Folder(step));
    try {
        // A step in use without a mask has no points: an empty bitmap, made
        // only for the write.
        const cv::Mat plane =
            ignoreMask[step].empty() ? cv::Mat(gImageH, gImageW, CV_8UC1, cv::Scalar(0)) : ignoreMask[step];
        if (!writeBitmap(plane, path))
            return false;
    } catch (const std::bad_alloc&) {
        return false;
    } catch (const cv::Exception&) {
        return false;
    }
    NotifyTempPic(QFileInfo(path).absoluteFilePath());
    return true;
}

bool CammerData::WriteBitmap(const cv::Mat& plane, const QString& path) { return writeBitmapFile(plane, path); }

cv::Mat CammerData::PlaneOf(const cv::Mat& frame, bool colour, bool greyHue)
{
    if (!colour)
        return frame.clone();
    cv::Mat plane(frame.rows, frame.cols, CV_8UC1);
    if (greyHue)
        RGBA2Gray(plane.data, frame.data, frame.cols, frame.rows);
    else
        RGBA2Hue(plane.data, frame.data, frame.cols, frame.rows);
    return plane;
}

bool CammerData::SaveReTrainImage(int step)
{
    if (step < 0 || step >= kStepCount || curImage.empty())
        return false;
    curImage.copyTo(alignImage);
    return PutTemplate(step, 0, alignImage);
}

bool CammerData::CycleTemplateWrite(int step)
{
    if (SaveReTrainImage(step)) {
        templateWriteFailed = false;
        return true;
    }
    if (!templateWriteFailed) {
        templateWriteFailed = true;
        TellBitmapFailures({paramSavesHeld() ? paramSavesHeldText()
                                             : LanStr(kLanTemplateNotWritten).arg(cameraIndex + 1).arg(step + 1)});
    }
    return false;
}

bool CammerData::PutTemplate(int step, int slot, const cv::Mat& frame)
{
    if (step < 0 || step >= kStepCount || slot < 0 || frame.empty())
        return false;
    // The file first: a template that could not be written is not the one
    // in memory either, so the next start uses what this run used.
    const QString path = QStringLiteral("%1/template%2.bmp").arg(Folder(step)).arg(slot);
    if (!writeBitmap(frame, path))
        return false;
    frame.copyTo(TemplateImage(step, slot));
    TakePicture();
    NotifyTempPic(QFileInfo(path).absoluteFilePath());
    return true;
}

bool CammerData::SaveTemplate(int step, int slot)
{
    if (step < 0 || step >= kStepCount || slot < 0 || slot >= int(templateImages[step].size()))
        return false;
    // Colour: only a picture just written is in memory; any other is on disk.
    const bool pending = gisColor && pictureStep_ == step && pictureSlot_ == slot && !picture_.empty();
    if (!pending && templateImages[step][slot].empty())
        return false;
    const QString path = QStringLiteral("%1/template%2.bmp").arg(Folder(step)).arg(slot);
    if (gisColor) {
        const bool written = pending ? writeBitmap(picture_, path) : QFileInfo::exists(path);
        if (!written) {
            // The picture that could not be written never becomes the plane.
            if (pending) {
                picture_.release();
                pictureStep_ = pictureSlot_ = -1;
            }
            return false;
        }
        TakePicture();
    } else if (!writeBitmap(templateImages[step][slot], path)) {
        return false;
    }
    NotifyTempPic(QFileInfo(path).absoluteFilePath());
    return true;
}

bool CammerData::DeleteROI(int e, int r)
{
    if (!editRegions || e < 0 || e >= kStepCount)
        return false;
    CammerSingleton& s = *editRegions;
    if (r < 0 || r >= s.roiCount[e] || s.roiCount[e] > kRegionCount)
        return false;
    const int kind = s.shapeType[e][r];
    if (kind == ShapeRect || kind == ShapePolygon || kind == ShapeRing) {
        const QRect box = shapes::clipToImage(s.ImageRect(e, r));
        if (!box.isEmpty())
            ignoreClears[e].push_back(box);
    }
    for (int k = r; k < s.roiCount[e] - 1; ++k) {
        s.CopyRegion(s, e, k + 1, e, k);
        editMasks[e][k] = editMasks[e][k + 1];
        if (e == 0)
            s.output_point[k] = s.output_point[k + 1];
    }
    --s.roiCount[e];
    return true;
}

bool CammerData::ApplyIgnoreClears()
{
    QStringList failed;
    for (int e = 0; e < kStepCount; ++e) {
        if (ignoreClears[e].empty())
            continue;
        const cv::Mat before = ignoreMask[e].clone();
        if (!ignoreMask[e].empty())
            for (const QRect& box : ignoreClears[e])
                ignoreMask[e](cv::Rect(box.x(), box.y(), box.width(), box.height())).setTo(0);
        ignoreClears[e].clear();
        if (!SaveIgnorePoint(e)) {
            ignoreMask[e] = before; // as the disk still has them
            failed << LanStr(kLanIgnorePointsNotWritten).arg(cameraIndex + 1).arg(e + 1);
        }
    }
    TellBitmapFailures(failed);
    return failed.isEmpty();
}

void CammerData::TellBitmapFailures(const QStringList& texts)
{
    if (texts.isEmpty())
        return;
    for (const QString& text : texts) {
        qWarning().noquote() << text;
        host::insertRecord(text);
    }
    host::showWarning(texts.join(QLatin1Char('\n')));
}

void CammerData::DropIgnoreClears()
{
    for (std::vector<QRect>& boxes : ignoreClears)
        boxes.clear();
}

void CammerData::BackMask()
{
    for (int d = 0; d < kStepCount; ++d)
        for (int r = 0; r < kRegionCount; ++r)
            editMasks[d][r] = liveMasks[d][r];
}

void CammerData::RestorMask()
{
    const WizardPara& p = *gpWPara;
    for (int d = 0; d < kStepCount; ++d) {
        if (p.enabe_two_test) {
            const int proc = p.procedure;
            if ((proc == ProcStandard || proc == ProcAutoParts || proc == ProcStandardNoRecheck) &&
                p.step_enabled[0] && d % 2 == 1)
                continue;
            if ((proc == ProcTwoColor || proc == ProcTurntable) && d >= 2)
                continue;
        }
        for (int r = 0; r < kRegionCount; ++r)
            liveMasks[d][r] = editMasks[d][r];
    }
}

void CammerData::CopyPara()
{
    if (!liveRegions)
        return;
    copySteps(*liveRegions, liveMasks);
}

void CammerData::CopyParaOf(CammerSingleton& store) { copySteps(store, nullptr); }

void CammerData::copySteps(CammerSingleton& s, cv::Mat (*masks)[kRegionCount])
{
    auto copyStep = [&](int a, int b) {
        s.roiCount[b] = s.roiCount[a];
        const int n = std::max(0, std::min(kRegionCount, s.roiCount[a]));
        for (int r = 0; r < n; ++r) {
            s.CopyRegion(s, a, r, b, r);
            switch (s.shapeType[b][r]) {
            case ShapeRect:
                s.rects[b][r].SetSelected(false);
                break;
            case ShapePolygon:
                s.polygons[b][r].SetSelected(false);
                break;
            case ShapeRing:
                s.circles[b][r].SetSelected(false);
                break;
            default:
                break;
            }
            if (masks)
                masks[b][r] = masks[a][r];
        }
    };
    switch (gpWPara->procedure) {
    case ProcTwoColor:
    case ProcTurntable:
        copyStep(1, 3);
        copyStep(0, 2);
        break;
    case ProcStandard:
    case ProcAutoParts:
    case ProcStandardNoRecheck:
        copyStep(0, 1);
        break;
    default:
        break;
    }
}
