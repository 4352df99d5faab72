#include "platform/vision/vision.h"

#include <algorithm>
#include <cmath>
#include <opencv2/imgproc.hpp>

namespace {

constexpr int kTopMinSide = 16;  // model side at the coarsest level
constexpr int kMaxTopLevel = 6;

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

} // namespace

void FindShape::Clear()
{
    levels_.clear();
    top_.clear();
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
    minScore_ = minScore > 0 ? minScore : 0.5;
    ignorePolarity_ = ignorePolarity;
    speed = std::max(0, std::min(10, speed));
    candidates_ = speed >= 7 ? 1 : speed >= 4 ? 3 : 5;
    const int budget = speed >= 7 ? 1500 : speed >= 4 ? 4000 : 8000;

    int top = 0;
    if (levels > 0) {
        top = std::min(kMaxTopLevel, levels - 1);
        while (top > 0 && std::min(model.cols, model.rows) >> top < 4)
            --top;
    } else {
        while (top < kMaxTopLevel && (std::min(model.cols, model.rows) >> (top + 1)) >= kTopMinSide)
            ++top;
    }
    std::vector<cv::Mat> pyr;
    cv::buildPyramid(model, pyr, top);

    const cv::Point2f ref0(float(model.cols / 2), float(model.rows / 2));
    for (int l = 0; l <= top; ++l) {
        Level lv;
        lv.model = pyr[l];
        lv.mask = levelMask(m, pyr[l].size());
        const float scale = 1.0f / float(1 << l);
        lv.ref = ref0 * scale;
        const double radius = 0.5 * std::hypot(double(lv.model.cols), double(lv.model.rows));
        lv.angleStep = std::atan(1.0 / std::max(1.0, radius)) * 180.0 / CV_PI;

        // Sample points: the strongest gradients inside the (eroded) mask; a
        // flat model falls back to a regular grid of mask pixels.
        cv::Mat gx, gy, mag, inner;
        cv::Sobel(lv.model, gx, CV_16S, 1, 0);
        cv::Sobel(lv.model, gy, CV_16S, 0, 1);
        mag = cv::abs(gx) + cv::abs(gy);
        cv::erode(lv.mask, inner, cv::Mat(), cv::Point(-1, -1), 1, cv::BORDER_CONSTANT, cv::Scalar(0));
        struct P {
            int mag;
            int x, y;
        };
        std::vector<P> cand;
        for (int y = 1; y < lv.model.rows - 1; ++y) {
            const short* mr = mag.ptr<short>(y);
            const uchar* ir = inner.ptr<uchar>(y);
            for (int x = 1; x < lv.model.cols - 1; ++x)
                if (ir[x] && mr[x] > 0)
                    cand.push_back({mr[x], x, y});
        }
        if (int(cand.size()) > budget) {
            std::nth_element(cand.begin(), cand.begin() + budget, cand.end(),
                             [](const P& a, const P& b) { return a.mag > b.mag; });
            cand.resize(budget);
        }
        if (cand.size() < 32) {
            cand.clear();
            const int total = cv::countNonZero(lv.mask);
            const int stride = std::max(1, int(std::sqrt(double(total) / budget)));
            for (int y = 0; y < lv.model.rows; y += stride)
                for (int x = 0; x < lv.model.cols; x += stride)
                    if (lv.mask.at<uchar>(y, x))
                        cand.push_back({0, x, y});
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
        for (const P& p : cand) {
            lv.pts.emplace_back(float(p.x), float(p.y));
            lv.weights.push_back(float((lv.model.at<uchar>(p.y, p.x) - mu) / (sdp * n)));
        }
        levels_.push_back(std::move(lv));
    }

    // Coarsest level: the model turned through the angle range, for the scan.
    const Level& t = levels_.back();
    const bool wholeMask = size_t(cv::countNonZero(t.mask)) == t.mask.total();
    std::vector<double> angles{0.0};
    if (angleRange_ > 0) {
        const int n = int(std::ceil(angleRange_ / t.angleStep));
        angles.clear();
        for (int k = -n; k <= n; ++k)
            angles.push_back(double(angleRange_) * k / n);
    }
    for (double a : angles) {
        Rotated r{a, {}, {}, cv::Point()};
        if (a == 0.0) {
            r.model = t.model;
            if (!wholeMask)
                r.mask = t.mask;
        } else {
            const cv::Mat rot = cv::getRotationMatrix2D(t.ref, a, 1.0);
            cv::warpAffine(t.model, r.model, rot, t.model.size(), cv::INTER_LINEAR, cv::BORDER_REPLICATE);
            cv::warpAffine(t.mask, r.mask, rot, t.mask.size(), cv::INTER_NEAREST, cv::BORDER_CONSTANT,
                           cv::Scalar(0));
            if (cv::countNonZero(r.mask) < 16)
                continue;
            if (wholeMask) {
                // A turned rectangle: its largest centred upright part that is
                // all model is matched without a mask, which is several times
                // faster than a masked match.
                cv::Rect in(0, 0, r.model.cols, r.model.rows);
                while (in.width > 4 && in.height > 4 && cv::countNonZero(r.mask(in)) < in.area()) {
                    const int dx = std::max(1, in.width / 40), dy = std::max(1, in.height / 40);
                    in = cv::Rect(in.x + dx, in.y + dy, in.width - 2 * dx, in.height - 2 * dy);
                }
                if (in.area() * 2 >= int(r.model.total())) {
                    r.model = r.model(in).clone();
                    r.mask.release();
                    r.offset = in.tl();
                }
            }
        }
        top_.push_back(std::move(r));
    }
    valid_ = !top_.empty();
    return valid_;
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

bool FindShape::Find(const cv::Mat& image, int, double* x, double* y, double* score, double* angle)
{
    if (!valid_ || image.type() != CV_8UC1)
        return false;
    const int top = int(levels_.size()) - 1;
    if (image.cols < levels_[0].model.cols || image.rows < levels_[0].model.rows)
        return false;
    std::vector<cv::Mat> pyr;
    cv::buildPyramid(image, pyr, top);
    const cv::Mat& imgTop = pyr[top];
    const Level& lt = levels_[top];
    if (imgTop.cols < lt.model.cols || imgTop.rows < lt.model.rows)
        return false;

    // Scan of the coarsest level.
    std::vector<Candidate> found;
    const int rad = std::max(2, std::min(lt.model.cols, lt.model.rows) / 4);
    cv::Mat res;
    for (const Rotated& r : top_) {
        if (r.mask.empty())
            cv::matchTemplate(imgTop, r.model, res, cv::TM_CCOEFF_NORMED);
        else
            cv::matchTemplate(imgTop, r.model, res, cv::TM_CCOEFF_NORMED, r.mask);
        cv::patchNaNs(res, 0);
        res = cv::min(cv::max(res, -1.0), 1.0);
        if (ignorePolarity_)
            res = cv::abs(res);
        for (int k = 0; k < candidates_; ++k) {
            double best;
            cv::Point at;
            cv::minMaxLoc(res, nullptr, &best, nullptr, &at);
            if (best <= -1.5)
                break;
            found.push_back({best, cv::Point2d(at - r.offset), r.angle});
            cv::rectangle(res, cv::Rect(at.x - rad, at.y - rad, 2 * rad + 1, 2 * rad + 1), cv::Scalar(-2), cv::FILLED);
        }
    }
    std::sort(found.begin(), found.end(), [](const Candidate& a, const Candidate& b) { return a.score > b.score; });
    std::vector<Candidate> keep;
    for (const Candidate& c : found) {
        bool near = false;
        for (const Candidate& k : keep)
            near = near || (std::abs(k.t.x - c.t.x) <= rad && std::abs(k.t.y - c.t.y) <= rad);
        if (!near)
            keep.push_back(c);
        if (int(keep.size()) >= candidates_)
            break;
    }
    if (keep.empty())
        return false;

    // Refinement: every candidate through the first refinement level, then
    // only the best one further down.
    // Hill climb: the best of the 3 x 3 positions around, then a step of the
    // angle either way, until neither improves.
    auto climb = [&](const Level& lv, const cv::Mat& img, Candidate& c) {
        const double da = angleRange_ > 0 ? lv.angleStep : 0.0;
        double grid[9];
        for (int iter = 0; iter < 12; ++iter) {
            scoreGrid(lv, img, c.t, c.angle, grid);
            c.score = grid[4];
            const int best = int(std::max_element(grid, grid + 9) - grid);
            if (grid[best] > c.score) {
                c.t += cv::Point2d(best % 3 - 1, best / 3 - 1);
                continue;
            }
            bool turned = false;
            for (int sign : {-1, 1}) {
                const double a = c.angle + sign * da;
                if (da == 0 || std::abs(a) > angleRange_ + 1e-9)
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
    };

    for (int l = top; l >= 0; --l) {
        const Level& lv = levels_[l];
        if (l < top)
            for (Candidate& c : keep)
                c.t *= 2.0;
        if (l == top && top > 0)
            continue; // the scan was exhaustive here
        for (Candidate& c : keep)
            climb(lv, pyr[l], c);
        if (keep.size() > 1) {
            std::sort(keep.begin(), keep.end(), [](const Candidate& a, const Candidate& b) { return a.score > b.score; });
            keep.resize(1);
        }
    }
    Candidate best = keep.front();

    // Sub-pixel and sub-step estimate at full resolution.
    const Level& l0 = levels_[0];
    const double sx = parabolaOffset(scoreAt(l0, pyr[0], {best.t.x - 1, best.t.y}, best.angle), best.score,
                                     scoreAt(l0, pyr[0], {best.t.x + 1, best.t.y}, best.angle));
    const double sy = parabolaOffset(scoreAt(l0, pyr[0], {best.t.x, best.t.y - 1}, best.angle), best.score,
                                     scoreAt(l0, pyr[0], {best.t.x, best.t.y + 1}, best.angle));
    double sa = 0;
    if (angleRange_ > 0) {
        const double da = l0.angleStep;
        sa = parabolaOffset(scoreAt(l0, pyr[0], best.t, best.angle - da), best.score,
                            scoreAt(l0, pyr[0], best.t, best.angle + da)) *
             da;
    }
    best.t += cv::Point2d(sx, sy);
    best.angle += sa;

    if (best.score < minScore_)
        return false;
    const cv::Point2d refAt = best.t + cv::Point2d(l0.ref.x, l0.ref.y);
    *x = centreX_ - refAt.x;
    *y = centreY_ - refAt.y;
    *score = best.score;
    *angle = best.angle;
    return true;
}
