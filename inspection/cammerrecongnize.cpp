#include "inspection/cammerrecongnize.h"

#include "inspection/cammerdata.h"
#include "inspection/measure.h"
#include "inspection/paramroi.h"
#include "inspection/shapebase.h"
#include "params/geometry.h"
#include "params/lanstr.h"
#include "params/wizardpara.h"
#include "platform/host.h"

#include <QDebug>
#include <cmath>
#include <opencv2/imgproc.hpp>

CammerRecong::CammerRecong(CammerSingleton* r, CammerData* v) : regions(r), view(v)
{
    for (int k = 0; k < kStepCount; ++k) {
        searchRect[k] = cv::Rect();
        modelCentreX[k] = modelCentreY[k] = 0;
        positionModels[k].Clear();
        alignState[k] = AlignState::Whole;
        alignFailures[k] = 0;
        alignScore[k] = 0;
        alignShift[k] = cv::Point2d();
        alignAngle[k] = 0;
        wholeView(k);
    }
    curMat = cv::Mat(gImageH, gImageW, CV_8UC1, view->curImage.data);
    alignMat = cv::Mat(gImageH, gImageW, CV_8UC1, view->alignImage.data);
    for (int k = 0; k < kStepCount; ++k) {
        if (!gpWPara->step_enabled[k] || view->stepRefused[k])
            continue;
        try {
            CreateShape(k);
            VarTrain(k);
        } catch (const std::bad_alloc&) {
            view->RefuseStep(k); // no memory for its models: refused, not aborted
        } catch (const cv::Exception&) {
            view->RefuseStep(k);
        }
    }
}

void CammerRecong::CreateShape(int step)
{
    StepTrainingInput in = TrainingInput(step, true, false);
    if (in.shape)
        Install(Train(in));
}

void CammerRecong::wholeView(int step)
{
    const double r = gImageW - 1, b = gImageH - 1;
    viewCorners[step][0] = {0, 0};
    viewCorners[step][1] = {r, 0};
    viewCorners[step][2] = {r, b};
    viewCorners[step][3] = {0, b};
}

void CammerRecong::ShapeMatch(int step)
{
    const WizardPara& p = *gpWPara;
    auto plainCopy = [&] { view->curImage.copyTo(view->alignImage); };
    if (step < 0 || step >= kStepCount) {
        plainCopy();
        return;
    }
    wholeView(step);
    if (p.enable_correct == -1 || gisColor) {
        alignState[step] = AlignState::Whole;
        plainCopy();
        return;
    }
    // A frame that cannot be aligned is judged where it lies, to show what
    // is there, but never passes as if aligned.
    auto failed = [&](AlignState why) {
        alignState[step] = why;
        ++alignFailures[step];
        plainCopy();
    };
    if (!positionModels[step].IsValid() || searchRect[step].width < 1) {
        failed(AlignState::NoModel);
        return;
    }
    // The headers follow the view's buffers should they ever be replaced.
    if (curMat.data != view->curImage.data || alignMat.data != view->alignImage.data) {
        curMat = cv::Mat(gImageH, gImageW, CV_8UC1, view->curImage.data);
        alignMat = cv::Mat(gImageH, gImageW, CV_8UC1, view->alignImage.data);
    }
    const cv::Rect& s = searchRect[step];
    double x = 0, y = 0, score = 0, angle = 0;
    const bool found = positionModels[step].Find(curMat(s), 0, &x, &y, &score, &angle);
    alignScore[step] = score;
    if (!found) {
        failed(AlignState::NotFound);
        qWarning() << "camera" << view->cameraIndex + 1 << "step" << step + 1 << ": position model not found, score"
                   << score << "," << alignFailures[step] << "frames so far; judged NG";
        return;
    }
    const double dx = x - s.x, dy = y - s.y;
    // A turned search lets the part reach past the box; a place further than
    // the offset allows is not the part the operator meant.
    const double g = p.location_adge + 0.5;
    if (std::abs(dx) > g || std::abs(dy) > g) {
        failed(AlignState::NotFound);
        qWarning() << "camera" << view->cameraIndex + 1 << "step" << step + 1 << ": position found" << dx << dy
                   << "px away, beyond the offset" << p.location_adge << "; judged NG";
        return;
    }
    alignState[step] = AlignState::Aligned;
    alignShift[step] = {dx, dy};
    alignAngle[step] = p.rotate_angle >= 1 && p.rotate_angle <= 180 ? angle : 0.0;
    const double r = gImageW - 1, b = gImageH - 1;
    cv::Point2d* c = viewCorners[step];
    if (p.rotate_angle >= 1 && p.rotate_angle <= 180) {
        const cv::Point2d centre(modelCentreX[step], modelCentreY[step]);
        TransformImage(curMat, alignMat, {dx, dy}, centre, angle);
        // A frame pixel s shows up at centre + R^-1 (s - (centre - shift)).
        const double a = angle * CV_PI / 180.0, ca = std::cos(a), sa = std::sin(a);
        const cv::Point2d from = centre - cv::Point2d(dx, dy);
        const cv::Point2d frame[4] = {{1, 1}, {r - 1, 1}, {r - 1, b - 1}, {1, b - 1}};
        for (int k = 0; k < 4; ++k) {
            const cv::Point2d d = frame[k] - from;
            c[k] = centre + cv::Point2d(ca * d.x - sa * d.y, sa * d.x + ca * d.y);
        }
    } else {
        MoveImage(curMat, alignMat, dx, dy);
        const bool whole = std::abs(dx - std::round(dx)) < 1.0 / 64 && std::abs(dy - std::round(dy)) < 1.0 / 64;
        const double m = whole ? 0 : 1;
        const cv::Point2d d = whole ? cv::Point2d(std::round(dx), std::round(dy)) : cv::Point2d(dx, dy);
        c[0] = cv::Point2d(m, m) + d;
        c[1] = cv::Point2d(r - m, m) + d;
        c[2] = cv::Point2d(r - m, b - m) + d;
        c[3] = cv::Point2d(m, b - m) + d;
    }
}

QString CammerRecong::AlignmentText(int step) const
{
    if (step < 0 || step >= kStepCount)
        return QString();
    if (regions && regions->unread)
        return LanStr(kLanRegionsUnreadReason);
    switch (alignState[step]) {
    case AlignState::NotFound:
        return LanStr(kLanAlignNotFound).arg(alignFailures[step]);
    case AlignState::NoModel:
        return LanStr(kLanAlignNoModel);
    default:
        return QString();
    }
}

cv::Mat CammerRecong::InView(int step, const cv::Rect& box) const
{
    if (step < 0 || step >= kStepCount || box.width < 1 || box.height < 1)
        return cv::Mat();
    const cv::Point2d* c = viewCorners[step];
    // The outline is convex and keeps its turning sense: a point is inside
    // when it lies on the same side of all four edges.
    auto inside = [&](double x, double y) {
        for (int k = 0; k < 4; ++k) {
            const cv::Point2d e = c[(k + 1) % 4] - c[k];
            if (e.x * (y - c[k].y) - e.y * (x - c[k].x) < -1e-9)
                return false;
        }
        return true;
    };
    const double x1 = box.x + box.width - 1, y1 = box.y + box.height - 1;
    if (inside(box.x, box.y) && inside(x1, box.y) && inside(x1, y1) && inside(box.x, y1))
        return cv::Mat();
    cv::Mat m(box.size(), CV_8UC1, cv::Scalar(0));
    constexpr int kBits = 4; // sub-pixel corners
    std::vector<cv::Point> quad;
    for (int k = 0; k < 4; ++k)
        quad.emplace_back(int(std::lround((c[k].x - box.x) * (1 << kBits))),
                          int(std::lround((c[k].y - box.y) * (1 << kBits))));
    cv::fillConvexPoly(m, quad, cv::Scalar(255), cv::LINE_8, kBits);
    return m;
}

cv::Mat CammerRecong::ValidIn(int step, const cv::Rect& box) const
{
    if (!validMask[step].empty())
        return validMask[step](box);
    return cv::Mat(box.size(), CV_8UC1, cv::Scalar(255));
}

void CammerRecong::VarTrain(int step)
{
    StepTrainingInput in = TrainingInput(step, false, true);
    if (in.models)
        Install(Train(in));
}

StepTrainingInput CammerRecong::TrainingInput(int step, bool shape, bool models)
{
    StepTrainingInput in;
    if (step < 0 || step >= kStepCount)
        return in;
    const WizardPara& p = *gpWPara;
    in.step = step;
    in.width = gImageW;
    in.height = gImageH;
    in.trainedEpoch = trainedEpoch[step];
    in.templateEpoch = view->templateEpoch[step].load();
    if (models && !view->stepLoaded[step])
        view->SyncSteps(); // trained on its own templates, never on none
    in.models = models && !view->stepRefused[step];
    in.shape = shape && p.enable_correct != -1 && !gisColor;
    in.angle = (p.rotate_angle >= 1 && p.rotate_angle <= 180) ? p.rotate_angle : p.enable_correct;
    in.edge = p.location_adge;
    in.amplify = p.difference_multiplier;
    const int count = std::max(0, std::min(kRegionCount, regions->roiCount[step]));

    if (in.shape) {
        for (int r = 0; r < count; ++r) {
            if (regions->algorithm[step][r] != MethodPosition)
                continue;
            cv::Rect box;
            cv::Mat mask;
            if (shapes::RegionArea(regions->ImageRect(step, r), view->liveMasks[step][r], &box, &mask) && mask.empty())
                mask = cv::Mat(box.size(), CV_8UC1, cv::Scalar(255));
            in.positionBox = box;
            in.positionMask = mask;
            in.positionSpeed = regions->min_size[step][r];
            break; // only the first position region counts
        }
        in.positionPlane = view->TemplatePlane(step, 0);
    }
    if (in.models) {
        in.regions.resize(size_t(count));
        for (int r = 0; r < count; ++r) {
            StepTrainingInput::Region& g = in.regions[size_t(r)];
            g.method = regions->algorithm[step][r];
            g.sensibility = regions->sensibility[step][r];
            if (g.method == MethodIgnore || g.method == MethodDefect || g.method == MethodSimilarity)
                g.inImage = shapes::RegionArea(regions->ImageRect(step, r), view->liveMasks[step][r], &g.box, &g.mask);
        }
        // The editor writes ignore points in place: the training gets its own copy.
        if (!view->ignoreMask[step].empty())
            in.ignore = view->ignoreMask[step].clone();
        for (int j = 0; j < gTempNum && int(in.planes.size()) < view->templateCount[step]; ++j) {
            const cv::Mat plane = view->TemplatePlane(step, j);
            if (plane.empty())
                continue;
            if (j == 0)
                in.planesFromSlot0 = true;
            in.planes.push_back(plane);
        }
    }
    return in;
}

StepTraining CammerRecong::Train(const StepTrainingInput& in)
{
    StepTraining t;
    t.step = in.step;
    t.shape = in.shape;
    t.models = in.models;
    t.trainedEpoch = in.trainedEpoch;
    t.templateEpoch = in.templateEpoch;
    const int W = in.width, H = in.height;

    if (in.shape) {
        cv::Rect box = in.positionBox;
        cv::Mat mask = in.positionMask;
        int speed = in.positionSpeed;
        if (box.width < 1 || box.height < 1) {
            box = cv::Rect(W / 4, H / 4, 3 * W / 4, 3 * H / 4);
            mask = cv::Mat(box.size(), CV_8UC1, cv::Scalar(255));
            speed = 5;
        }
        t.centreX = box.x + box.width / 2;
        t.centreY = box.y + box.height / 2;
        t.position.Clear();
        if (!in.positionPlane.empty())
            t.position.CreateShape(in.positionPlane(box), 0.0, 0, in.angle, t.centreX, t.centreY, false, 255, mask,
                                   speed, 0);
        t.positionFound = t.position.IsValid();
        const int g = in.edge;
        const int x0 = std::max(0, box.x - g), y0 = std::max(0, box.y - g);
        const int right = std::min(W, box.x + box.width + g), bottom = std::min(H, box.y + box.height + g);
        t.searchRect =
            (right - x0 >= 1 && bottom - y0 >= 1) ? cv::Rect(x0, y0, right - x0, bottom - y0) : cv::Rect();
        t.modelBox = box;
    }

    if (in.models) {
        t.defect.resize(kRegionCount);
        t.similarity.resize(kRegionCount);
        // Ignore points, overwritten inside each ignore region's box by its
        // shape (no frame-sized working copy when the step ignores nothing).
        bool ignoreRegions = false;
        for (const StepTrainingInput::Region& g : in.regions)
            ignoreRegions = ignoreRegions || g.method == MethodIgnore;
        cv::Mat ignore = in.ignore;
        if (ignore.empty() && ignoreRegions)
            ignore = cv::Mat(H, W, CV_8UC1, cv::Scalar(0));
        for (const StepTrainingInput::Region& g : in.regions)
            if (g.method == MethodIgnore && g.inImage && !g.mask.empty() && !ignore.empty())
                g.mask.copyTo(ignore(g.box));
        // Any non-zero value marks an ignored pixel, not only 255.
        if (!ignore.empty() && cv::countNonZero(ignore) != 0)
            cv::compare(ignore, 0, t.validMask, cv::CMP_EQ);

        for (size_t r = 0; r < in.regions.size(); ++r) {
            const StepTrainingInput::Region& g = in.regions[r];
            if ((g.method != MethodDefect && g.method != MethodSimilarity) || !g.inImage)
                continue;
            cv::Mat m = t.validMask.empty() ? cv::Mat(g.box.size(), CV_8UC1, cv::Scalar(255))
                                            : t.validMask(g.box).clone();
            if (!g.mask.empty())
                cv::bitwise_and(m, g.mask, m);
            if (g.method == MethodSimilarity) {
                SURF& model = t.similarity[r];
                model.Create(g.box.width, g.box.height, m);
                for (const cv::Mat& plane : in.planes)
                    model.AddTemp(plane(g.box), 1, 50, g.sensibility);
                model.Train(0, 0, 0, 0);
            } else {
                GrayMatch& model = t.defect[r];
                model.Create(g.box.width, g.box.height, m, 0);
                for (const cv::Mat& plane : in.planes)
                    model.AddTemp(plane(g.box));
                model.Train(g.sensibility, in.amplify, 100, 150);
            }
        }
    }
    return t;
}

void CammerRecong::Install(StepTraining&& t)
{
    const int step = t.step;
    if (step < 0 || step >= kStepCount)
        return;
    // The replaced models go back into t (freed with it, where its owner
    // chooses).
    if (t.shape) {
        modelCentreX[step] = t.centreX;
        modelCentreY[step] = t.centreY;
        std::swap(positionModels[step], t.position);
        searchRect[step] = t.searchRect;
        if (!t.positionFound)
            qWarning() << "camera" << view->cameraIndex + 1 << "step" << step + 1
                       << ": no position model, the template has too little structure in" << t.modelBox.x
                       << t.modelBox.y << t.modelBox.width << t.modelBox.height << "; its frames are judged NG";
    }
    if (t.models) {
        std::swap(validMask[step], t.validMask);
        validTrained[step] = true;
        for (int r = 0; r < kRegionCount; ++r) {
            std::swap(defectModels[step][r], t.defect[size_t(r)]);
            std::swap(similarityModels[step][r], t.similarity[size_t(r)]);
        }
    }
    ++trainedEpoch[step];
}

bool CammerRecong::Current(unsigned trained, unsigned templates, int step) const
{
    return step >= 0 && step < kStepCount && trainedEpoch[step] == trained
        && view->templateEpoch[step].load() == templates;
}

namespace {

void storeRects(int (*out)[4], const cv::Rect& box, const std::vector<cv::Rect>& found)
{
    int n = 0;
    for (const cv::Rect& b : found) {
        if (n >= kMaxNgRects)
            break;
        ++n;
        out[n][0] = box.x + b.x;
        out[n][1] = box.y + b.y;
        out[n][2] = box.x + b.x + b.width;
        out[n][3] = box.y + b.y + b.height;
    }
    out[0][0] = n;
}

} // namespace

void CammerRecong::Run(int step)
{
    if (step < 0 || step >= kStepCount)
        return;
    const WizardPara& p = *gpWPara;
    CammerData& v = *view;
    if (!v.stepLoaded[step])
        v.SyncSteps(); // a step the settings brought into use gets its templates first
    // A step without its templates, or of a camera whose regions could not
    // be read, is never judged OK.
    if (v.stepRefused[step] || !v.stepLoaded[step] || regions->unread) {
        v.allOK = false;
        return;
    }
    const int count = std::max(0, std::min(kRegionCount, regions->roiCount[step]));
    v.allOK = true;
    for (int r = 0; r < count; ++r)
        v.roiOK[step][r] = true;

    cv::Mat plane = v.alignImage;
    if (v.alignImage.type() == CV_8UC4) {
        if (v.grayImage.rows != v.alignImage.rows || v.grayImage.cols != v.alignImage.cols ||
            v.grayImage.type() != CV_8UC1)
            v.grayImage = cv::Mat(v.alignImage.rows, v.alignImage.cols, CV_8UC1); // the first judgement
        if (gisGrayHue)
            RGBA2Gray(v.grayImage.data, v.alignImage.data, v.alignImage.cols, v.alignImage.rows);
        else
            RGBA2Hue(v.grayImage.data, v.alignImage.data, v.alignImage.cols, v.alignImage.rows);
        plane = v.grayImage;
    }
    v.NgOverlay().setTo(0);
    const bool collect = gpCycleTrigger && *gpCycleTrigger && p.cntnet_enable;
    if (alignState[step] == AlignState::NoModel || alignState[step] == AlignState::NotFound)
        v.allOK = false;

    for (int r = 0; r < count; ++r) {
        const int m = regions->algorithm[step][r];
        int (*rects)[4] = v.ngRects[step][r];
        if (m == MethodIgnore || m == MethodPosition) {
            v.roiValue[step][r] = 0;
            rects[0][0] = 0;
            continue;
        }
        const cv::Mat& regionMask = v.liveMasks[step][r];
        cv::Rect box;
        cv::Mat mask;
        int error = 0;
        if (regionMask.empty())
            error = -1;
        else if (!validTrained[step])
            error = -2;
        else if (!shapes::RegionArea(regions->ImageRect(step, r), regionMask, &box, &mask))
            error = -3;
        if (error) {
            v.allOK = false;
            host::insertRecord(QStringLiteral("REG RUN ERROR = %1, %2, %3").arg(v.cameraIndex).arg(step).arg(error));
            continue;
        }
        const cv::Mat g = plane(box);
        // Pixels from outside the camera's view count as ignore points.
        const cv::Mat inView = InView(step, box);
        cv::Mat allowed;
        cv::bitwise_and(ValidIn(step, box), mask, allowed);
        if (!inView.empty())
            cv::bitwise_and(allowed, inView, allowed);

        int value = 0, lower = 0, upper = -1;
        bool ng = false;
        if (m == MethodDirection) {
            lower = regions->sensibility[step][r];
            upper = regions->max_area[step][r];
            if (upper < lower)
                std::swap(lower, upper);
            cv::Mat found(box.size(), CV_8UC1, cv::Scalar(0));
            std::vector<cv::Rect> flagged;
            for (const measure::DirectionBlob& b :
                 measure::DirectionBlobs(g, lower, upper, regions->min_size[step][r], inView)) {
                if (!b.flagged)
                    continue;
                const std::vector<std::vector<cv::Point>> one{b.contour};
                cv::drawContours(found, one, 0, cv::Scalar(255), cv::FILLED);
                flagged.push_back(b.box);
            }
            found.copyTo(v.ngOverlay(box));
            storeRects(rects, box, flagged);
            value = int(flagged.size());
            ng = value > 0;
        } else {
            cv::Mat z2(box.size(), CV_8UC1, cv::Scalar(0));
            int k = 1;
            int score = 0;
            if (m == MethodSimilarity) {
                SURF& model = similarityModels[step][r];
                if (model.IsValid())
                    score = int(model.Match(g, z2, inView));
            } else if (measure::GreySelect(m, g, allowed, regions->min_size[step][r], regions->sensibility[step][r],
                                           z2)) {
                k = m == MethodWhiteNum ? std::max(regions->min_size[step][r], 1) : p.min_spot;
            } else {
                // Defect, and any unknown code judged like it.
                GrayMatch& model = defectModels[step][r];
                if (m == MethodDefect && model.IsValid())
                    model.Match(g, z2, inView);
                k = p.enable_display_detail ? regions->min_size[step][r] : p.minimum_size;
            }
            const measure::Blobs b = measure::OpenAndMeasure(z2, k, kMaxNgRects);
            b.found.copyTo(v.ngOverlay(box));
            storeRects(rects, box, b.boxes);
            const int maxArea = regions->max_area[step][r];
            const int sens = regions->sensibility[step][r];
            switch (m) {
            case MethodSpot:
                value = b.area;
                ng = value < sens || value > maxArea;
                lower = sens;
                upper = maxArea;
                break;
            case MethodBlackArea:
            case MethodWhiteArea:
                value = b.area;
                ng = value > maxArea;
                upper = maxArea;
                break;
            case MethodWhiteNum:
                // Every spot counts, also beyond the stored rectangles.
                value = b.count;
                ng = value > maxArea;
                upper = maxArea;
                break;
            case MethodSimilarity:
                value = score;
                ng = value < sens;
                lower = sens;
                break;
            default: {
                value = b.area;
                const int limit = p.enable_display_detail ? maxArea : p.minimum_area;
                ng = p.template_is_ng_image ? value < limit : value > limit;
                upper = maxArea;
                break;
            }
            }
        }
        v.roiValue[step][r] = value;
        if (ng) {
            v.allOK = false;
            v.roiOK[step][r] = false;
        }
        if (collect)
            g_listParamROI.append({v.cameraIndex, step, r, m, value, lower, upper, ng ? 0 : int(v.allOK)});
    }
}

void CammerRecong::RunTest(int step, int r)
{
    if (step < 0 || step >= kStepCount || r < 0 || r >= kRegionCount || !view->editRegions)
        return;
    const WizardPara& p = *gpWPara;
    CammerData& v = *view;
    const CammerSingleton& s = *v.editRegions;

    cv::Mat plane;
    if (gisColor) {
        plane = v.grayImage;
    } else if (v.curTemplate >= 0 && v.curTemplate < int(v.templateImages[step].size())) {
        plane = v.templateImages[step][v.curTemplate];
    }
    v.NgOverlay().setTo(0);
    v.roiValue[step][r] = 0;
    v.ngRects[step][r][0][0] = 0;
    if (r >= s.roiCount[step])
        return;
    const int m = s.algorithm[step][r];
    if (m != MethodSpot && m != MethodBlackArea && m != MethodWhiteArea && m != MethodWhiteNum &&
        m != MethodDirection) {
        v.RequestRepaint();
        return;
    }
    cv::Rect box;
    cv::Mat mask;
    if (!shapes::RegionArea(s.ImageRect(step, r), v.editMasks[step][r], &box, &mask) || mask.empty() ||
        !validTrained[step] || plane.empty() || plane.type() != CV_8UC1)
        return;
    const cv::Mat g = plane(box);
    cv::Mat found(box.size(), CV_8UC1, cv::Scalar(0));
    int value = 0;
    if (m == MethodDirection) {
        for (const measure::DirectionBlob& b :
             measure::DirectionBlobs(g, s.sensibility[step][r], s.max_area[step][r], s.min_size[step][r])) {
            const std::vector<std::vector<cv::Point>> one{b.contour};
            cv::drawContours(found, one, 0, cv::Scalar(255), cv::FILLED);
            if (b.flagged) {
                cv::rectangle(found, b.box, cv::Scalar(255), 1);
                ++value;
            }
        }
    } else {
        cv::Mat allowed, z2;
        cv::bitwise_and(ValidIn(step, box), mask, allowed);
        measure::GreySelect(m, g, allowed, s.min_size[step][r], s.sensibility[step][r], z2);
        const int k = m == MethodWhiteNum ? std::max(s.min_size[step][r], 1) : p.min_spot;
        const measure::Blobs b = measure::OpenAndMeasure(z2, k, 0);
        found = b.found;
        value = m == MethodWhiteNum ? b.count : b.area;
    }
    found.copyTo(v.ngOverlay(box));
    v.roiValue[step][r] = value;
    v.previewShown = true;
    v.RequestRepaint();
}
