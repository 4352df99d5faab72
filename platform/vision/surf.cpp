#include "platform/vision/vision.h"
#include "platform/vision/visioninternal.h"

#include <algorithm>
#include <cmath>
#include <opencv2/imgproc.hpp>

namespace {

constexpr double kFlatSd = 2.0;     // below this spread a patch has no structure to correlate
constexpr double kDiffFloor = 24.0; // grey levels a pixel must differ by to be marked

cv::Mat smoothed(const cv::Mat& image)
{
    cv::Mat f, s;
    image.convertTo(f, CV_32F);
    cv::GaussianBlur(f, s, cv::Size(5, 5), 1.0, 1.0, cv::BORDER_REPLICATE);
    return s;
}

struct Stats {
    double meanT = 0, sdT = 0, meanC = 0, sdC = 0, cross = 0;
    bool any = false;
};

// Masked statistics of template part t and image part c (same size).
Stats masked(const cv::Mat& t, const cv::Mat& c, const cv::Mat& m, cv::Mat& work)
{
    Stats s;
    if (cv::countNonZero(m) == 0)
        return s;
    s.any = true;
    cv::Scalar mean, sd;
    cv::meanStdDev(t, mean, sd, m);
    s.meanT = mean[0];
    s.sdT = sd[0];
    cv::meanStdDev(c, mean, sd, m);
    s.meanC = mean[0];
    s.sdC = sd[0];
    cv::multiply(t, c, work);
    s.cross = cv::mean(work, m)[0] - s.meanT * s.meanC; // covariance
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
    temps_.push_back({smoothed(image)});
}

void SURF::Train(int, int, int, int) { valid_ = true; }

float SURF::Match(const cv::Mat& image, cv::Mat& out, const cv::Mat& inView)
{
    out.create(h_, w_, CV_8UC1);
    out.setTo(0);
    if (!valid_ || temps_.empty() || image.type() != CV_8UC1 || image.cols != w_ || image.rows != h_ ||
        w_ == 0 || h_ == 0)
        return 0.f;
    cv::Mat judged = mask_;
    if (inView.type() == CV_8UC1 && inView.size() == mask_.size())
        cv::bitwise_and(mask_, inView, judged);
    const cv::Mat c = smoothed(image);
    cv::Mat work;

    double best = -1;
    const Temp* bestT = nullptr;
    cv::Point bestShift;
    Stats bestStats;
    for (const Temp& t : temps_) {
        for (int sy = -slack_; sy <= slack_; ++sy) {
            for (int sx = -slack_; sx <= slack_; ++sx) {
                // Template pixel p is compared with image pixel p + s.
                const cv::Rect tr(std::max(0, -sx), std::max(0, -sy), w_ - std::abs(sx), h_ - std::abs(sy));
                if (tr.width < 1 || tr.height < 1)
                    continue;
                const cv::Rect cr = tr + cv::Point(sx, sy);
                const Stats s = masked(t.smooth(tr), c(cr), judged(tr), work);
                if (!s.any)
                    continue;
                double score;
                if (s.sdT < kFlatSd) {
                    score = 1.0 - (std::abs(s.meanC - s.meanT) + s.sdC) / flatRange_;
                } else if (s.sdC < kFlatSd * 0.5) {
                    score = 0.0;
                } else {
                    score = s.cross / (s.sdT * s.sdC);
                }
                if (score > best) {
                    best = score;
                    bestT = &t;
                    bestShift = {sx, sy};
                    bestStats = s;
                }
            }
        }
    }
    if (!bestT)
        return 0.f;

    // Deviation image at the best shift, after the least-squares fit of the
    // template on the image (gain and offset; flat templates: offset only),
    // which a damaged part of the region does not tilt.
    const int sx = bestShift.x, sy = bestShift.y;
    const cv::Rect tr(std::max(0, -sx), std::max(0, -sy), w_ - std::abs(sx), h_ - std::abs(sy));
    const cv::Rect cr = tr + cv::Point(sx, sy);
    double gain = 1.0;
    if (bestStats.sdT >= kFlatSd && bestStats.sdC >= kFlatSd * 0.5)
        gain = std::max(0.0, bestStats.cross / (bestStats.sdC * bestStats.sdC));
    cv::Mat fitted = c(cr) * gain + (bestStats.meanT - gain * bestStats.meanC);
    cv::Mat diff;
    cv::absdiff(fitted, bestT->smooth(tr), diff);
    cv::Mat marks;
    cv::compare(diff, std::max(kDiffFloor, 0.5 * bestStats.sdT), marks, cv::CMP_GT);
    cv::bitwise_and(marks, judged(tr), marks);
    marks.copyTo(out(cr));

    return float(std::max(0.0, std::min(100.0, best * 100.0)));
}

void SURF::Clear()
{
    temps_.clear();
    valid_ = false;
}
