#include "platform/vision/vision.h"

#include <algorithm>
#include <cmath>
#include <opencv2/imgproc.hpp>

namespace {

constexpr int kTopMinSide = 16; // model side at the coarsest refined level
// An angled search may scan further down, to this model side, when the
// scan would otherwise cost too much; the climb through the finer levels
// then sorts its candidates out.
constexpr int kScanMinSide = 8;
constexpr int kMaxLevel = 7;
// Angles times pixels of the scanned image an angled scan may cost (about
// 10 ms on one core); a wider range or a larger image scans a coarser level.
constexpr double kScanBudget = 2e6;
// The kernels' spectra are kept between searches up to this size per level.
constexpr size_t kMaxSpectraBytes = size_t(8) << 20;
// Angles of the scan are this many refinement steps apart: the scan level is
// smoothed enough that a part turned half a scan step away still correlates
// clearly, and the climb that follows finds the angle between.
constexpr double kScanStepFactor = 2.0;
// Grey-level spread below which the scan's local normalisation stops
// amplifying, so that flat, noisy areas do not look like structure.
constexpr float kScanMinSpread = 4.0f;
// Points used by the final least-squares step: plenty for a hundredth of a
// pixel, few enough to cost well under a millisecond.
constexpr size_t kRefinePoints = 1200;
// Shift only, the last least-squares step runs on the model and the frame
// both smoothed this much (pixels): every point then lies at the same
// fraction of a pixel, and on hard steel edges bilinear reads would pull the
// fit towards whole pixels by up to a quarter of one.
constexpr double kShiftFinishSigma = 1.0;
// Two poses are distinct when this far apart (pixels at full resolution, or
// degrees): closer, they are one peak roughened by noise, and any of them
// lies well within what the judgement tolerates.
constexpr double kDistinctShift = 8.0;
constexpr double kDistinctAngle = 2.0;
// A distinct rival scoring this share of the best or more makes the place
// unsure. On real textures a right place leads its rival by a third and
// more; a plain plate's or a repeated pattern's rivals come within a few
// hundredths.
constexpr double kUniqueShare = 0.88;
constexpr double kCarryShare = 0.6;
// On the exact correlation at the found angle the place found must close this
// share of the way from the best other place's score to a perfect one. A part
// on a texture closes half of it and more, even under noise and blur; a plain
// plate's best place, or a pose next to a covered part, a quarter at most.
constexpr double kStandOut = 0.375;
// Other places, the best of a coarser correlation, scored exactly for that.
constexpr int kRivalPlaces = 6;

inline float sampleBilinear(const cv::Mat& img, double x, double y)
{
    const int maxX = img.cols - 1, maxY = img.rows - 1;
    x = std::max(0.0, std::min<double>(maxX, x));
    y = std::max(0.0, std::min<double>(maxY, y));
    const int x0 = int(x), y0 = int(y);
    const int x1 = std::min(maxX, x0 + 1), y1 = std::min(maxY, y0 + 1);
    const float fx = float(x - x0), fy = float(y - y0);
    const uchar* r0 = img.ptr<uchar>(y0);
    const uchar* r1 = img.ptr<uchar>(y1);
    const float top = r0[x0] + (r0[x1] - r0[x0]) * fx;
    const float bottom = r1[x0] + (r1[x1] - r1[x0]) * fx;
    return top + (bottom - top) * fy;
}

double parabolaOffset(double minus, double centre, double plus)
{
    const double den = minus - 2 * centre + plus;
    if (den >= 0)
        return 0;
    return std::max(-0.5, std::min(0.5, 0.5 * (minus - plus) / den));
}

cv::Mat levelMask(const cv::Mat& mask, cv::Size size)
{
    if (mask.size() == size)
        return mask.clone();
    cv::Mat r, m;
    cv::resize(mask, r, size, 0, 0, cv::INTER_AREA);
    cv::compare(r, 250, m, cv::CMP_GT);
    if (cv::countNonZero(m) == 0)
        cv::compare(r, 0, m, cv::CMP_GT);
    return m;
}

// Angle in (-180, 180].
double wrapAngle(double a)
{
    while (a > 180.0)
        a -= 360.0;
    while (a <= -180.0)
        a += 360.0;
    return a;
}

double angleDistance(double a, double b) { return std::abs(wrapAngle(a - b)); }

// (I - local mean) / local spread over a win x win box, the spread kept at
// kScanMinSpread or more.
cv::Mat localNormalised(const cv::Mat& img, int win)
{
    cv::Mat f, mean, sq, meanSq;
    img.convertTo(f, CV_32F);
    const cv::Size k(win, win);
    cv::boxFilter(f, mean, CV_32F, k, cv::Point(-1, -1), true, cv::BORDER_REFLECT);
    cv::multiply(f, f, sq);
    cv::boxFilter(sq, meanSq, CV_32F, k, cv::Point(-1, -1), true, cv::BORDER_REFLECT);
    cv::Mat var = meanSq - mean.mul(mean);
    cv::max(var, kScanMinSpread * kScanMinSpread, var);
    cv::sqrt(var, var);
    cv::subtract(f, mean, f);
    cv::divide(f, var, f);
    return f;
}

// A model image (any type) turned by `angle` about its reference point, on a
// square canvas whose centre is that point: the turned mask, the box it
// fills, and that centre's place in the box.
struct TurnedModel {
    cv::Mat image, mask;
    cv::Rect used;
    cv::Point2d refAt;
};

TurnedModel turnModel(const cv::Mat& model, const cv::Mat& mask, cv::Point2f ref, double angle)
{
    TurnedModel t;
    const double half = 0.5 * std::hypot(double(model.cols), double(model.rows));
    const int side = int(std::ceil(2 * half)) + 1;
    const double r = angle * CV_PI / 180.0, ca = std::cos(r), sa = std::sin(r);
    const cv::Point2d c(side / 2.0, side / 2.0);
    // Canvas pixel q shows model pixel ref + R^-1 (q - c).
    cv::Matx23d inv(ca, -sa, 0, sa, ca, 0);
    inv(0, 2) = ref.x - (ca * c.x - sa * c.y);
    inv(1, 2) = ref.y - (sa * c.x + ca * c.y);
    cv::warpAffine(model, t.image, inv, cv::Size(side, side), cv::INTER_LINEAR | cv::WARP_INVERSE_MAP,
                   cv::BORDER_REPLICATE);
    cv::warpAffine(mask, t.mask, inv, cv::Size(side, side), cv::INTER_NEAREST | cv::WARP_INVERSE_MAP,
                   cv::BORDER_CONSTANT, cv::Scalar(0));
    t.used = cv::boundingRect(t.mask);
    t.refAt = c - cv::Point2d(t.used.tl());
    return t;
}

} // namespace

void FindShape::Clear()
{
    levels_.clear();
    top_ = 0;
    valid_ = false;
}

bool FindShape::CreateShape(const cv::Mat& model, double minScore, int levels, int angleRange, int centreX,
                            int centreY, bool ignorePolarity, int maskLevel, const cv::Mat& mask, int speed,
                            int)
{
    Clear();
    if (model.type() != CV_8UC1 || model.cols < 4 || model.rows < 4)
        return false;
    cv::Mat m;
    if (mask.type() == CV_8UC1 && mask.size() == model.size())
        cv::compare(mask, std::max(1, maskLevel) - 1, m, cv::CMP_GT);
    else
        m = cv::Mat(model.size(), CV_8UC1, cv::Scalar(255));
    if (cv::countNonZero(m) < 16)
        return false;
    cv::Scalar mean, sd;
    cv::meanStdDev(model, mean, sd, m);
    if (sd[0] < 2.0)
        return false; // flat: nothing to lock onto

    centreX_ = centreX;
    centreY_ = centreY;
    angleRange_ = std::max(0, std::min(180, angleRange));
    minScore_ = minScore > 0 ? minScore : kFindShapeAcceptScore;
    ignorePolarity_ = ignorePolarity;
    speed = std::max(0, std::min(10, speed));
    candidates_ = speed >= 7 ? 1 : speed >= 4 ? 3 : 5;
    const int budget = speed >= 7 ? 1500 : speed >= 4 ? 4000 : 8000;

    int top = 0;
    if (levels > 0) {
        top = std::min(kMaxLevel, levels - 1);
        while (top > 0 && std::min(model.cols, model.rows) >> top < 4)
            --top;
    } else {
        while (top < kMaxLevel && (std::min(model.cols, model.rows) >> (top + 1)) >= kTopMinSide)
            ++top;
    }
    top_ = top;
    int deepest = top;
    if (angleRange_ > 0)
        while (deepest < kMaxLevel && (std::min(model.cols, model.rows) >> (deepest + 1)) >= kScanMinSide)
            ++deepest;
    std::vector<cv::Mat> pyr;
    cv::buildPyramid(model, pyr, deepest);

    const cv::Point2f ref0(float(model.cols / 2), float(model.rows / 2));
    for (int l = 0; l <= deepest; ++l) {
        Level lv;
        lv.model = pyr[l];
        lv.mask = levelMask(m, pyr[l].size());
        const float scale = 1.0f / float(1 << l);
        lv.ref = ref0 * scale;
        const double radius = 0.5 * std::hypot(double(lv.model.cols), double(lv.model.rows));
        lv.angleStep = std::atan(1.0 / std::max(1.0, radius)) * 180.0 / CV_PI;

        // Sample points: the strongest gradients inside the (eroded) mask; a
        // flat model falls back to a regular grid of mask pixels. The
        // threshold comes from a histogram of the magnitudes, so that a large
        // model costs no sort of all its pixels.
        cv::Mat gx, gy, mag, inner;
        cv::Sobel(lv.model, gx, CV_16S, 1, 0);
        cv::Sobel(lv.model, gy, CV_16S, 0, 1);
        mag = cv::abs(gx) + cv::abs(gy);
        cv::erode(lv.mask, inner, cv::Mat(), cv::Point(-1, -1), 1, cv::BORDER_CONSTANT, cv::Scalar(0));
        std::vector<int> hist(2048, 0);
        for (int y = 1; y < lv.model.rows - 1; ++y) {
            const short* mr = mag.ptr<short>(y);
            const uchar* ir = inner.ptr<uchar>(y);
            for (int x = 1; x < lv.model.cols - 1; ++x)
                if (ir[x] && mr[x] > 0)
                    ++hist[std::min(2047, int(mr[x]))];
        }
        // Coarser levels only need to bring the next one within a pixel.
        const int levelBudget = std::max(256, budget >> l);
        int threshold = 1;
        for (int v = 2047, acc = 0; v >= 1; --v) {
            acc += hist[v];
            if (acc >= levelBudget) {
                threshold = v;
                break;
            }
        }
        struct P {
            int x, y;
        };
        std::vector<P> cand;
        for (int y = 1; y < lv.model.rows - 1; ++y) {
            const short* mr = mag.ptr<short>(y);
            const uchar* ir = inner.ptr<uchar>(y);
            for (int x = 1; x < lv.model.cols - 1; ++x)
                if (ir[x] && mr[x] >= threshold)
                    cand.push_back({x, y});
        }
        if (int(cand.size()) > levelBudget) {
            // Ties at the threshold: spread the survivors over the model.
            std::vector<P> even;
            const double stride = double(cand.size()) / levelBudget;
            for (int i = 0; i < levelBudget; ++i)
                even.push_back(cand[size_t(i * stride)]);
            cand.swap(even);
        }
        if (cand.size() < 32) {
            cand.clear();
            const int total = cv::countNonZero(lv.mask);
            const int stride = std::max(1, int(std::sqrt(double(total) / levelBudget)));
            for (int y = 0; y < lv.model.rows; y += stride)
                for (int x = 0; x < lv.model.cols; x += stride)
                    if (lv.mask.at<uchar>(y, x))
                        cand.push_back({x, y});
        }
        double s = 0, s2 = 0;
        for (const P& p : cand) {
            const double v = lv.model.at<uchar>(p.y, p.x);
            s += v;
            s2 += v * v;
        }
        const double n = double(cand.size());
        const double mu = s / n;
        const double sdp = std::sqrt(std::max(0.0, s2 / n - mu * mu));
        if (sdp < 1.0)
            return false;
        cv::Mat smooth;
        if (l == 0 && angleRange_ == 0)
            cv::GaussianBlur(lv.model, smooth, cv::Size(), kShiftFinishSigma);
        for (const P& p : cand) {
            const float v = lv.model.at<uchar>(p.y, p.x);
            lv.pts.emplace_back(float(p.x), float(p.y));
            lv.values.push_back(v);
            lv.weights.push_back(float((v - mu) / (sdp * n)));
            if (!smooth.empty())
                lv.smoothValues.push_back(smooth.at<uchar>(p.y, p.x));
        }
        levels_.push_back(std::move(lv));
    }

    if (angleRange_ > 0)
        for (int l = top; l < int(levels_.size()); ++l)
            if (!buildKernels(levels_[l]))
                return false;
    valid_ = true;
    return valid_;
}

// The scan of an angled search runs on a locally normalised image with the
// model turned through the range beforehand.
bool FindShape::buildKernels(Level& t) const
{
    t.window = std::max(5, (std::min(t.model.cols, t.model.rows) / 2) | 1);
    const double step = kScanStepFactor * t.angleStep;
    std::vector<double> angles;
    if (angleRange_ >= 180) {
        const int n = int(std::ceil(360.0 / step));
        for (int k = 0; k < n; ++k)
            angles.push_back(wrapAngle(-180.0 + 360.0 * (k + 1) / n));
    } else {
        const int n = int(std::ceil(angleRange_ / step));
        for (int k = -n; k <= n; ++k)
            angles.push_back(double(angleRange_) * k / n);
    }
    // Normalised upright, then turned, so that the kernel sees what the
    // normalised image shows of a turned part.
    const cv::Mat tf = localNormalised(t.model, t.window);
    for (double a : angles) {
        const TurnedModel turned = turnModel(tf, t.mask, t.ref, a);
        const int count = cv::countNonZero(turned.mask);
        if (count < 16)
            continue;
        cv::Mat kw = turned.image(turned.used).clone();
        const cv::Mat km = turned.mask(turned.used);
        const double mu = cv::mean(kw, km)[0];
        kw -= mu;
        kw.setTo(0, km == 0);
        const double norm = cv::norm(kw);
        if (norm < 1e-6)
            continue;
        kw /= norm;
        t.kernels.push_back({a, kw, turned.refAt, std::sqrt(double(count))});
    }
    return !t.kernels.empty();
}

double FindShape::scoreAt(const Level& lv, const cv::Mat& img, cv::Point2d t, double angle) const
{
    const size_t n = lv.pts.size();
    double sumI = 0, sumI2 = 0, sumWI = 0;
    const bool integral = angle == 0.0 && t.x == std::floor(t.x) && t.y == std::floor(t.y);
    if (integral) {
        const int ox = int(t.x), oy = int(t.y);
        const int maxX = img.cols - 1, maxY = img.rows - 1;
        for (size_t k = 0; k < n; ++k) {
            const int x = std::max(0, std::min(maxX, ox + int(lv.pts[k].x)));
            const int y = std::max(0, std::min(maxY, oy + int(lv.pts[k].y)));
            const double v = img.ptr<uchar>(y)[x];
            sumI += v;
            sumI2 += v * v;
            sumWI += lv.weights[k] * v;
        }
    } else {
        const double a = angle * CV_PI / 180.0;
        const double ca = std::cos(a), sa = std::sin(a);
        const double bx = t.x + lv.ref.x, by = t.y + lv.ref.y;
        for (size_t k = 0; k < n; ++k) {
            const double dx = lv.pts[k].x - lv.ref.x, dy = lv.pts[k].y - lv.ref.y;
            const double v = sampleBilinear(img, bx + ca * dx + sa * dy, by - sa * dx + ca * dy);
            sumI += v;
            sumI2 += v * v;
            sumWI += lv.weights[k] * v;
        }
    }
    const double mean = sumI / n;
    const double var = sumI2 / n - mean * mean;
    if (var < 1e-6)
        return 0.0;
    const double r = sumWI / std::sqrt(var);
    return ignorePolarity_ ? std::abs(r) : r;
}

void FindShape::scoreGrid(const Level& lv, const cv::Mat& img, cv::Point2d t, double angle, double out[9]) const
{
    // The nine positions t + (-1..1, -1..1) share each point's bilinear
    // weights, so one pass over a 4 x 4 pixel neighbourhood per point gives all
    // nine correlations.
    const size_t n = lv.pts.size();
    double sumI[9] = {0}, sumI2[9] = {0}, sumWI[9] = {0};
    auto finish = [&] {
        for (int o = 0; o < 9; ++o) {
            const double mean = sumI[o] / n;
            const double var = sumI2[o] / n - mean * mean;
            const double r = var < 1e-6 ? 0.0 : sumWI[o] / std::sqrt(var);
            out[o] = ignorePolarity_ ? std::abs(r) : r;
        }
    };
    if (angle == 0.0 && t.x == std::floor(t.x) && t.y == std::floor(t.y)) {
        // Whole-pixel shift: plain pixel reads.
        const int ox = int(t.x), oy = int(t.y);
        const int maxX = img.cols - 1, maxY = img.rows - 1;
        for (size_t k = 0; k < n; ++k) {
            const int x = ox + int(lv.pts[k].x), y = oy + int(lv.pts[k].y);
            const double w = lv.weights[k];
            for (int j = 0; j < 3; ++j) {
                const uchar* r = img.ptr<uchar>(std::max(0, std::min(maxY, y - 1 + j)));
                for (int i = 0; i < 3; ++i) {
                    const double v = r[std::max(0, std::min(maxX, x - 1 + i))];
                    const int o = j * 3 + i;
                    sumI[o] += v;
                    sumI2[o] += v * v;
                    sumWI[o] += w * v;
                }
            }
        }
        finish();
        return;
    }
    const double a = angle * CV_PI / 180.0;
    const double ca = std::cos(a), sa = std::sin(a);
    const double bx = t.x + lv.ref.x, by = t.y + lv.ref.y;
    const int maxX = img.cols - 1, maxY = img.rows - 1;
    for (size_t k = 0; k < n; ++k) {
        const double dx = lv.pts[k].x - lv.ref.x, dy = lv.pts[k].y - lv.ref.y;
        const double x = bx + ca * dx + sa * dy, y = by - sa * dx + ca * dy;
        const int x0 = int(std::floor(x)), y0 = int(std::floor(y));
        const float fx = float(x - x0), fy = float(y - y0);
        int cols[4], rows[4];
        for (int j = 0; j < 4; ++j) {
            cols[j] = std::max(0, std::min(maxX, x0 - 1 + j));
            rows[j] = std::max(0, std::min(maxY, y0 - 1 + j));
        }
        float px[4][4];
        for (int j = 0; j < 4; ++j) {
            const uchar* r = img.ptr<uchar>(rows[j]);
            for (int i = 0; i < 4; ++i)
                px[j][i] = r[cols[i]];
        }
        // Horizontal lerps on the four rows, then vertical ones.
        float h[4][3];
        for (int j = 0; j < 4; ++j)
            for (int i = 0; i < 3; ++i)
                h[j][i] = px[j][i] + (px[j][i + 1] - px[j][i]) * fx;
        const double w = lv.weights[k];
        for (int j = 0; j < 3; ++j)
            for (int i = 0; i < 3; ++i) {
                const double v = h[j][i] + (h[j + 1][i] - h[j][i]) * fy;
                const int o = j * 3 + i;
                sumI[o] += v;
                sumI2[o] += v * v;
                sumWI[o] += w * v;
            }
    }
    finish();
}

// Hill climb: the best of the 3 x 3 positions around, then a step of the
// angle either way, until neither improves.
void FindShape::climb(const Level& lv, const cv::Mat& img, Candidate& c) const
{
    const double da = angleRange_ > 0 ? lv.angleStep : 0.0;
    double grid[9];
    for (int iter = 0; iter < 16; ++iter) {
        scoreGrid(lv, img, c.t, c.angle, grid);
        c.score = grid[4];
        const int best = int(std::max_element(grid, grid + 9) - grid);
        if (grid[best] > c.score) {
            c.t += cv::Point2d(best % 3 - 1, best / 3 - 1);
            continue;
        }
        bool turned = false;
        for (int sign : {-1, 1}) {
            if (da == 0)
                break;
            double a = c.angle + sign * da;
            if (angleRange_ >= 180)
                a = wrapAngle(a);
            else if (std::abs(a) > angleRange_ + 1e-9)
                continue;
            const double s = scoreAt(lv, img, c.t, a);
            if (s > c.score) {
                c.score = s;
                c.angle = a;
                turned = true;
                break;
            }
        }
        if (!turned)
            break;
    }
}

// Gauss-Newton on the full-resolution points: position, angle (when searched),
// and the gain and offset between model and image, with large residuals (a
// part of the model covered or changed) weighed down. Kept only when it
// stays near the climb's answer and keeps its correlation.
bool FindShape::refine(int level, const cv::Mat& img, Candidate& c, bool smoothed) const
{
    const Level& lv = levels_[size_t(level)];
    const std::vector<float>& values = smoothed ? lv.smoothValues : lv.values;
    if (values.size() != lv.pts.size())
        return false;
    const size_t total = lv.pts.size();
    const size_t stride = std::max<size_t>(1, total / kRefinePoints);
    const bool turn = angleRange_ > 0;
    const int np = turn ? 5 : 4;
    double tx = c.t.x, ty = c.t.y, th = c.angle * CV_PI / 180.0;
    double gain = 1, offset = 0;
    // The 4 x 4 pixels around a point give its value and both differences.
    const double maxX = img.cols - 2.001, maxY = img.rows - 2.001;
    auto sample = [&](double x, double y, double* I, double* Ix, double* Iy) {
        const int x0 = int(x), y0 = int(y);
        const double fx = x - x0, fy = y - y0;
        double h[4][3];
        for (int j = 0; j < 4; ++j) {
            const uchar* r = img.ptr<uchar>(y0 - 1 + j) + x0 - 1;
            for (int i = 0; i < 3; ++i)
                h[j][i] = r[i] + (r[i + 1] - r[i]) * fx;
        }
        auto down = [&](int j, int i) { return h[j][i] + (h[j + 1][i] - h[j][i]) * fy; };
        *I = down(1, 1);
        if (Ix) {
            *Ix = 0.5 * (down(1, 2) - down(1, 0));
            *Iy = 0.5 * (down(2, 1) - down(0, 1));
        }
    };
    // The correlation of the points' grey levels with the model's there.
    auto correlation = [&](double px, double py, double pth) {
        const double ca = std::cos(pth), sa = std::sin(pth);
        double s1 = 0, sI = 0, sT = 0, sII = 0, sTT = 0, sIT = 0;
        for (size_t k = 0; k < total; k += stride) {
            const double dx = lv.pts[k].x - lv.ref.x, dy = lv.pts[k].y - lv.ref.y;
            const double qx = px + lv.ref.x + ca * dx + sa * dy, qy = py + lv.ref.y - sa * dx + ca * dy;
            if (qx < 1 || qy < 1 || qx > maxX || qy > maxY)
                continue;
            double I;
            sample(qx, qy, &I, nullptr, nullptr);
            const double T = values[k];
            s1 += 1;
            sI += I;
            sT += T;
            sII += I * I;
            sTT += T * T;
            sIT += I * T;
        }
        const double vi = s1 * sII - sI * sI, vt = s1 * sTT - sT * sT;
        if (s1 < 16 || vi <= 0 || vt <= 0)
            return 0.0;
        const double r = (s1 * sIT - sI * sT) / std::sqrt(vi * vt);
        return ignorePolarity_ ? std::abs(r) : r;
    };

    std::vector<double> res;
    double scale = 0, before = 0;
    // Above full resolution a few rounds do: the next level finishes the job.
    const int rounds = level > 0 ? 4 : 7;
    for (int iter = 0; iter < rounds; ++iter) {
        const double ca = std::cos(th), sa = std::sin(th);
        double A[5][5] = {{0}}, b[5] = {0};
        double s1 = 0, sI = 0, sT = 0, sII = 0, sTT = 0, sIT = 0;
        res.clear();
        for (size_t k = 0; k < total; k += stride) {
            const double dx = lv.pts[k].x - lv.ref.x, dy = lv.pts[k].y - lv.ref.y;
            const double qx = tx + lv.ref.x + ca * dx + sa * dy, qy = ty + lv.ref.y - sa * dx + ca * dy;
            if (qx < 1 || qy < 1 || qx > maxX || qy > maxY)
                continue;
            double I, Ix = 0, Iy = 0;
            sample(qx, qy, &I, iter == 0 ? nullptr : &Ix, &Iy);
            const double T = values[k];
            if (iter == 0) {
                // Gain and offset to start from: least squares of T on I.
                s1 += 1;
                sI += I;
                sT += T;
                sII += I * I;
                sTT += T * T;
                sIT += I * T;
                continue;
            }
            const double e = gain * I + offset - T;
            res.push_back(std::abs(e));
            // Tukey's weight: a point far off (covered, or outside the camera's
            // view) has no say at all.
            double w = 1.0;
            if (scale > 0) {
                const double u = e / scale;
                w = std::abs(u) >= 1 ? 0.0 : (1 - u * u) * (1 - u * u);
            }
            double J[5];
            J[0] = gain * Ix;
            J[1] = gain * Iy;
            int j = 2;
            if (turn)
                J[j++] = gain * (Ix * (-sa * dx + ca * dy) + Iy * (-ca * dx - sa * dy));
            J[j++] = I;
            J[j] = 1;
            for (int r = 0; r < np; ++r) {
                b[r] -= w * J[r] * e;
                for (int q = r; q < np; ++q)
                    A[r][q] += w * J[r] * J[q];
            }
        }
        if (iter == 0) {
            const double den = s1 * sII - sI * sI, vt = s1 * sTT - sT * sT;
            if (s1 < 16 || std::abs(den) < 1e-9 || vt <= 0)
                return false;
            gain = (s1 * sIT - sI * sT) / den;
            offset = (sT - gain * sI) / s1;
            const double r = (s1 * sIT - sI * sT) / std::sqrt(std::max(1e-12, den * vt));
            before = ignorePolarity_ ? std::abs(r) : r;
            continue;
        }
        if (res.size() < 16)
            return false;
        // The first two rounds are plain least squares: far from the answer
        // the edges leave the largest residuals, and they must pull it in.
        // Then the scale for the next round: 4.7 robust standard deviations.
        if (iter >= 2) {
            std::nth_element(res.begin(), res.begin() + res.size() / 2, res.end());
            scale = std::max(10.0, 4.685 * 1.4826 * res[res.size() / 2]);
        }
        cv::Matx<double, 5, 5> Am = cv::Matx<double, 5, 5>::eye();
        cv::Matx<double, 5, 1> bm = cv::Matx<double, 5, 1>::zeros(), d;
        for (int r = 0; r < np; ++r) {
            bm(r) = b[r];
            for (int q = 0; q < np; ++q)
                Am(r, q) = r <= q ? A[r][q] : A[q][r];
        }
        if (!cv::solve(Am, bm, d, cv::DECOMP_CHOLESKY))
            return false;
        tx += d(0);
        ty += d(1);
        int j = 2;
        if (turn)
            th += d(j++);
        gain += d(j++);
        offset += d(j);
        // A hundredth of a pixel, and of a degree, is as good as it gets.
        if (std::abs(d(0)) < 5e-3 && std::abs(d(1)) < 5e-3 && (!turn || std::abs(d(2)) < 1.5e-4))
            break;
    }
    const double angle = turn ? th * 180.0 / CV_PI : c.angle;
    if (std::abs(tx - c.t.x) > 1.5 || std::abs(ty - c.t.y) > 1.5 ||
        (turn && angleDistance(angle, c.angle) > 1.5 * lv.angleStep))
        return false;
    // The correlation at a fractional place is taken on interpolated, thus
    // slightly smoothed pixels, so it may come out a little below that at the
    // start; only a clear drop means the step went astray.
    const double after = correlation(tx, ty, th);
    if (after + 0.03 < before)
        return false;
    c.t = {tx, ty};
    c.angle = angleRange_ >= 180 ? wrapAngle(angle) : angle;
    if (turn)
        c.score = after;
    return true;
}

void FindShape::scan(int level, const cv::Mat& img, std::vector<Candidate>& found) const
{
    const Level& lt = levels_[size_t(level)];
    const int rad = std::max(2, std::min(lt.model.cols, lt.model.rows) / 4);
    cv::Mat res;
    auto peaks = [&](cv::Mat& r, double scale, cv::Point2d toTopLeft, double angle) {
        for (int k = 0; k < candidates_; ++k) {
            double best;
            cv::Point at;
            cv::minMaxLoc(r, nullptr, &best, nullptr, &at);
            if (best <= -1.5)
                break;
            found.push_back({best * scale, cv::Point2d(at) + toTopLeft, angle});
            cv::rectangle(r, cv::Rect(at.x - rad, at.y - rad, 2 * rad + 1, 2 * rad + 1), cv::Scalar(-2), cv::FILLED);
        }
    };
    if (lt.kernels.empty()) {
        // Shift only: the exact masked correlation of the upright model.
        if (size_t(cv::countNonZero(lt.mask)) == lt.mask.total())
            cv::matchTemplate(img, lt.model, res, cv::TM_CCOEFF_NORMED);
        else
            cv::matchTemplate(img, lt.model, res, cv::TM_CCOEFF_NORMED, lt.mask);
        cv::patchNaNs(res, 0);
        res = cv::min(cv::max(res, -1.0), 1.0);
        if (ignorePolarity_)
            res = cv::abs(res);
        peaks(res, 1.0, {0, 0}, 0.0);
        return;
    }
    // A turned part may reach beyond the searched box with its corners: the
    // normalised image is padded with zeros (nothing to correlate) so that
    // such places still score by what is inside.
    int padX = 0, padY = 0;
    for (const Kernel& k : lt.kernels) {
        padX = std::max(padX, (k.weights.cols - lt.model.cols + 1) / 2);
        padY = std::max(padY, (k.weights.rows - lt.model.rows + 1) / 2);
    }
    // One correlation per kernel through the Fourier domain: the image's
    // spectrum once, each kernel's kept from the last search of this size.
    const cv::Mat z = localNormalised(img, lt.window);
    const cv::Size padded(z.cols + 2 * padX, z.rows + 2 * padY);
    const cv::Size n(cv::getOptimalDFTSize(padded.width), cv::getOptimalDFTSize(padded.height));
    cv::Mat zp = cv::Mat::zeros(n, CV_32F), zf, product, full;
    z.copyTo(zp(cv::Rect(padX, padY, z.cols, z.rows)));
    cv::dft(zp, zf, 0, padY + z.rows);
    const bool keep = lt.kernels.size() * n.area() * sizeof(float) <= kMaxSpectraBytes;
    if (lt.spectraSize != n) {
        lt.spectra.clear();
        lt.spectraSize = keep ? n : cv::Size();
    }
    const cv::Point2d pad(padX, padY);
    cv::Mat spectrum;
    for (size_t i = 0; i < lt.kernels.size(); ++i) {
        const Kernel& k = lt.kernels[i];
        if (padded.width < k.weights.cols || padded.height < k.weights.rows)
            continue;
        if (i < lt.spectra.size()) {
            spectrum = lt.spectra[i];
        } else {
            cv::Mat kp = cv::Mat::zeros(n, CV_32F);
            k.weights.copyTo(kp(cv::Rect(0, 0, k.weights.cols, k.weights.rows)));
            cv::dft(kp, spectrum, 0, k.weights.rows);
            if (keep && i == lt.spectra.size())
                lt.spectra.push_back(spectrum.clone());
        }
        // Correlation: res(u) = sum over v of kernel(v) image(u + v).
        const cv::Size valid(padded.width - k.weights.cols + 1, padded.height - k.weights.rows + 1);
        cv::mulSpectrums(zf, spectrum, product, 0, true);
        cv::dft(product, full, cv::DFT_INVERSE | cv::DFT_REAL_OUTPUT | cv::DFT_SCALE, valid.height);
        res = full(cv::Rect(cv::Point(), valid)).clone();
        if (ignorePolarity_)
            res = cv::abs(res);
        // Kernel top-left u: the reference point lies at u + refAt.
        peaks(res, 1.0 / k.norm, k.refAt - cv::Point2d(lt.ref) - pad, k.angle);
    }
}

bool FindShape::standsOut(const std::vector<cv::Mat>& pyr, int level, cv::Point2d t, double angle) const
{
    // Where other places might rival the found one comes from a plain
    // correlation one level coarser; each is then scored, like the found
    // place, exactly (masked) at this level, where the model's detail tells.
    const int coarse = level + 1 < int(pyr.size()) ? level + 1 : level;
    const Level& lv = levels_[size_t(level)];
    const Level& lc = levels_[size_t(coarse)];
    const TurnedModel fine = turnModel(lv.model, lv.mask, lv.ref, angle);
    const TurnedModel rough = turnModel(lc.model, lc.mask, lc.ref, angle);
    if (fine.used.area() == 0 || rough.used.area() == 0)
        return false;

    // The exact score at this level of the turned model with its box's
    // top-left at u (the image padded by `pad`).
    const int pad = std::max(0, std::max(fine.used.width - lv.model.cols, fine.used.height - lv.model.rows) / 2) + 1;
    cv::Mat img;
    cv::copyMakeBorder(pyr[size_t(level)], img, pad, pad, pad, pad, cv::BORDER_REPLICATE);
    // Each model pixel as its offset in the padded image's memory.
    std::vector<size_t> offset;
    std::vector<float> weight;
    double sum = 0, energy = 0;
    for (int y = 0; y < fine.used.height; ++y)
        for (int x = 0; x < fine.used.width; ++x)
            if (fine.mask.at<uchar>(fine.used.y + y, fine.used.x + x)) {
                const float v = fine.image.at<uchar>(fine.used.y + y, fine.used.x + x);
                offset.push_back(size_t(y) * img.step + size_t(x));
                weight.push_back(v);
                sum += v;
            }
    if (offset.size() < 16)
        return false;
    const double n = double(offset.size()), mean = sum / n;
    for (float& w : weight) {
        w -= float(mean);
        energy += double(w) * w;
    }
    std::vector<std::pair<cv::Point, double>> seen; // a climb revisits its neighbours
    auto exact = [&](cv::Point u) {
        for (const auto& e : seen)
            if (e.first == u)
                return e.second;
        double r = -1.0;
        if (u.x >= 0 && u.y >= 0 && u.x + fine.used.width <= img.cols && u.y + fine.used.height <= img.rows) {
            const uchar* base = img.ptr<uchar>(u.y) + u.x;
            double s1 = 0, s2 = 0, sx = 0;
            for (size_t k = 0; k < offset.size(); ++k) {
                const double v = base[offset[k]];
                s1 += v;
                s2 += v * v;
                sx += weight[k] * v;
            }
            const double var = s2 - s1 * s1 / n;
            r = var * energy < 1e-6 ? 0.0 : sx / std::sqrt(var * energy);
            if (ignorePolarity_)
                r = std::abs(r);
        }
        seen.emplace_back(u, r);
        return r;
    };
    // The best whole-pixel place near u.
    auto peakNear = [&](cv::Point u) {
        double best = exact(u);
        for (int step = 0; step < 4; ++step) {
            cv::Point next = u;
            for (int dy = -1; dy <= 1; ++dy)
                for (int dx = -1; dx <= 1; ++dx) {
                    const double v = exact(u + cv::Point(dx, dy));
                    if (v > best) {
                        best = v;
                        next = u + cv::Point(dx, dy);
                    }
                }
            if (next == u)
                break;
            u = next;
        }
        return best;
    };
    const cv::Point2d at = t + cv::Point2d(lv.ref) - fine.refAt + cv::Point2d(pad, pad);
    const double here = peakNear(cv::Point(int(std::lround(at.x)), int(std::lround(at.y))));

    // The rough surface, the found place blanked out.
    const int padC = std::max(0, std::max(rough.used.width - lc.model.cols, rough.used.height - lc.model.rows) / 2) + 1;
    cv::Mat imgC, res;
    cv::copyMakeBorder(pyr[size_t(coarse)], imgC, padC, padC, padC, padC, cv::BORDER_REPLICATE);
    if (imgC.cols < rough.used.width || imgC.rows < rough.used.height)
        return false;
    cv::matchTemplate(imgC, rough.image(rough.used), res, cv::TM_CCOEFF_NORMED);
    cv::patchNaNs(res, 0);
    if (ignorePolarity_)
        res = cv::abs(res);
    const double toCoarse = std::pow(2.0, level - coarse);
    const cv::Point2d atC = t * toCoarse + cv::Point2d(lc.ref) - rough.refAt + cv::Point2d(padC, padC);
    const int rad = std::max(2, std::min(lc.model.cols, lc.model.rows) / 4);
    cv::rectangle(res, cv::Rect(int(std::lround(atC.x)) - rad, int(std::lround(atC.y)) - rad, 2 * rad + 1, 2 * rad + 1),
                  cv::Scalar(-2), cv::FILLED);
    double rival = 0;
    const int apart = std::max(1, rad / 2);
    for (int k = 0; k < kRivalPlaces; ++k) {
        double v;
        cv::Point uc;
        cv::minMaxLoc(res, nullptr, &v, nullptr, &uc);
        if (v <= 0)
            break;
        cv::rectangle(res, cv::Rect(uc.x - apart, uc.y - apart, 2 * apart + 1, 2 * apart + 1), cv::Scalar(-2),
                      cv::FILLED);
        // The same reference point at this level.
        const cv::Point2d ref = (cv::Point2d(uc) + rough.refAt - cv::Point2d(padC, padC)) / toCoarse;
        const cv::Point2d u = ref - fine.refAt + cv::Point2d(pad, pad);
        rival = std::max(rival, peakNear(cv::Point(int(std::lround(u.x)), int(std::lround(u.y)))));
    }
    if (rival >= 1.0 - 1e-6)
        return false;
    return (here - rival) >= kStandOut * (1.0 - rival);
}

bool FindShape::Find(const cv::Mat& image, int, double* x, double* y, double* score, double* angle)
{
    if (!valid_ || image.type() != CV_8UC1)
        return false;
    if (image.cols < levels_[0].model.cols || image.rows < levels_[0].model.rows)
        return false;
    // The scan level: the refined top, or for an angled search the first
    // level down from it whose scan fits the budget.
    int scanLevel = top_;
    if (angleRange_ > 0)
        while (scanLevel + 1 < int(levels_.size()) &&
               double(levels_[size_t(scanLevel)].kernels.size()) * image.total() / double(1 << (2 * scanLevel)) >
                   kScanBudget)
            ++scanLevel;
    if (search(image, scanLevel, x, y, score, angle))
        return true;
    // A fine texture may blur into sameness at the scan level, so that the
    // part's place is not among its candidates: shift only, where the exact
    // scan costs little, once more a level finer. (An angled scan a level
    // finer would cost several times its budget.)
    if (angleRange_ > 0 || scanLevel == 0)
        return false;
    double fx, fy, fs, fa;
    if (!search(image, scanLevel - 1, &fx, &fy, &fs, &fa))
        return false;
    *x = fx;
    *y = fy;
    *score = fs;
    *angle = fa;
    return true;
}

bool FindShape::search(const cv::Mat& image, int scanLevel, double* x, double* y, double* score, double* angle)
{
    std::vector<cv::Mat> pyr;
    cv::buildPyramid(image, pyr, scanLevel);
    const Level& lt = levels_[size_t(scanLevel)];
    if (pyr[scanLevel].cols < lt.model.cols || pyr[scanLevel].rows < lt.model.rows)
        return false;

    std::vector<Candidate> found;
    scan(scanLevel, pyr[scanLevel], found);
    std::sort(found.begin(), found.end(), [](const Candidate& a, const Candidate& b) { return a.score > b.score; });
    const int rad = std::max(2, std::min(lt.model.cols, lt.model.rows) / 4);
    const bool angled = !lt.kernels.empty();
    const double sameAngle = 1.5 * kScanStepFactor * lt.angleStep;
    const int wanted = angled ? candidates_ + 2 : candidates_;
    std::vector<Candidate> keep;
    for (const Candidate& c : found) {
        bool near = false;
        for (const Candidate& k : keep)
            near = near || (std::abs(k.t.x - c.t.x) <= rad && std::abs(k.t.y - c.t.y) <= rad &&
                            angleDistance(k.angle, c.angle) <= sameAngle);
        if (!near)
            keep.push_back(c);
        if (int(keep.size()) >= wanted)
            break;
    }
    if (keep.empty())
        return false;

    // Refinement: the candidates are climbed at the scan level (an angled
    // scan is approximate) and the next, then only the best one further down.
    // Shift only, the climb goes down to full resolution, where pixel reads
    // are cheap, and least squares finishes from the best whole pixel. Angled,
    // least squares takes over one level above full resolution, which brings
    // the start within a fraction of a pixel, so that the full-resolution
    // step cannot slide into a neighbouring optimum.
    const Level& l0 = levels_[0];
    const int lowest = angled ? 1 : 0;
    for (int l = scanLevel; l >= lowest; --l) {
        if (l < scanLevel)
            for (Candidate& c : keep)
                c.t *= 2.0;
        if (l == scanLevel && !angled)
            continue; // the shift-only scan was exact here
        for (Candidate& c : keep)
            climb(levels_[size_t(l)], pyr[l], c);
        std::sort(keep.begin(), keep.end(), [](const Candidate& a, const Candidate& b) { return a.score > b.score; });
        // Distinct places and turns only, best first: another place, or the
        // same place clearly turned, that the climb did not merge into a
        // better one. On coarse levels a fine texture's scores are rough, so
        // every candidate near the best goes down to be judged on finer
        // pixels; one far behind would not catch up, as finer levels sharpen
        // the right place's lead rather than close it.
        const double apart = kDistinctShift / double(1 << l);
        auto distinct = [&](const Candidate& a, const Candidate& b) {
            return std::hypot(a.t.x - b.t.x, a.t.y - b.t.y) > apart || angleDistance(a.angle, b.angle) > kDistinctAngle;
        };
        std::vector<Candidate> next;
        for (const Candidate& c : keep) {
            bool merged = false;
            for (const Candidate& k : next)
                merged = merged || !distinct(c, k);
            if (!merged && (next.empty() || c.score >= kCarryShare * next.front().score))
                next.push_back(c);
        }
        // The finest levels climbed cost the most: only the best and its
        // strongest rival go there.
        if (l <= lowest + 1 && next.size() > 2)
            next.resize(2);
        keep.swap(next);
    }
    Candidate best = keep.front();
    // A rival scoring nearly as well at the same level: the model does not
    // tell the part's place, and guessing would judge the wrong pixels.
    bool unique = keep.size() < 2 || keep[1].score < kUniqueShare * best.score;
    // The angled scan is approximate and keeps few candidates: the place
    // found must also stand out on the exact correlation at its angle.
    if (angled && unique) {
        const int l = std::max(0, top_ - 1);
        unique = standsOut(pyr, l, best.t * std::pow(2.0, lowest - l), best.angle);
    }
    if (angled) {
        if (scanLevel > 0) {
            Candidate c = best;
            refine(1, pyr[1], c);
            best.t = c.t * 2.0;
            best.angle = c.angle;
        } else {
            climb(l0, pyr[0], best);
        }
    }
    // Shift only, the climb's score over all points stands; angled, the
    // least-squares step measures it where it ends.
    Candidate fine = best;
    bool refined = false;
    if (angled) {
        refined = refine(0, pyr[0], fine);
    } else if (!l0.smoothValues.empty()) {
        // The model's box with room for the fit to move and the smoothing.
        const int m = 3 + int(std::ceil(3 * kShiftFinishSigma));
        const cv::Rect box = cv::Rect(int(std::floor(best.t.x)) - m, int(std::floor(best.t.y)) - m,
                                      l0.model.cols + 2 * m, l0.model.rows + 2 * m) &
                             cv::Rect(0, 0, pyr[0].cols, pyr[0].rows);
        cv::Mat smooth;
        cv::GaussianBlur(pyr[0](box), smooth, cv::Size(), kShiftFinishSigma);
        fine.t -= cv::Point2d(box.tl());
        refined = refine(0, smooth, fine, true);
        fine.t += cv::Point2d(box.tl());
        if (!refined)
            fine = best;
    }
    if (!refined && angled) {
        best.t = cv::Point2d(std::round(best.t.x), std::round(best.t.y));
        climb(l0, pyr[0], best);
        fine = best;
        refined = refine(0, pyr[0], fine);
        if (!refined)
            fine.score = best.score;
    }
    if (!refined && !angled) {
        // Least squares declined: parabolic sub-pixel estimate.
        const double sx = parabolaOffset(scoreAt(l0, pyr[0], {best.t.x - 1, best.t.y}, 0), best.score,
                                         scoreAt(l0, pyr[0], {best.t.x + 1, best.t.y}, 0));
        const double sy = parabolaOffset(scoreAt(l0, pyr[0], {best.t.x, best.t.y - 1}, 0), best.score,
                                         scoreAt(l0, pyr[0], {best.t.x, best.t.y + 1}, 0));
        fine.t += cv::Point2d(sx, sy);
    }

    const cv::Point2d refAt = fine.t + cv::Point2d(l0.ref.x, l0.ref.y);
    *x = centreX_ - refAt.x;
    *y = centreY_ - refAt.y;
    *score = fine.score;
    *angle = fine.angle;
    return unique && fine.score >= minScore_;
}
