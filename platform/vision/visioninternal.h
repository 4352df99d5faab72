#pragma once
// Helpers shared by the models of the image-processing layer.
#include <opencv2/core.hpp>
#include <vector>

namespace vision {

// The model mask: 255 where `mask` is non-zero when it is an 8-bit w x h
// image, else the whole w x h box.
cv::Mat RegionMask(const cv::Mat& mask, int w, int h);

// A smooth change of light between a reference picture of a region and a new
// picture of it: image = gain(x, y) * (reference - mean) + level(x, y), gain
// and level cubic in x and y. That covers a lamp's slope or falloff across
// the region, the edge of its cone, an offset of the whole picture and a soft
// sheen; it cannot bend around a blob, so a defect stays a defect.
class Lighting {
public:
    // Largest correction taken as light at any pixel: beyond it a change is
    // part of the picture (a covering part, a missing one). A lamp's slope of
    // +-20 % on a gain of 0.9..1.1 stays well inside, as does an offset of
    // +-50 with a sheen on top.
    static constexpr double kMinGain = 0.55;
    static constexpr double kMaxGain = 1.6;
    static constexpr double kMaxLevel = 110;

    // Fits `image` (8 bit) to `reference` (CV_32F, same size) on the pixels
    // `use` allows (8 bit, same size), robustly: a changed part of the region
    // has no say. Pixels the camera clipped at black or white count only as
    // bounds. With too few pixels the light is left as it was. `extra`: pixels
    // sampled besides the even grid (where `use` allows), so that grey levels
    // the grid meets only a few times still tell the gain.
    void Fit(const cv::Mat& image, const cv::Mat& reference, const cv::Mat& use,
             const std::vector<cv::Point>& extra = {});
    // The grid's spacing in pixels for a w x h picture.
    static int GridStride(int w, int h);
    // The image as it would look under the reference's light (CV_32F).
    void Undo(const cv::Mat& image, cv::Mat& out) const;
    // Along row y: gain = g0 + (g1 + (g2 + g3 u) u) u, level likewise with
    // l0..l3, at u = u0 + x du, each kept within [lo, hi].
    struct RowFields {
        float g0, g1, g2, g3, l0, l1, l2, l3, u0, du, gainLo, gainHi, levelLo, levelHi;
    };
    RowFields Row(int y) const;
    // The bounded gain and level of row y for its w pixels.
    void Row(int y, float* gain, float* level) const;
    // The reference's mean grey level the fit is taken about.
    double Mean() const { return mean_; }

private:
    static constexpr int kTerms = 10; // 1, u, v, u^2, uv, v^2, u^3, u^2 v, u v^2, v^3
    double gain_[kTerms] = {1};
    double level_[kTerms] = {0};
    double mean_ = 0;
    int w_ = 0, h_ = 0;
    bool identity_ = true;
};

} // namespace vision
