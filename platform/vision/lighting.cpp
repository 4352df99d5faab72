#include "platform/vision/visioninternal.h"

#include <algorithm>
#include <cmath>
#include <opencv2/imgproc.hpp>
#include <vector>

namespace vision {

namespace {

constexpr int kSamples = 400;      // pixels sampled for the fit: twelve numbers to fit, and a defect to outvote
constexpr int kFewest = 24;        // fewer usable samples: no fit
constexpr double kGainPrior = 4.0; // grey levels of structure below which the gain is not fitted
constexpr double kStartSpread = 12; // grey levels apart for a pair of samples to tell the starting gain
constexpr int kClipBlack = 2, kClipWhite = 253; // where a camera clips

void basis(double u, double v, double out[10])
{
    out[0] = 1;
    out[1] = u;
    out[2] = v;
    out[3] = u * u;
    out[4] = u * v;
    out[5] = v * v;
    out[6] = u * u * u;
    out[7] = u * u * v;
    out[8] = u * v * v;
    out[9] = v * v * v;
}

double median(std::vector<double>& v)
{
    if (v.empty())
        return 0;
    std::nth_element(v.begin(), v.begin() + v.size() / 2, v.end());
    return v[v.size() / 2];
}

} // namespace

int Lighting::GridStride(int w, int h)
{
    return std::max(1, int(std::lround(std::sqrt(double(std::max(0, w)) * std::max(0, h) / kSamples))));
}

void Lighting::Fit(const cv::Mat& image, const cv::Mat& reference, const cv::Mat& use,
                   const std::vector<cv::Point>& extra)
{
    w_ = image.cols;
    h_ = image.rows;
    identity_ = true;
    std::fill(gain_, gain_ + kTerms, 0.0);
    std::fill(level_, level_ + kTerms, 0.0);
    gain_[0] = 1;
    if (w_ < 1 || h_ < 1 || reference.size() != image.size() || use.size() != image.size())
        return;

    struct S {
        double u, v, r, f;
        int clipped; // -1 at black, 1 at white, 0 not
    };
    std::vector<S> s;
    const int stride = GridStride(w_, h_);
    const double cx = 0.5 * (w_ - 1), cy = 0.5 * (h_ - 1);
    const double nx = std::max(1.0, cx), ny = std::max(1.0, cy);
    for (int y = stride / 2; y < h_; y += stride) {
        const uchar* ir = image.ptr<uchar>(y);
        const float* rr = reference.ptr<float>(y);
        const uchar* ur = use.ptr<uchar>(y);
        for (int x = stride / 2; x < w_; x += stride)
            if (ur[x])
                s.push_back({(x - cx) / nx, (y - cy) / ny, rr[x], double(ir[x]),
                             ir[x] <= kClipBlack ? -1 : ir[x] >= kClipWhite ? 1 : 0});
    }
    for (const cv::Point& p : extra)
        if (p.x >= 0 && p.y >= 0 && p.x < w_ && p.y < h_ && use.at<uchar>(p)) {
            const uchar f = image.at<uchar>(p);
            s.push_back({(p.x - cx) / nx, (p.y - cy) / ny, reference.at<float>(p), double(f),
                         f <= kClipBlack ? -1 : f >= kClipWhite ? 1 : 0});
        }
    if (int(s.size()) < kFewest)
        return;
    double mean = 0;
    for (const S& p : s)
        mean += p.r;
    mean /= s.size();
    mean_ = mean;

    // Start: the gain as the median of the slopes between pairs of samples
    // far apart in grey level (which holds while a change covers less than
    // about a quarter of the samples, and sees the gain also where the region
    // has only two grey levels, a plate and its holes), then the median
    // difference as the level (which holds while up to half of them show
    // something else).
    // Clipped samples only bound the light, so they do not start it.
    std::vector<double> slopes;
    const size_t half = s.size() / 2;
    for (size_t i = 0; i < half; ++i) {
        const double dr = s[i].r - s[i + half].r;
        if (std::abs(dr) >= kStartSpread && !s[i].clipped && !s[i + half].clipped)
            slopes.push_back((s[i].f - s[i + half].f) / dr);
    }
    if (slopes.size() >= size_t(kFewest))
        gain_[0] = std::max(kMinGain, std::min(kMaxGain, median(slopes)));
    std::vector<double> e;
    for (const S& p : s)
        if (!p.clipped)
            e.push_back(p.f - gain_[0] * (p.r - mean));
    if (e.size() < size_t(kFewest))
        return;
    level_[0] = median(e);

    // Each sample's row of the design: the basis times (reference - mean),
    // then the basis.
    constexpr int K = kTerms, N = 2 * kTerms;
    const size_t ns = s.size();
    std::vector<double> rows(ns * N);
    for (size_t i = 0; i < ns; ++i) {
        double b[K];
        basis(s[i].u, s[i].v, b);
        double* row = &rows[i * N];
        for (int k = 0; k < K; ++k) {
            row[k] = b[k] * (s[i].r - mean);
            row[K + k] = b[k];
        }
    }
    const double n = double(ns);
    std::vector<double> res(ns), absRes(ns);
    for (int iter = 0; iter < 3; ++iter) {
        // Residuals of the current fit, their robust spread, Tukey's weights.
        for (size_t i = 0; i < ns; ++i) {
            const double* row = &rows[i * N];
            double fit = 0;
            for (int k = 0; k < K; ++k)
                fit += gain_[k] * row[k] + level_[k] * row[K + k];
            res[i] = s[i].f - fit;
            // A clipped sample says only that the light is no brighter (at
            // black) or no darker (at white) than it shows.
            if ((s[i].clipped < 0 && res[i] > 0) || (s[i].clipped > 0 && res[i] < 0))
                res[i] = 0;
            absRes[i] = std::abs(res[i]);
        }
        // The first round looks wider, so that the start may still move.
        const double scale = (iter == 0 ? 2 : 1) * 4.685 * std::max(2.0, 1.4826 * median(absRes));
        double A[N][N] = {{0}}, rhs[N] = {0};
        for (size_t i = 0; i < ns; ++i) {
            const double t = res[i] / scale;
            if (std::abs(t) >= 1 || (s[i].clipped && res[i] == 0))
                continue;
            const double w = (1 - t * t) * (1 - t * t);
            const double* row = &rows[i * N];
            for (int a = 0; a < N; ++a) {
                const double wa = w * row[a];
                rhs[a] += wa * s[i].f;
                for (int c = a; c < N; ++c)
                    A[a][c] += wa * row[c];
            }
        }
        // The gain is pulled towards 1 with the weight of kGainPrior grey
        // levels of structure: a plain region leaves it there. The terms
        // of higher order are held a little, so that a region sampled
        // thinly in one direction does not swing.
        const double prior = n * kGainPrior * kGainPrior;
        for (int k = 0; k < K; ++k) {
            A[k][k] += prior;
            A[K + k][K + k] += (k == 0 ? 1e-6 : 1e-3) * n;
        }
        rhs[0] += prior;
        cv::Matx<double, N, N> Am;
        cv::Matx<double, N, 1> bm, x;
        for (int a = 0; a < N; ++a) {
            bm(a) = rhs[a];
            for (int c = 0; c < N; ++c)
                Am(a, c) = a <= c ? A[a][c] : A[c][a];
        }
        if (!cv::solve(Am, bm, x, cv::DECOMP_CHOLESKY))
            break;
        for (int k = 0; k < K; ++k) {
            gain_[k] = x(k);
            level_[k] = x(K + k);
        }
    }
    identity_ = false;
}

Lighting::RowFields Lighting::Row(int y) const
{
    RowFields r;
    r.gainLo = float(kMinGain);
    r.gainHi = float(kMaxGain);
    r.levelLo = float(mean_ - kMaxLevel);
    r.levelHi = float(mean_ + kMaxLevel);
    if (identity_) {
        r.g0 = 1;
        r.l0 = float(mean_);
        r.g1 = r.g2 = r.g3 = r.l1 = r.l2 = r.l3 = r.u0 = r.du = 0;
        return r;
    }
    // Along a row both fields are cubics in u.
    const double cx = 0.5 * (w_ - 1), cy = 0.5 * (h_ - 1);
    const double nx = std::max(1.0, cx), ny = std::max(1.0, cy);
    const double v = (y - cy) / ny;
    auto along = [v](const double* c, float* out) {
        out[0] = float(c[0] + (c[2] + (c[5] + c[9] * v) * v) * v);
        out[1] = float(c[1] + (c[4] + c[8] * v) * v);
        out[2] = float(c[3] + c[7] * v);
        out[3] = float(c[6]);
    };
    float g[4], l[4];
    along(gain_, g);
    along(level_, l);
    r.g0 = g[0];
    r.g1 = g[1];
    r.g2 = g[2];
    r.g3 = g[3];
    r.l0 = l[0];
    r.l1 = l[1];
    r.l2 = l[2];
    r.l3 = l[3];
    r.u0 = float(-cx / nx);
    r.du = float(1.0 / nx);
    return r;
}

void Lighting::Row(int y, float* gain, float* level) const
{
    const RowFields r = Row(y);
    for (int x = 0; x < w_; ++x) {
        const float u = r.u0 + float(x) * r.du;
        const float g = r.g0 + (r.g1 + (r.g2 + r.g3 * u) * u) * u, l = r.l0 + (r.l1 + (r.l2 + r.l3 * u) * u) * u;
        gain[x] = std::max(r.gainLo, std::min(r.gainHi, g));
        level[x] = std::max(r.levelLo, std::min(r.levelHi, l));
    }
}

void Lighting::Undo(const cv::Mat& image, cv::Mat& out) const
{
    image.convertTo(out, CV_32F);
    if (identity_ || image.cols != w_ || image.rows != h_)
        return;
    std::vector<float> g(static_cast<size_t>(w_)), l(static_cast<size_t>(w_));
    const float m = float(mean_);
    for (int y = 0; y < h_; ++y) {
        Row(y, g.data(), l.data());
        float* o = out.ptr<float>(y);
        for (int x = 0; x < w_; ++x)
            o[x] = (o[x] - l[size_t(x)]) / g[size_t(x)] + m;
    }
}

} // namespace vision
