#include "inspection/cammerrecongnize.h"

#include "inspection/cammerdata.h"
#include "inspection/shapebase.h"
#include "params/geometry.h"
#include "params/wizardpara.h"

#include <cmath>
#include <opencv2/imgproc.hpp>

CammerRecong::CammerRecong(CammerSingleton* r, CammerData* v) : regions(r), view(v)
{
    for (int k = 0; k < kStepCount; ++k) {
        searchRect[k] = cv::Rect();
        modelCentreX[k] = modelCentreY[k] = 0;
        positionModels[k].Clear();
    }
    curMat = cv::Mat(gImageH, gImageW, CV_8UC1, view->curImage.data);
    alignMat = cv::Mat(gImageH, gImageW, CV_8UC1, view->alignImage.data);
    for (int k = 0; k < kStepCount; ++k)
        if (gpWPara->step_enabled[k]) {
            CreateShape(k);
            VarTrain(k);
        }
}

cv::Mat CammerRecong::TemplatePlane(int step, int slot) const
{
    if (slot >= int(view->templateImages[step].size()) || !view->templateUsed[step][slot])
        return cv::Mat();
    const cv::Mat& t = view->templateImages[step][slot];
    if (t.empty())
        return cv::Mat();
    if (t.type() == CV_8UC1)
        return t;
    cv::Mat plane(t.rows, t.cols, CV_8UC1);
    if (gisGrayHue)
        RGBA2Gray(plane.data, t.data, t.cols, t.rows);
    else
        RGBA2Hue(plane.data, t.data, t.cols, t.rows);
    return plane;
}

void CammerRecong::CreateShape(int step)
{
    const WizardPara& p = *gpWPara;
    if (step < 0 || step >= kStepCount || p.enable_correct == -1 || gisColor)
        return;
    const int W = gImageW, H = gImageH;
    cv::Rect box;
    cv::Mat mask;
    int speed = 5;
    for (int r = 0; r < regions->roiCount[step] && r < kRegionCount; ++r) {
        if (regions->algorithm[step][r] != MethodPosition)
            continue;
        if (shapes::RegionArea(regions->ImageRect(step, r), view->liveMasks[step][r], &box, &mask) &&
            mask.empty())
            mask = cv::Mat(box.size(), CV_8UC1, cv::Scalar(255));
        speed = regions->min_size[step][r];
        break; // only the first position region counts
    }
    if (box.width < 1 || box.height < 1) {
        box = cv::Rect(W / 4, H / 4, 3 * W / 4, 3 * H / 4);
        mask = cv::Mat(box.size(), CV_8UC1, cv::Scalar(255));
        speed = 5;
    }
    modelCentreX[step] = box.x + box.width / 2;
    modelCentreY[step] = box.y + box.height / 2;

    const cv::Mat plane = TemplatePlane(step, 0);
    const int angle = (p.rotate_angle >= 1 && p.rotate_angle <= 180) ? p.rotate_angle : p.enable_correct;
    if (plane.empty())
        positionModels[step].Clear();
    else
        positionModels[step].CreateShape(plane(box), 0.0, 0, angle, modelCentreX[step], modelCentreY[step], false,
                                         255, mask, speed, 0);

    const int g = p.location_adge;
    const int x0 = std::max(0, box.x - g), y0 = std::max(0, box.y - g);
    const int right = std::min(W, box.x + box.width + g), bottom = std::min(H, box.y + box.height + g);
    searchRect[step] = (right - x0 >= 1 && bottom - y0 >= 1) ? cv::Rect(x0, y0, right - x0, bottom - y0) : cv::Rect();
}

void CammerRecong::ShapeMatch(int step)
{
    const WizardPara& p = *gpWPara;
    auto plainCopy = [&] { view->curImage.copyTo(view->alignImage); };
    if (step < 0 || step >= kStepCount || p.enable_correct == -1 || gisColor || !positionModels[step].IsValid() ||
        searchRect[step].width < 1) {
        plainCopy();
        return;
    }
    const cv::Rect& s = searchRect[step];
    double x, y, score, angle;
    if (!positionModels[step].Find(curMat(s), 0, &x, &y, &score, &angle)) {
        plainCopy();
        return;
    }
    const double dx = x - s.x, dy = y - s.y;
    if (p.rotate_angle >= 1 && p.rotate_angle <= 180)
        TransformImage(curMat, alignMat, {dx, dy}, {double(modelCentreX[step]), double(modelCentreY[step])}, angle);
    else
        MoveImage(curMat, alignMat, int(std::lround(dx)), int(std::lround(dy)));
}

void CammerRecong::VarTrain(int step)
{
    if (step < 0 || step >= kStepCount)
        return;
    const WizardPara& p = *gpWPara;
    for (int r = 0; r < kRegionCount; ++r) {
        if (defectModels[step][r].IsValid())
            defectModels[step][r].Clear();
        if (similarityModels[step][r].IsValid())
            similarityModels[step][r].Clear();
    }

    // Ignore points, overwritten inside each ignore region's box by its shape.
    cv::Mat ignore = view->ignoreMask[step].empty() ? cv::Mat(gImageH, gImageW, CV_8UC1, cv::Scalar(0))
                                                     : view->ignoreMask[step].clone();
    const int count = std::max(0, std::min(kRegionCount, regions->roiCount[step]));
    for (int r = 0; r < count; ++r) {
        if (regions->algorithm[step][r] != MethodIgnore)
            continue;
        cv::Rect box;
        cv::Mat m;
        if (shapes::RegionArea(regions->ImageRect(step, r), view->liveMasks[step][r], &box, &m) && !m.empty())
            m.copyTo(ignore(box));
    }
    // Any non-zero value marks an ignored pixel, not only 255.
    cv::compare(ignore, 0, validMask[step], cv::CMP_EQ);

    std::vector<cv::Mat> planes;
    for (int j = 0; j < gTempNum && int(planes.size()) < view->templateCount[step]; ++j) {
        const cv::Mat plane = TemplatePlane(step, j);
        if (!plane.empty())
            planes.push_back(plane);
    }
    for (int r = 0; r < count; ++r) {
        const int method = regions->algorithm[step][r];
        if (method != MethodDefect && method != MethodSimilarity)
            continue;
        cv::Rect box;
        cv::Mat rm;
        if (!shapes::RegionArea(regions->ImageRect(step, r), view->liveMasks[step][r], &box, &rm))
            continue;
        cv::Mat m = validMask[step](box).clone();
        if (!rm.empty())
            cv::bitwise_and(m, rm, m);
        if (method == MethodSimilarity) {
            SURF& model = similarityModels[step][r];
            model.Create(box.width, box.height, m);
            for (const cv::Mat& plane : planes)
                model.AddTemp(plane(box), 1, 50, regions->sensibility[step][r]);
            model.Train(0, 0, 0, 0);
        } else {
            GrayMatch& model = defectModels[step][r];
            model.Create(box.width, box.height, m, 0);
            for (const cv::Mat& plane : planes)
                model.AddTemp(plane(box));
            model.Train(regions->sensibility[step][r], p.difference_multiplier, 100, 150);
        }
    }
}
