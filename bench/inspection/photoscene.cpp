#include "photoscene.h"
#include "layout.h"
#include "texture.h"

#include "inspection/cammersingleton.h"

#include <QImage>
#include <QString>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <opencv2/imgproc.hpp>

#ifndef INMOLD_PHOTO_DIR
#define INMOLD_PHOTO_DIR "bench/inspection/photos"
#endif

namespace {

// Position boxes as an operator would draw them, in a 1280 x 1024 frame.
struct Look {
    const char* name;
    const char* photo;
    const char* other; // what the pasted patches and the stuck part are cut from
    cv::Rect position;
};

const Look kLooks[] = {
    {"brick", "brick.png", "gravel.png", {440, 320, 400, 384}},
    {"gravel", "gravel.png", "coins.png", {440, 320, 400, 384}},
    {"grass", "grass.png", "brick.png", {440, 320, 400, 384}},
    {"camera", "camera.png", "grass.png", {380, 160, 440, 400}}, // the camera and the face
    {"coins", "coins.png", "brick.png", {420, 300, 440, 400}},
    {"plate", "camera.png", "coins.png", {30, 30, 320, 240}}, // a plain part: the sky
};

const int kSizes[] = {20, 40, 80};
const int kContrasts[] = {30, 40, 60, 90};
constexpr int kChangeCycle = 25; // 24 defects (3 sizes, 4 contrasts, disc or patch) and a stuck part

cv::Mat loadPhoto(const char* file)
{
    const char* env = std::getenv("INMOLD_PHOTO_DIR");
    const QString dir = QString::fromLocal8Bit(env && *env ? env : INMOLD_PHOTO_DIR);
    QImage q(dir + QLatin1Char('/') + QLatin1String(file));
    if (q.isNull())
        return cv::Mat();
    q = q.convertToFormat(QImage::Format_Grayscale8);
    cv::Mat m(q.height(), q.width(), CV_8UC1);
    for (int y = 0; y < q.height(); ++y)
        std::memcpy(m.ptr(y), q.constScanLine(y), size_t(q.width()));
    return m;
}

// The photograph scaled to cover the frame, its top-centre kept.
cv::Mat fitted(const cv::Mat& photo, cv::Size size)
{
    const double s = std::max(double(size.width) / photo.cols, double(size.height) / photo.rows);
    cv::Mat big;
    cv::resize(photo, big, cv::Size(int(std::ceil(photo.cols * s)), int(std::ceil(photo.rows * s))), 0, 0,
               cv::INTER_CUBIC);
    return big(cv::Rect((big.cols - size.width) / 2, 0, size.width, size.height)).clone();
}

cv::Mat withNoise(const cv::Mat& img, double sigma, cv::RNG& rng)
{
    cv::Mat f, n(img.size(), CV_32F), out;
    img.convertTo(f, CV_32F);
    rng.fill(n, cv::RNG::NORMAL, 0, sigma);
    f += n;
    f.convertTo(out, CV_8U);
    return out;
}

} // namespace

std::vector<std::string> PhotoScene::Names()
{
    std::vector<std::string> n;
    for (const Look& l : kLooks)
        n.emplace_back(l.name);
    return n;
}

PhotoScene::PhotoScene(const std::string& name, cv::Size size, unsigned seed) : size_(size), seed_(seed)
{
    const Look* look = nullptr;
    for (const Look& l : kLooks)
        if (name == l.name)
            look = &l;
    if (!look)
        return;
    const cv::Mat photo = loadPhoto(look->photo), other = loadPhoto(look->other);
    if (photo.empty() || other.empty())
        return;
    base_ = fitted(photo, size);
    other_ = fitted(other, size);

    const double sx = size.width / 1280.0, sy = size.height / 1024.0;
    auto scaled = [&](cv::Rect r) {
        return cv::Rect(int(r.x * sx), int(r.y * sy), int(r.width * sx), int(r.height * sy));
    };
    auto region = [](int method) {
        SceneRegion r;
        r.method = method;
        r.minSize = 3;
        r.sensibility = 25;
        r.maxArea = 100;
        return r;
    };
    using namespace scenelayout;
    regions_ = {
        rect(region(MethodPosition), scaled(look->position)),
        rect(region(MethodDefect), scaled({40, 40, 560, 430})),
        ring(region(MethodDefect), scaled({750, 50, 420, 420}), false),
        polygon(region(MethodDefect), scaled({40, 540, 560, 450})),
        rect(region(MethodDefect), scaled({680, 540, 560, 450})),
    };
    regions_[0].minSize = 5; // the position model's speed
}

cv::Point2d PhotoScene::positionCentre() const
{
    const cv::Rect& b = regions_[0].box;
    return cv::Point2d(b.x + b.width / 2, b.y + b.height / 2);
}

cv::Mat PhotoScene::Template(int index) const
{
    cv::RNG rng(seed_ * 7919u + unsigned(index) + 1);
    return withNoise(base_, 2.0, rng);
}

PhotoScene::Change PhotoScene::ChangeOf(int index)
{
    Change c;
    if (index % 2 == 0)
        return c;
    const int k = (index / 2) % kChangeCycle;
    if (k == kChangeCycle - 1) {
        c.stuck = true;
        return c;
    }
    c.size = kSizes[k % 3];
    c.contrast = kContrasts[(k / 3) % 4];
    return c;
}

SceneFrame PhotoScene::Frame(int index, double maxAngle) const
{
    cv::RNG rng(seed_ * 1000003u + unsigned(index) * 7u + 11u);
    SceneFrame f;
    f.move = cv::Point2d(rng.uniform(-15.0, 15.0), rng.uniform(-15.0, 15.0));
    f.angle = maxAngle > 0 ? rng.uniform(-maxAngle, maxAngle) : 0.0;
    cv::Mat shot;
    MovedPicture(base_, f.move, positionCentre(), f.angle).convertTo(shot, CV_32F);

    // The shot's light: plain, a gain of -+15 %, a ramp of -+15 % across the
    // frame, blur, or stronger noise.
    const int variant = (index / 2) % 7;
    static const char* const kVariants[] = {"plain", "gain 0.85", "gain 1.15", "ramp +15 %", "ramp -15 %", "blur",
                                            "noise 5"};
    if (variant == 1 || variant == 2) {
        shot *= variant == 1 ? 0.85 : 1.15;
    } else if (variant == 3 || variant == 4) {
        const double ramp = variant == 3 ? 0.15 : -0.15;
        for (int x = 0; x < shot.cols; ++x)
            shot.col(x) *= 1.0 + ramp * (2.0 * x / (shot.cols - 1) - 1.0);
    }
    f.what = kVariants[variant];

    const Change c = ChangeOf(index);
    if (c.stuck) {
        // A part left in the mold over most of the position box.
        const cv::Rect& b = regions_[0].box;
        const int r = std::min(b.width, b.height) * 3 / 8;
        const cv::Point2d at = toFrame(positionCentre(), f.move, f.angle) +
                               cv::Point2d(rng.uniform(-0.2, 0.2) * b.width, rng.uniform(-0.2, 0.2) * b.height);
        cv::Mat mask(shot.size(), CV_8UC1, cv::Scalar(0)), part;
        cv::circle(mask, at, r, cv::Scalar(255), cv::FILLED);
        MovedPicture(other_, {rng.uniform(-300.0, 300.0), rng.uniform(-200.0, 200.0)}, positionCentre(), 0)
            .convertTo(part, CV_32F);
        part.copyTo(shot, mask);
        f.what += ", stuck part";
        f.stuck = true;
    } else if (c.size > 0) {
        std::vector<int> defectable;
        for (int r = 0; r < int(regions_.size()); ++r)
            if (regions_[r].method == MethodDefect)
                defectable.push_back(r);
        const int r = defectable[size_t((index / 2) % int(defectable.size()))];
        const SceneRegion& g = regions_[r];
        cv::Mat inside(size_, CV_8UC1, cv::Scalar(0));
        if (g.shape == ShapeRect)
            cv::rectangle(inside, g.box, cv::Scalar(255), cv::FILLED);
        else if (g.shape == ShapeRing)
            cv::circle(inside, g.centre, g.radius, cv::Scalar(255), cv::FILLED);
        else
            cv::fillConvexPoly(inside, g.polygon, cv::Scalar(255));
        const int rad = c.size / 2;
        cv::erode(inside, inside, cv::getStructuringElement(cv::MORPH_ELLIPSE, cv::Size(2 * rad + 9, 2 * rad + 9)));
        // A place inside the region that stays in view in the shot.
        cv::Point p = scenelayout::centreOf(g.box);
        for (int tries = 0; tries < 200; ++tries) {
            const cv::Point q(rng.uniform(g.box.x, g.box.x + g.box.width), rng.uniform(g.box.y, g.box.y + g.box.height));
            const cv::Point2d t = toFrame(q, f.move, f.angle);
            if (inside.at<uchar>(q) && t.x > rad + 4 && t.y > rad + 4 && t.x < size_.width - rad - 4 &&
                t.y < size_.height - rad - 4) {
                p = q;
                break;
            }
        }
        const cv::Point2d at = toFrame(p, f.move, f.angle);
        cv::Mat disc(shot.size(), CV_8UC1, cv::Scalar(0));
        cv::circle(disc, at, rad, cv::Scalar(255), cv::FILLED);
        const double surface = cv::mean(shot, disc)[0];
        int sign = rng.uniform(0, 2) ? 1 : -1;
        if (surface + sign * c.contrast > 250 || surface + sign * c.contrast < 5)
            sign = -sign;
        const double grey = std::max(0.0, std::min(255.0, surface + sign * c.contrast));
        const bool patch = ((index / 2) % kChangeCycle) / 12 == 1;
        cv::Mat paint(shot.size(), CV_32F, cv::Scalar(grey));
        if (patch) {
            // Another photograph's texture at half its contrast around the grey.
            cv::Mat o;
            MovedPicture(other_, {rng.uniform(-200.0, 200.0), rng.uniform(-200.0, 200.0)}, positionCentre(), 0)
                .convertTo(o, CV_32F);
            const double mean = cv::mean(o, disc)[0];
            paint += 0.5 * (o - mean);
        }
        paint.copyTo(shot, disc);
        f.defectRegion = r;
        char what[96];
        std::snprintf(what, sizeof what, ", %s of %d px, %+d on %.0f", patch ? "patch" : "disc", c.size,
                      int(std::lround(grey - surface)), surface);
        f.what += what;
    }
    if (variant == 5)
        cv::GaussianBlur(shot, shot, cv::Size(), 1.5);
    cv::Mat n(shot.size(), CV_32F);
    rng.fill(n, cv::RNG::NORMAL, 0, variant == 6 ? 5.0 : 2.0);
    shot += n;
    shot.convertTo(f.image, CV_8U);
    return f;
}
