#include "platform/vision/vision.h"
#include "platform/vision/visioninternal.h"

#include <algorithm>
#include <cmath>
#include <opencv2/imgproc.hpp>

namespace {

constexpr double kDiffFloor = 24.0; // grey levels a pixel must differ by to be marked
// K of the score as a share of flatRange: for the engine's 50, a plain region
// fails a limit of 85 once its smoothed difference reaches about 7 grey
// levels RMS, while noise of sigma 10 costs it about 3 points.
constexpr double kFlatShare = 0.5;

cv::Mat smoothed(const cv::Mat& image)
{
    cv::Mat f, s;
    image.convertTo(f, CV_32F);
    cv::GaussianBlur(f, s, cv::Size(5, 5), 1.0, 1.0, cv::BORDER_REPLICATE);
    return s;
}

} // namespace

void SURF::Create(int w, int h, const cv::Mat& mask)
{
    Clear();
    w_ = std::max(0, w);
    h_ = std::max(0, h);
    mask_ = vision::RegionMask(mask, w_, h_);
}

void SURF::AddTemp(const cv::Mat& image, int slack, int flatRange, int)
{
    if (image.type() != CV_8UC1 || image.cols != w_ || image.rows != h_ || w_ == 0 || h_ == 0)
        return;
    slack_ = std::max(0, std::min(8, slack));
    flatRange_ = std::max(1, flatRange);
    temps_.push_back(smoothed(image));
}

void SURF::Train(int, int, int, int)
{
    valid_ = true;
    if (temps_.empty())
        return;
    mean_ = cv::Mat::zeros(h_, w_, CV_32F);
    for (const cv::Mat& t : temps_)
        mean_ += t;
    mean_ /= double(temps_.size());
}

float SURF::Match(const cv::Mat& image, cv::Mat& out, const cv::Mat& inView)
{
    out.create(h_, w_, CV_8UC1);
    out.setTo(0);
    if (!valid_ || temps_.empty() || image.type() != CV_8UC1 || image.cols != w_ || image.rows != h_ ||
        w_ == 0 || h_ == 0)
        return 0.f;
    // Compared: the region's pixels in view that the camera did not clip.
    cv::Mat judged;
    cv::inRange(image, cv::Scalar(2), cv::Scalar(253), judged);
    cv::bitwise_and(judged, mask_, judged);
    if (inView.type() == CV_8UC1 && inView.size() == mask_.size())
        cv::bitwise_and(judged, inView, judged);
    if (cv::countNonZero(judged) < 16)
        return 0.f; // nothing left to compare: no sign of the part

    vision::Lighting light;
    light.Fit(image, mean_, judged);
    cv::Mat lit;
    light.Undo(image, lit);
    // What was not compared takes the templates' look, so that smoothing
    // carries none of it into the pixels around.
    mean_.copyTo(lit, judged == 0);
    const cv::Mat c = smoothed(lit);

    const double k = kFlatShare * flatRange_;
    // Template pixel p against image pixel p + s: the spread of their
    // difference over the pixels both have, and the template's own spread.
    struct Fit {
        double score = -1e9, meanDiff = 0, spread = 0;
    };
    auto evaluate = [&](const cv::Mat& t, int sx, int sy) {
        Fit fit;
        const cv::Rect tr(std::max(0, -sx), std::max(0, -sy), w_ - std::abs(sx), h_ - std::abs(sy));
        if (tr.width < 1 || tr.height < 1)
            return fit;
        double n = 0, sd = 0, sdd = 0, st = 0, stt = 0;
        for (int y = 0; y < tr.height; ++y) {
            const uchar* mr = mask_.ptr<uchar>(tr.y + y) + tr.x;
            const uchar* jr = judged.ptr<uchar>(tr.y + y + sy) + tr.x + sx;
            const float* tp = t.ptr<float>(tr.y + y) + tr.x;
            const float* cp = c.ptr<float>(tr.y + y + sy) + tr.x + sx;
            double rn = 0, rd = 0, rdd = 0, rt = 0, rtt = 0;
            for (int x = 0; x < tr.width; ++x) {
                if (!(mr[x] & jr[x]))
                    continue;
                const double d = cp[x] - tp[x];
                rn += 1;
                rd += d;
                rdd += d * d;
                rt += tp[x];
                rtt += double(tp[x]) * tp[x];
            }
            n += rn;
            sd += rd;
            sdd += rdd;
            st += rt;
            stt += rtt;
        }
        if (n < 16)
            return fit;
        fit.meanDiff = sd / n;
        const double e = std::max(0.0, sdd / n - fit.meanDiff * fit.meanDiff);
        const double structure = std::max(0.0, stt / n - (st / n) * (st / n));
        fit.spread = std::sqrt(structure);
        fit.score = 1.0 - 2.0 * e / (structure + k * k);
        return fit;
    };
    // The best template in place, then the shifts around for it.
    Fit best;
    const cv::Mat* bestT = nullptr;
    cv::Point bestShift(0, 0);
    for (const cv::Mat& t : temps_) {
        const Fit f = evaluate(t, 0, 0);
        if (f.score > best.score) {
            best = f;
            bestT = &t;
        }
    }
    if (!bestT)
        return 0.f;
    for (int sy = -slack_; sy <= slack_; ++sy)
        for (int sx = -slack_; sx <= slack_; ++sx) {
            if (sx == 0 && sy == 0)
                continue;
            const Fit f = evaluate(*bestT, sx, sy);
            if (f.score > best.score) {
                best = f;
                bestShift = {sx, sy};
            }
        }

    // Marks: what differs clearly once the mean difference is taken off.
    const int sx = bestShift.x, sy = bestShift.y;
    const cv::Rect tr(std::max(0, -sx), std::max(0, -sy), w_ - std::abs(sx), h_ - std::abs(sy));
    const cv::Rect cr = tr + cv::Point(sx, sy);
    cv::Mat diff, marks, m;
    cv::subtract(c(cr), (*bestT)(tr), diff);
    diff = cv::abs(diff - best.meanDiff);
    cv::compare(diff, std::max(kDiffFloor, 0.5 * best.spread), marks, cv::CMP_GT);
    cv::bitwise_and(mask_(tr), judged(cr), m);
    cv::bitwise_and(marks, m, marks);
    marks.copyTo(out(cr));
    return float(std::max(0.0, std::min(100.0, best.score * 100.0)));
}

void SURF::Clear()
{
    temps_.clear();
    mean_.release();
    valid_ = false;
}
