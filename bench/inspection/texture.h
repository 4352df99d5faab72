#pragma once
// Seeded pictures shared by the inspection benchmark and the tests: smooth
// random texture with hard-edged discs and bars, and such a picture moved and
// turned the way a shaken camera would see it.
#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>

struct TextureLook {
    double blur;          // sigma of the smoothing, pixels
    int low, high;        // grey range of the texture
    int shapes;           // number of discs and bars
    int minRadius, maxRadius;
    int bright, dark;     // their grey levels
};

inline cv::Mat SceneTexture(cv::Size size, unsigned seed, const TextureLook& look)
{
    cv::RNG rng(seed);
    cv::Mat noise(size, CV_32F);
    rng.fill(noise, cv::RNG::UNIFORM, 0, 1);
    cv::GaussianBlur(noise, noise, cv::Size(0, 0), look.blur);
    cv::normalize(noise, noise, look.low, look.high, cv::NORM_MINMAX);
    cv::Mat img;
    noise.convertTo(img, CV_8U);
    for (int i = 0; i < look.shapes; ++i) {
        const cv::Point c(rng.uniform(0, size.width), rng.uniform(0, size.height));
        const int r = rng.uniform(look.minRadius, look.maxRadius);
        const int g = rng.uniform(0, 2) ? look.bright : look.dark;
        if (i % 2)
            cv::circle(img, c, r, cv::Scalar(g), cv::FILLED, cv::LINE_AA);
        else
            cv::rectangle(img, cv::Rect(c.x, c.y, 2 * r, r), cv::Scalar(g), cv::FILLED);
    }
    return img;
}

// The picture with its content turned by `angle` degrees about `centre` and
// then moved (forward warp, the convention of the positioning model).
inline cv::Mat MovedPicture(const cv::Mat& img, cv::Point2d move, cv::Point2d centre, double angle)
{
    cv::Mat m = cv::getRotationMatrix2D(centre, angle, 1.0);
    m.at<double>(0, 2) += move.x;
    m.at<double>(1, 2) += move.y;
    cv::Mat out;
    cv::warpAffine(img, out, m, img.size(), cv::INTER_LINEAR, cv::BORDER_REFLECT);
    return out;
}
