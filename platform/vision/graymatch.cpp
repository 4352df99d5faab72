#include "platform/vision/vision.h"
#include "platform/vision/visioninternal.h"

#include <algorithm>
#include <cmath>
#include <opencv2/core/hal/intrin.hpp>
#include <opencv2/imgproc.hpp>
#include <vector>

namespace {

// What the frame's placing may change at a pixel: a residual misalignment of
// kShift pixels times the local slope, and the smoothing that interpolating
// a frame between pixels brings, up to half the local curvature (on a hard
// edge about half its height; on smooth steel next to nothing).
constexpr double kShift = 0.5;
constexpr double kBlurShare = 0.5;
// Above this allowance a pixel lies on an edge (gets the edge tolerance, and
// is not used to fit the light).
constexpr float kEdgeAllowance = 8.0f;
// A highlight: template pixels this bright. Between shots it may grow or
// shrink by kHighlightGrowth pixels, so around it (kHighlightReach) the band
// spans what lies within that distance.
constexpr int kHighlight = 235;
constexpr int kHighlightGrowth = 4;
constexpr int kHighlightReach = 9;
// Deviations are measured in the frame's own grey levels (what the camera
// shows now), over a small neighbourhood (kNoiseSigma), which lowers the
// camera's noise at little cost to a defect's outline. A defect is a patch
// that stays out of the band by kReachShare of the tolerance and lies out by
// kDefectShare of it on average: its edge, blurred by the optics and by
// interpolating the frame, is taken where the change is about half made, so
// the area measured is the defect's own, while a faint patch with a few noisy
// pixels past the tolerance is not a defect.
constexpr float kReachShare = 0.45f;
constexpr double kDefectShare = 0.75;
constexpr double kNoiseSigma = 0.8;
// Grey levels at which the camera clips, and how far beyond its band a
// clipped pixel must lie to count.
constexpr int kClipBlack = 2, kClipWhite = 253;
constexpr float kClipMargin = 20.0f;

cv::Mat disc(int radius)
{
    return cv::getStructuringElement(cv::MORPH_ELLIPSE, cv::Size(2 * radius + 1, 2 * radius + 1));
}

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
    if (templates_ > 0 && sum_.empty())
        return; // trained: a new set of templates starts from Create
    if (templates_ == 0) {
        low_ = image.clone();
        high_ = image.clone();
        image.convertTo(sum_, CV_32F);
    } else {
        cv::min(low_, image, low_);
        cv::max(high_, image, high_);
        cv::accumulate(image, sum_);
    }
    ++templates_;
}

void GrayMatch::Train(int tolerance, int amplify, int flatPercent, int edgePercent)
{
    valid_ = true;
    if (templates_ == 0 || sum_.empty())
        return; // nothing learnt (Match reports no deviation), or trained already
    mean_ = sum_ / double(templates_);
    cv::Mat mean8, smooth, gx, gy, slope, xx, yy, curve;
    mean_.convertTo(mean8, CV_8U);
    // Slope and curvature of the lightly smoothed mean (the templates' noise
    // would otherwise pass for structure).
    cv::GaussianBlur(mean_, smooth, cv::Size(3, 3), 0, 0, cv::BORDER_REPLICATE);
    cv::Sobel(smooth, gx, CV_32F, 1, 0, 3, 1.0 / 8, 0, cv::BORDER_REPLICATE);
    cv::Sobel(smooth, gy, CV_32F, 0, 1, 3, 1.0 / 8, 0, cv::BORDER_REPLICATE);
    cv::magnitude(gx, gy, slope);
    const cv::Mat second = (cv::Mat_<float>(1, 3) << 1, -2, 1), one = (cv::Mat_<float>(1, 1) << 1);
    cv::sepFilter2D(smooth, xx, CV_32F, second, one, cv::Point(-1, -1), 0, cv::BORDER_REPLICATE);
    cv::sepFilter2D(smooth, yy, CV_32F, one, second, cv::Point(-1, -1), 0, cv::BORDER_REPLICATE);
    curve = cv::abs(xx) + cv::abs(yy);
    cv::Mat allowance = slope * kShift + curve * kBlurShare;

    // Near highlights the band spans what lies within their growth (a
    // highlight growing brightens its rim, one shrinking shows the steel
    // there). A highlight dimming as a whole is measured on each frame
    // (Match), so that a part darkening only a patch of it is still seen.
    cv::Mat core, zone;
    cv::compare(high_, kHighlight, core, cv::CMP_GE);
    cv::dilate(core, zone, disc(kHighlightReach));
    cv::Mat lo = low_.clone(), hi = high_.clone();
    zoneLabels_.release();
    zoneCore_.release();
    zoneFloor_.clear();
    if (cv::countNonZero(zone)) {
        cv::Mat grownLo, grownHi;
        cv::erode(low_, grownLo, disc(kHighlightGrowth), cv::Point(-1, -1), 1, cv::BORDER_REPLICATE);
        cv::dilate(high_, grownHi, disc(kHighlightGrowth), cv::Point(-1, -1), 1, cv::BORDER_REPLICATE);
        // Each highlight's surroundings: the ring just outside its zone,
        // labelled with the highlight it surrounds. A highlight never dims
        // below them.
        cv::Mat spread, ring;
        const int n = cv::connectedComponents(zone, zoneLabels_, 8, CV_32S);
        zoneLabels_.convertTo(spread, CV_32F);
        cv::dilate(spread, spread, disc(kHighlightGrowth));
        cv::dilate(zone, ring, disc(kHighlightGrowth));
        ring.setTo(0, zone);
        std::vector<int> darkest(size_t(n), 255);
        for (int y = 0; y < h_; ++y) {
            const uchar* rr = ring.ptr<uchar>(y);
            const float* sr = spread.ptr<float>(y);
            const uchar* lr = low_.ptr<uchar>(y);
            for (int x = 0; x < w_; ++x)
                if (rr[x])
                    darkest[size_t(sr[x])] = std::min(darkest[size_t(sr[x])], int(lr[x]));
        }
        zoneFloor_.assign(darkest.begin(), darkest.end());
        zoneCore_ = core;
        grownLo.copyTo(lo, zone);
        grownHi.copyTo(hi, zone);
    }

    // Below half a grey level a tolerance would divide by next to nothing.
    const double base = std::max(0, tolerance) / (1.0 + std::max(0, amplify));
    const float flatTol = float(std::max(0.5, base * std::max(0, flatPercent) / 100.0));
    const float edgeTol = float(std::max(0.5, base * std::max(0, edgePercent) / 100.0));
    cv::Mat edge;
    cv::compare(allowance, kEdgeAllowance, edge, cv::CMP_GT);
    invTol_ = cv::Mat(h_, w_, CV_32F, cv::Scalar(1.0f / flatTol));
    invTol_.setTo(cv::Scalar(1.0f / edgeTol), edge);
    lo.convertTo(lowBand_, CV_32F);
    hi.convertTo(highBand_, CV_32F);
    lowBand_ -= allowance;
    highBand_ += allowance;

    // The light is fitted on plain, unsaturated pixels away from highlights.
    cv::Mat plainEnough, inRange;
    cv::bitwise_not(edge, plainEnough);
    cv::inRange(mean8, cv::Scalar(8), cv::Scalar(247), inRange);
    cv::bitwise_and(mask_, plainEnough, fitUse_);
    cv::bitwise_and(fitUse_, inRange, fitUse_);
    fitUse_.setTo(0, zone);
    pickRareLevels(mean8);
    // What only training reads: a model is trained once after its templates
    // are added, and a new set starts from Create.
    sum_.release();
    low_.release();
    high_.release();
}

void GrayMatch::Match(const cv::Mat& image, cv::Mat& out, const cv::Mat& inView)
{
    out.create(h_, w_, CV_8UC1);
    out.setTo(0);
    if (!valid_ || templates_ == 0 || image.type() != CV_8UC1 || image.cols != w_ || image.rows != h_ ||
        w_ == 0 || h_ == 0)
        return;
    // Cut by the view into a buffer of its own: the model's mask stays whole.
    cv::Mat judged;
    if (inView.type() == CV_8UC1 && inView.size() == mask_.size())
        cv::bitwise_and(mask_, inView, judged);
    else
        judged = mask_;

    // The light: fitted on the plain pixels in view.
    cv::Mat use = fitUse_;
    if (judged.data != mask_.data)
        cv::bitwise_and(fitUse_, judged, use);
    vision::Lighting light;
    light.Fit(image, mean_, use, fitExtra_);

    // How far each pixel lies outside its band, in the frame's grey levels
    // (the band brought to the frame's light), as a share of the tolerance.
    // Where the camera clipped, the pixel only bounds the true grey level,
    // from above at black and from below at white: such a pixel counts only
    // the way it can tell, and only by what lies beyond a margin, for the
    // light under it is least certain.
    dev_.create(h_, w_, CV_32F);
    const float m = float(light.Mean());
    for (int y = 0; y < h_; ++y) {
        const vision::Lighting::RowFields rf = light.Row(y);
        const uchar* f = image.ptr<uchar>(y);
        const uchar* j = judged.ptr<uchar>(y);
        const float* lo = lowBand_.ptr<float>(y);
        const float* hi = highBand_.ptr<float>(y);
        const float* it = invTol_.ptr<float>(y);
        float* d = dev_.ptr<float>(y);
        int x = 0;
#if CV_SIMD128
        using namespace cv;
        const v_float32x4 g0 = v_setall_f32(rf.g0), g1 = v_setall_f32(rf.g1), g2 = v_setall_f32(rf.g2);
        const v_float32x4 g3 = v_setall_f32(rf.g3), l0 = v_setall_f32(rf.l0), l1 = v_setall_f32(rf.l1);
        const v_float32x4 l2 = v_setall_f32(rf.l2), l3 = v_setall_f32(rf.l3);
        const v_float32x4 gLo = v_setall_f32(rf.gainLo), gHi = v_setall_f32(rf.gainHi);
        const v_float32x4 lLo = v_setall_f32(rf.levelLo), lHi = v_setall_f32(rf.levelHi);
        const v_float32x4 vm = v_setall_f32(m), margin = v_setall_f32(kClipMargin), zero = v_setall_f32(0);
        const v_float32x4 black = v_setall_f32(float(kClipBlack)), white = v_setall_f32(float(kClipWhite));
        const v_float32x4 du = v_setall_f32(rf.du), step = v_float32x4(0, 1, 2, 3);
        for (; x + 4 <= w_; x += 4) {
            const v_float32x4 u = v_setall_f32(rf.u0 + float(x) * rf.du) + step * du;
            const v_float32x4 g = v_min(gHi, v_max(gLo, g0 + (g1 + (g2 + g3 * u) * u) * u));
            const v_float32x4 l = v_min(lHi, v_max(lLo, l0 + (l1 + (l2 + l3 * u) * u) * u));
            const v_float32x4 v = v_cvt_f32(v_reinterpret_as_s32(v_load_expand_q(f + x)));
            const v_float32x4 below = g * (v_load(lo + x) - vm) + l - v;
            const v_float32x4 above = v - (g * (v_load(hi + x) - vm) + l);
            v_float32x4 o = v_max(below, above);
            o = v_select(v <= black, below, o);
            o = v_select(v >= white, above - margin * g, o);
            const v_float32x4 in = v_reinterpret_as_f32(v_load_expand_q(j + x) != v_setzero_u32());
            v_store(d + x, v_select(in, v_max(o, zero) * v_load(it + x), zero));
        }
#endif
        for (; x < w_; ++x) {
            const float u = rf.u0 + float(x) * rf.du;
            const float g = std::max(rf.gainLo, std::min(rf.gainHi, rf.g0 + (rf.g1 + (rf.g2 + rf.g3 * u) * u) * u));
            const float l = std::max(rf.levelLo, std::min(rf.levelHi, rf.l0 + (rf.l1 + (rf.l2 + rf.l3 * u) * u) * u));
            const float v = f[x];
            const float below = g * (lo[x] - m) + l - v, above = v - (g * (hi[x] - m) + l);
            float out = std::max(below, above);
            if (f[x] <= kClipBlack)
                out = below;
            else if (f[x] >= kClipWhite)
                out = above - kClipMargin * g;
            d[x] = j[x] && out > 0 ? out * it[x] : 0.0f;
        }
    }
    if (!zoneLabels_.empty())
        dimHighlights(image, judged, light);
    // A patch is judged on the smoothed deviation, less noisy; its extent
    // is taken on the deviation itself, which a strong defect does not bleed
    // out of. No patch can average more than the largest smoothed value.
    cv::GaussianBlur(dev_, smooth_, cv::Size(3, 3), kNoiseSigma, kNoiseSigma, cv::BORDER_REPLICATE);
    double peak = 0;
    cv::minMaxLoc(smooth_, nullptr, &peak);
    if (peak <= kDefectShare)
        return;
    cv::compare(dev_, kReachShare, a_, cv::CMP_GT);
    // The patches out by their reach whose mean is a defect's.
    cv::Mat labels;
    const int n = cv::connectedComponents(a_, labels, 8, CV_32S);
    std::vector<double> sum(size_t(n), 0.0);
    std::vector<int> count(size_t(n), 0);
    for (int y = 0; y < h_; ++y) {
        const float* sr = smooth_.ptr<float>(y);
        const int* lr = labels.ptr<int>(y);
        for (int x = 0; x < w_; ++x)
            if (lr[x]) {
                sum[size_t(lr[x])] += sr[x];
                ++count[size_t(lr[x])];
            }
    }
    std::vector<uchar> defect(size_t(n), 0);
    for (int k = 1; k < n; ++k)
        defect[size_t(k)] = count[size_t(k)] && sum[size_t(k)] / count[size_t(k)] > kDefectShare ? 255 : 0;
    for (int y = 0; y < h_; ++y) {
        const int* lr = labels.ptr<int>(y);
        uchar* o = out.ptr<uchar>(y);
        for (int x = 0; x < w_; ++x)
            o[x] = defect[size_t(lr[x])];
    }
}

// A highlight dims as a whole (the lamp, the angle of the steel): its zone's
// band drops by the median darkening of the highlight itself in this frame,
// never below the steel around it. A part on it darkens a patch and leaves
// the median where it was.
void GrayMatch::dimHighlights(const cv::Mat& image, const cv::Mat& judged, const vision::Lighting& light)
{
    const size_t n = zoneFloor_.size();
    constexpr int kBins = 512; // darkening -255..256 in whole grey levels
    std::vector<int> hist(n * kBins, 0), total(n, 0);
    const float m = float(light.Mean());
    std::vector<float> gain(static_cast<size_t>(w_)), level(static_cast<size_t>(w_));
    for (int y = 0; y < h_; ++y) {
        const int* lab = zoneLabels_.ptr<int>(y);
        const uchar* c = zoneCore_.ptr<uchar>(y);
        const uchar* f = image.ptr<uchar>(y);
        const uchar* j = judged.ptr<uchar>(y);
        const float* mr = mean_.ptr<float>(y);
        bool any = false;
        for (int x = 0; x < w_ && !any; ++x)
            any = c[x] && j[x];
        if (!any)
            continue;
        light.Row(y, gain.data(), level.data());
        for (int x = 0; x < w_; ++x)
            if (c[x] && j[x]) {
                float t = gain[size_t(x)] * (mr[x] - m) + level[size_t(x)] - f[x];
                // A pixel clipped at white may lie anywhere above what it
                // shows: it tells no darkening.
                if (f[x] >= kClipWhite)
                    t = std::min(t, 0.0f);
                const int b = std::max(0, std::min(kBins - 1, int(std::lround(t)) + 255));
                ++hist[size_t(lab[x]) * kBins + size_t(b)];
                ++total[size_t(lab[x])];
            }
    }
    std::vector<float> dim(n, 0.0f);
    bool anyDim = false;
    for (size_t k = 1; k < n; ++k) {
        int acc = 0, b = 0;
        for (; b < kBins && 2 * acc < total[k]; ++b)
            acc += hist[k * kBins + size_t(b)];
        dim[k] = std::max(0.0f, float(b - 1 - 255));
        anyDim = anyDim || dim[k] > 0;
    }
    if (!anyDim)
        return;
    for (int y = 0; y < h_; ++y) {
        const int* lab = zoneLabels_.ptr<int>(y);
        const uchar* f = image.ptr<uchar>(y);
        const uchar* j = judged.ptr<uchar>(y);
        const float* lo = lowBand_.ptr<float>(y);
        const float* hi = highBand_.ptr<float>(y);
        const float* it = invTol_.ptr<float>(y);
        float* d = dev_.ptr<float>(y);
        bool rowFetched = false;
        for (int x = 0; x < w_; ++x) {
            const size_t k = size_t(lab[x]);
            if (!k || !j[x] || dim[k] <= 0)
                continue;
            if (!rowFetched) {
                light.Row(y, gain.data(), level.data());
                rowFetched = true;
            }
            const float g = gain[size_t(x)], l = level[size_t(x)], v = f[x];
            const float low = std::max(zoneFloor_[k], lo[x] - dim[k] / std::max(g, 0.1f));
            const float below = g * (low - m) + l - v, above = v - (g * (hi[x] - m) + l);
            float out = std::max(below, above);
            if (f[x] <= kClipBlack)
                out = below;
            else if (f[x] >= kClipWhite)
                out = above - kClipMargin * g;
            d[x] = out > 0 ? out * it[x] : 0.0f;
        }
    }
}

// The light's grid samples the grey levels as often as they occur; levels
// on a small area (a dark object under a bright sky) it meets a few times,
// and those few a robust fit takes for a change, though they alone tell how
// the light scales the picture. Each band of grey levels gets at least
// kRarePerBand samples, spread evenly over its pixels.
void GrayMatch::pickRareLevels(const cv::Mat& mean8)
{
    fitExtra_.clear();
    constexpr int kBandWidth = 16, kBands = 256 / kBandWidth, kRarePerBand = 12;
    const int stride = vision::Lighting::GridStride(w_, h_);
    const double perGrid = 1.0 / (double(stride) * stride);
    std::vector<int> count(kBands, 0);
    for (int y = 0; y < h_; ++y) {
        const uchar* u = fitUse_.ptr<uchar>(y);
        const uchar* r = mean8.ptr<uchar>(y);
        for (int x = 0; x < w_; ++x)
            if (u[x])
                ++count[r[x] / kBandWidth];
    }
    std::vector<double> every(kBands, 0.0), next(kBands, 0.0);
    std::vector<int> seen(kBands, 0);
    bool any = false;
    for (int b = 0; b < kBands; ++b) {
        const double want = kRarePerBand - count[size_t(b)] * perGrid;
        if (count[size_t(b)] > 0 && want >= 1) {
            every[size_t(b)] = std::max(1.0, count[size_t(b)] / want);
            next[size_t(b)] = every[size_t(b)] / 2;
            any = true;
        }
    }
    if (!any)
        return;
    for (int y = 0; y < h_; ++y) {
        const uchar* u = fitUse_.ptr<uchar>(y);
        const uchar* r = mean8.ptr<uchar>(y);
        for (int x = 0; x < w_; ++x) {
            const size_t b = r[x] / kBandWidth;
            if (!u[x] || every[b] <= 0)
                continue;
            if (seen[b]++ >= int(next[b])) {
                fitExtra_.emplace_back(x, y);
                next[b] += every[b];
            }
        }
    }
}

void GrayMatch::Clear()
{
    fitExtra_.clear();
    zoneLabels_.release();
    zoneCore_.release();
    zoneFloor_.clear();
    sum_.release();
    low_.release();
    high_.release();
    mean_.release();
    lowBand_.release();
    highBand_.release();
    invTol_.release();
    fitUse_.release();
    templates_ = 0;
    valid_ = false;
}
