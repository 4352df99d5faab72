#include "inspection/autoregion.h"

#include "inspection/cammerdata.h"
#include "inspection/shapebase.h"
#include "params/geometry.h"
#include "params/wizardpara.h"

#include <opencv2/imgproc.hpp>

bool AutogenerationRegion(CammerData* view, int step, int* whyNot)
{
    int unused = 0;
    int& why = whyNot ? *whyNot : unused;
    why = 0;
    if (!view || !view->editRegions || step < 0 || step >= kStepCount)
        return false;
    CammerSingleton& s = *view->editRegions;
    const int slot = s.roiCount[step];
    if (slot < 0 || slot >= kRegionCount)
        return false;
    // A step out of use holds no template to compare.
    const cv::Mat t0 = view->TemplatePlane(0, 0), t1 = view->TemplatePlane(1, 0);
    if (t0.empty() || t1.empty() || t0.size() != t1.size()) {
        why = kRowAutoRegionStepsUnused;
        return false;
    }

    cv::Mat d, b;
    cv::absdiff(t0, t1, d);
    cv::inRange(d, cv::Scalar(50), cv::Scalar(255), b);
    const cv::Mat ellipse30 = cv::getStructuringElement(cv::MORPH_ELLIPSE, cv::Size(30, 30));
    cv::morphologyEx(b, b, cv::MORPH_OPEN, cv::getStructuringElement(cv::MORPH_RECT, cv::Size(3, 3)));
    cv::morphologyEx(b, b, cv::MORPH_CLOSE, ellipse30);
    cv::morphologyEx(b, b, cv::MORPH_OPEN, ellipse30);
    cv::dilate(b, b, cv::getStructuringElement(cv::MORPH_ELLIPSE, cv::Size(50, 50)));
    std::vector<std::vector<cv::Point>> contours;
    cv::findContours(b, contours, cv::RETR_TREE, cv::CHAIN_APPROX_SIMPLE);
    if (contours.empty()) {
        why = kRowAutoRegionNoDifference;
        return false;
    }

    std::vector<cv::Point> all, hull, simple;
    for (const auto& c : contours)
        all.insert(all.end(), c.begin(), c.end());
    cv::convexHull(all, hull, false, true);
    cv::approxPolyDP(hull, simple, 10.0, true);
    if (int(simple.size()) > RePolygon::MaxPoints)
        simple.resize(RePolygon::MaxPoints);

    std::vector<QPoint> viewPts;
    for (const cv::Point& p : simple)
        viewPts.emplace_back(shapes::nint(p.x * gShowAW), shapes::nint(p.y * gShowAH));
    RePolygon& poly = s.polygons[step][slot];
    poly.SetPoints(viewPts);
    poly.setImageRect();
    poly.SetSelected(true);
    view->editMasks[step][slot] = poly.UpdateMask();
    s.shapeType[step][slot] = ShapePolygon;
    s.algorithm[step][slot] = MethodDefect;

    // A fifth of the mean difference over the differing pixels of the box.
    const cv::Rect br = cv::boundingRect(simple) & cv::Rect(0, 0, d.cols, d.rows);
    const cv::Mat part = d(br);
    const int n = cv::countNonZero(part);
    const long long mean = (long long)cv::mean(part)[0];
    s.min_size[step][slot] = gpWPara->minimum_size;
    s.sensibility[step][slot] = n > 0 ? int(double(mean * br.width * br.height / n) * 0.2) : 0;
    s.max_area[step][slot] = gpWPara->minimum_area;
    s.roiCount[step] = slot + 1;
    view->selectedRegion = -1;
    return true;
}
