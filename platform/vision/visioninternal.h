#pragma once
// Helpers shared by the models of the image-processing layer.
#include <opencv2/core.hpp>

namespace vision {

// The model mask: 255 where `mask` is non-zero when it is an 8-bit w x h
// image, else the whole w x h box.
cv::Mat RegionMask(const cv::Mat& mask, int w, int h);

} // namespace vision
