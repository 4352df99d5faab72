#include "platform/vision/vision.h"
#include "platform/vision/visioninternal.h"

#include <algorithm>
#include <cmath>
#include <opencv2/imgproc.hpp>

namespace {

// Percentile (0..1) of a 256-bin float histogram.
int percentile(const cv::Mat& hist, double p)
{
    const double total = cv::sum(hist)[0];
    if (total <= 0)
        return 0;
    double acc = 0;
    for (int i = 0; i < 256; ++i) {
        acc += hist.at<float>(i);
        if (acc >= p * total)
            return i;
    }
    return 255;
}

cv::Mat maskedHist(const cv::Mat& image, const cv::Mat& mask)
{
    cv::Mat hist;
    const int channels[] = {0};
    const int size[] = {256};
    const float range[] = {0, 256};
    const float* ranges[] = {range};
    cv::calcHist(&image, 1, channels, mask, hist, 1, size, ranges);
    return hist;
}

// Largest correction the brightness fit may apply: beyond this a change is
// treated as part of the picture, not of the lighting.
constexpr double kMinGain = 0.75;
constexpr double kMaxGain = 1.33;
constexpr int kMaxOffset = 40;
constexpr int kFlatSpread = 16; // percentile spread below which no gain is fitted

} // namespace

void GrayMatch::Create(int w, int h, const cv::Mat& mask, int)
{
    Clear();
    w_ = std::max(0, w);
    h_ = std::max(0, h);
    mask_ = vision::RegionMask(mask, w_, h_);
}

void GrayMatch::AddTemp(const cv::Mat& image)
{
    if (image.type() != CV_8UC1 || image.cols != w_ || image.rows != h_ || w_ == 0 || h_ == 0)
        return;
    cv::Mat lo, hi;
    cv::erode(image, lo, cv::Mat());
    cv::dilate(image, hi, cv::Mat());
    if (templates_ == 0) {
        low_ = lo;
        high_ = hi;
    } else {
        cv::min(low_, lo, low_);
        cv::max(high_, hi, high_);
    }
    const cv::Mat hist = maskedHist(image, mask_);
    spreadSum_ += percentile(hist, 0.90) - percentile(hist, 0.10);
    ++templates_;
}

void GrayMatch::Train(int tolerance, int amplify, int flatPercent, int edgePercent)
{
    valid_ = true;
    if (templates_ == 0)
        return; // nothing learnt: Match reports no deviation
    refSpread_ = double(spreadSum_) / templates_;
    const double base = std::max(0, tolerance) / (1.0 + std::max(0, amplify));
    const int flatTol = int(std::lround(base * std::max(0, flatPercent) / 100.0));
    const int edgeTol = int(std::lround(base * std::max(0, edgePercent) / 100.0));
    // Edge pixels: the band itself is wide there already (template structure
    // within one pixel), so they get the edge share of the tolerance.
    cv::Mat spread, edge;
    cv::subtract(high_, low_, spread);
    cv::compare(spread, std::max(1, tolerance), edge, cv::CMP_GT);
    cv::Mat tol(h_, w_, CV_8UC1, cv::Scalar(std::min(255, flatTol)));
    tol.setTo(cv::Scalar(std::min(255, edgeTol)), edge);
    cv::subtract(low_, tol, lowBand_);
    cv::add(high_, tol, highBand_);
}

void GrayMatch::Match(const cv::Mat& image, cv::Mat& out, const cv::Mat& inView)
{
    out.create(h_, w_, CV_8UC1);
    out.setTo(0);
    if (!valid_ || templates_ == 0 || image.type() != CV_8UC1 || image.cols != w_ || image.rows != h_ ||
        w_ == 0 || h_ == 0)
        return;
    cv::Mat judged = mask_;
    if (inView.type() == CV_8UC1 && inView.size() == mask_.size())
        cv::bitwise_and(mask_, inView, judged);

    // Brightness fit. Gain: the image's 10th..90th percentile spread against
    // the templates' (robust to a defect below a tenth of the region). Offset:
    // the median of how far pixels lie outside the learnt band, so a change of
    // lighting is taken back while the templates' own variation is not (robust
    // to a defect below half of the region). Both bounded, so a large defect is
    // not absorbed.
    const cv::Mat hist = maskedHist(image, judged);
    const int spread = percentile(hist, 0.90) - percentile(hist, 0.10);
    double gain = 1.0;
    if (spread >= kFlatSpread && refSpread_ >= kFlatSpread)
        gain = std::max(kMinGain, std::min(kMaxGain, refSpread_ / spread));
    uchar lut[256];
    for (int i = 0; i < 256; ++i)
        lut[i] = cv::saturate_cast<uchar>(gain * i);
    int outside[511] = {0};
    int counted = 0;
    for (int y = 0; y < h_; ++y) {
        const uchar* ir = image.ptr<uchar>(y);
        const uchar* lr = low_.ptr<uchar>(y);
        const uchar* hr = high_.ptr<uchar>(y);
        const uchar* mr = judged.ptr<uchar>(y);
        for (int x = 0; x < w_; ++x)
            if (mr[x]) {
                const int v = lut[ir[x]];
                const int d = v < lr[x] ? v - lr[x] : v > hr[x] ? v - hr[x] : 0;
                ++outside[d + 255];
                ++counted;
            }
    }
    int offset = 0;
    for (int i = 0, acc = 0; i < 511 && counted > 0; ++i) {
        acc += outside[i];
        if (2 * acc >= counted) {
            offset = std::max(-kMaxOffset, std::min(kMaxOffset, 255 - i));
            break;
        }
    }
    const cv::Mat* src = &image;
    if (std::abs(gain - 1.0) > 1e-3 || offset != 0) {
        cv::Mat table(1, 256, CV_8UC1);
        for (int i = 0; i < 256; ++i)
            table.at<uchar>(i) = cv::saturate_cast<uchar>(lut[i] + offset);
        cv::LUT(image, table, work_);
        src = &work_;
    }
    cv::compare(*src, lowBand_, a_, cv::CMP_LT);
    cv::compare(*src, highBand_, b_, cv::CMP_GT);
    cv::bitwise_or(a_, b_, out);
    cv::bitwise_and(out, judged, out);
}

void GrayMatch::Clear()
{
    low_.release();
    high_.release();
    lowBand_.release();
    highBand_.release();
    spreadSum_ = 0;
    templates_ = 0;
    valid_ = false;
}
