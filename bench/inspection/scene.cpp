#include "scene.h"
#include "layout.h"
#include "texture.h"

#include "inspection/cammersingleton.h"

#include <cmath>
#include <opencv2/imgproc.hpp>

namespace {

cv::Mat texture(cv::Size size, unsigned seed)
{
    return SceneTexture(size, seed, {4.0, 50, 190, size.area() / 6000, 4, 16, 225, 30});
}

// Grey levels of the painted patches and their features.
constexpr int kSpotBack = 30, kSpotGrey = 120;
constexpr int kBlackBack = 200, kWhiteBack = 50, kPinBack = 40, kPinGrey = 230;
constexpr int kWedgeBack = 20, kWedgeGrey = 235;
constexpr int kSpotRadius = 14, kBlobRadius = 12, kDefectRadius = 10, kPinRadius = 5, kWedge = 40;

} // namespace

SceneGenerator::SceneGenerator(cv::Size size, unsigned seed) : size_(size), seed_(seed)
{
    base_ = texture(size, seed);
    otherTexture_ = texture(size, seed + 1000);
    using scenelayout::centreOf;
    auto cell = [&](int col, int row, int rows = 1) { return scenelayout::cell(size, col, row, rows); };
    auto shaped = [](int method) {
        SceneRegion r;
        r.method = method;
        return r;
    };
    auto rect = [&](int method, cv::Rect b) {
        SceneRegion r = scenelayout::rect(shaped(method), b);
        r.defectAt = b.tl() + cv::Point(b.width / 5, b.height / 5);
        return r;
    };
    auto ring = [&](int method, cv::Rect b) {
        SceneRegion r = scenelayout::ring(shaped(method), b, method == MethodDefect);
        r.defectAt = method == MethodDefect ? r.centre + cv::Point((r.radius + r.inner) / 2, 0) : r.centre;
        return r;
    };
    auto poly = [&](int method, cv::Rect b) {
        SceneRegion r = scenelayout::polygon(shaped(method), b);
        r.defectAt = centreOf(b);
        return r;
    };
    auto params = [](SceneRegion r, int minSize, int sens, int maxArea) {
        r.minSize = minSize;
        r.sensibility = sens;
        r.maxArea = maxArea;
        return r;
    };

    regions_ = {
        params(rect(MethodPosition, cell(2, 1, 2)), 5, 0, 0),
        params(rect(MethodDefect, cell(0, 0)), 3, 30, 100),
        params(ring(MethodDefect, cell(1, 0)), 3, 30, 100),
        params(poly(MethodDefect, cell(2, 0)), 3, 30, 100),
        params(rect(MethodDefect, cell(2, 3)), 3, 30, 100),
        params(rect(MethodIgnore, cv::Rect(centreOf(cell(2, 3)) - cv::Point(30, 30), cv::Size(60, 60))), 0, 0, 0),
        params(ring(MethodDefect, cell(4, 3)), 3, 30, 100),
        params(rect(MethodSpot, cell(3, 0)), (80 << 8) | 160, 200, 1000),
        params(ring(MethodSpot, cell(4, 0)), (160 << 8) | 80, 200, 1000),
        params(rect(MethodBlackArea, cell(0, 1)), 0, 80, 150),
        params(poly(MethodBlackArea, cell(1, 1)), 0, 80, 150),
        params(rect(MethodBlackArea, cell(3, 3)), 0, 80, 150),
        params(rect(MethodWhiteArea, cell(3, 1)), 0, 170, 150),
        params(ring(MethodWhiteArea, cell(4, 1)), 0, 170, 150),
        params(rect(MethodSimilarity, cell(0, 2)), 0, 85, 0),
        params(poly(MethodSimilarity, cell(1, 2)), 0, 85, 0),
        params(rect(MethodWhiteNum, cell(3, 2)), 3, 150, 4),
        params(ring(MethodWhiteNum, cell(4, 2)), 3, 150, 4),
        params(rect(MethodDirection, cell(0, 3)), 0, 300, 1000),
        params(rect(MethodDirection, cell(1, 3)), 0, 300, 1000),
    };
    for (size_t i = 0; i < regions_.size(); ++i) {
        if (regions_[i].method == MethodIgnore)
            ignored_ = int(i);
        else if (regions_[i].method != MethodPosition)
            defectable_.push_back(int(i));
    }
    cv::RNG rng(seed);
    for (int i = 0; i < int(regions_.size()); ++i)
        paint(base_, i, false, rng);
}

cv::Point2d Scene::toFrame(cv::Point2d p, cv::Point2d move, double angle) const
{
    const cv::Point2d c = positionCentre();
    const double a = angle * CV_PI / 180, ca = std::cos(a), sa = std::sin(a);
    const cv::Point2d d = p - c;
    return c + cv::Point2d(ca * d.x + sa * d.y, -sa * d.x + ca * d.y) + move;
}

cv::Point2d SceneGenerator::positionCentre() const
{
    const cv::Rect& b = regions_[0].box;
    return cv::Point2d(b.x + b.width / 2, b.y + b.height / 2);
}

void SceneGenerator::paint(cv::Mat& img, int index, bool defect, cv::RNG& rng) const
{
    const SceneRegion& r = regions_[index];
    const cv::Rect patch = cv::Rect(r.box.x - 12, r.box.y - 12, r.box.width + 24, r.box.height + 24) &
                           cv::Rect(0, 0, img.cols, img.rows);
    const cv::Point c(r.box.x + r.box.width / 2, r.box.y + r.box.height / 2);
    switch (r.method) {
    case MethodSpot:
        if (!defect) {
            img(patch).setTo(kSpotBack);
            cv::circle(img, c, kSpotRadius, cv::Scalar(kSpotGrey), cv::FILLED, cv::LINE_AA);
        } else {
            cv::circle(img, c, kSpotRadius + 2, cv::Scalar(kSpotBack), cv::FILLED);
        }
        break;
    case MethodBlackArea:
        if (!defect)
            img(patch).setTo(kBlackBack);
        else
            cv::circle(img, r.defectAt, kBlobRadius, cv::Scalar(20), cv::FILLED, cv::LINE_AA);
        break;
    case MethodWhiteArea:
        if (!defect)
            img(patch).setTo(kWhiteBack);
        else
            cv::circle(img, r.defectAt, kBlobRadius, cv::Scalar(240), cv::FILLED, cv::LINE_AA);
        break;
    case MethodWhiteNum: {
        if (!defect)
            img(patch).setTo(kPinBack);
        const int pins = defect ? 2 : 4;
        for (int k = 0; k < pins; ++k) {
            const double a = (defect ? 0.25 + k : k) * CV_PI / 2;
            const int rr = defect ? 12 : 28;
            cv::circle(img, c + cv::Point(int(rr * std::cos(a)), int(rr * std::sin(a))), kPinRadius,
                       cv::Scalar(kPinGrey), cv::FILLED, cv::LINE_AA);
        }
        break;
    }
    case MethodDirection: {
        img(patch).setTo(kWedgeBack);
        const cv::Point o = c - cv::Point(kWedge / 2, kWedge / 2);
        // Good: the wedge fills the upper right, its box's empty part lies left.
        std::vector<cv::Point> wedge = defect ? std::vector<cv::Point>{o, o + cv::Point(0, kWedge), o + cv::Point(kWedge, kWedge)}
                                              : std::vector<cv::Point>{o, o + cv::Point(kWedge, 0), o + cv::Point(kWedge, kWedge)};
        cv::fillConvexPoly(img, wedge, cv::Scalar(kWedgeGrey), cv::LINE_AA);
        break;
    }
    case MethodSimilarity:
        if (defect)
            otherTexture_(r.box).copyTo(img(r.box));
        break;
    case MethodDefect:
        if (defect) {
            const cv::Rect around = cv::Rect(r.defectAt - cv::Point(12, 12), cv::Size(24, 24)) & cv::Rect(0, 0, img.cols, img.rows);
            const int grey = cv::mean(img(around))[0] >= 128 ? 10 : 245;
            cv::circle(img, r.defectAt, kDefectRadius, cv::Scalar(grey), cv::FILLED, cv::LINE_AA);
        }
        break;
    case MethodIgnore: {
        // Something moving in the ignored part every frame.
        const cv::Point p(r.box.x + rng.uniform(12, r.box.width - 12), r.box.y + rng.uniform(12, r.box.height - 12));
        cv::circle(img, p, 8, cv::Scalar(rng.uniform(0, 2) ? 5 : 250), cv::FILLED);
        break;
    }
    default:
        break;
    }
}

cv::Mat SceneGenerator::finish(const cv::Mat& clean, cv::Point2d move, double angle, double gain, double offset,
                               cv::RNG& rng) const
{
    cv::Mat moved = MovedPicture(clean, move, positionCentre(), angle);
    cv::Mat noise(clean.size(), CV_16S), out;
    rng.fill(noise, cv::RNG::NORMAL, 0, 3);
    moved.convertTo(moved, CV_16S, gain, offset);
    cv::add(moved, noise, moved);
    moved.convertTo(out, CV_8U);
    return out;
}

cv::Mat SceneGenerator::Template(int index) const
{
    cv::RNG rng(seed_ * 31 + unsigned(index) + 7);
    return finish(base_, {0, 0}, 0, 1.0, 0, rng);
}

SceneFrame SceneGenerator::Frame(int index, double maxAngle) const
{
    cv::RNG rng(seed_ * 1000003u + unsigned(index));
    SceneFrame f;
    cv::Mat img = base_.clone();
    paint(img, ignored_, false, rng); // the ignored part changes in every frame
    if (index % 2 == 1) {
        f.defectRegion = defectable_[(index / 2) % defectable_.size()];
        paint(img, f.defectRegion, true, rng);
    }
    f.move = cv::Point2d(rng.uniform(-15.0, 15.0), rng.uniform(-15.0, 15.0));
    f.angle = maxAngle > 0 ? rng.uniform(-maxAngle, maxAngle) : 0.0;
    const double gain = rng.uniform(0.9, 1.1), offset = rng.uniform(-10.0, 10.0);
    f.image = finish(img, f.move, f.angle, gain, offset, rng);
    return f;
}
