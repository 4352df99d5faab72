#include "inspection/measure.h"

#include "inspection/cammersingleton.h"

#include <algorithm>
#include <cmath>
#include <opencv2/imgproc.hpp>

namespace measure {

bool GreyRange(int method, int minSize, int sens, int* lower, int* upper)
{
    switch (method) {
    case MethodSpot: {
        const int a = minSize & 0xFF, b = (minSize >> 8) & 0xFF;
        *lower = std::min(a, b);
        *upper = std::max(a, b);
        return true;
    }
    case MethodBlackArea:
        *lower = 0;
        *upper = sens & 0xFF;
        return true;
    case MethodWhiteArea:
    case MethodWhiteNum:
        *lower = sens & 0xFF;
        *upper = 255;
        return true;
    default:
        return false;
    }
}

namespace {

// Elliptic k x k element; a kernel larger than 2 (w + h) + 1 covers the whole
// box from any pixel, so it gives the same result as any larger one and caps
// the cost of absurd stored sizes.
cv::Mat ellipse(int k, cv::Size box)
{
    k = std::max(1, std::min(k, 2 * (box.width + box.height) + 1));
    return cv::getStructuringElement(cv::MORPH_ELLIPSE, cv::Size(k, k));
}

} // namespace

bool GreySelect(int method, const cv::Mat& g, const cv::Mat& r, int minSize, int sens, cv::Mat& z2)
{
    int lower, upper;
    if (!GreyRange(method, minSize, sens, &lower, &upper))
        return false;
    cv::inRange(g, cv::Scalar(lower), cv::Scalar(upper), z2);
    cv::bitwise_and(z2, r, z2);
    if (method == MethodWhiteNum)
        cv::morphologyEx(z2, z2, cv::MORPH_CLOSE, ellipse(std::max(minSize, 1), z2.size()));
    return true;
}

Blobs OpenAndMeasure(const cv::Mat& z2, int k, int maxBoxes)
{
    Blobs b;
    cv::morphologyEx(z2, b.found, cv::MORPH_OPEN, ellipse(k, z2.size()));
    std::vector<std::vector<cv::Point>> contours;
    cv::findContours(b.found, contours, cv::RETR_EXTERNAL, cv::CHAIN_APPROX_NONE);
    for (const auto& c : contours) {
        b.area = int(b.area + cv::contourArea(c));
        ++b.count;
        if (int(b.boxes.size()) < maxBoxes)
            b.boxes.push_back(cv::boundingRect(c));
    }
    return b;
}

std::vector<DirectionBlob> DirectionBlobs(const cv::Mat& g, int lower, int upper, int side, const cv::Mat& inView)
{
    if (upper < lower)
        std::swap(lower, upper);
    cv::Mat z2;
    if (inView.empty()) {
        cv::threshold(g, z2, 0, 255, cv::THRESH_BINARY | cv::THRESH_OTSU);
    } else {
        // Otsu's level of the pixels in view only.
        std::vector<uchar> seen;
        for (int y = 0; y < g.rows; ++y) {
            const uchar* gr = g.ptr<uchar>(y);
            const uchar* vr = inView.ptr<uchar>(y);
            for (int x = 0; x < g.cols; ++x)
                if (vr[x])
                    seen.push_back(gr[x]);
        }
        if (seen.empty())
            return {};
        const cv::Mat row(1, int(seen.size()), CV_8UC1, seen.data());
        cv::Mat unused;
        const double level = cv::threshold(row, unused, 0, 255, cv::THRESH_BINARY | cv::THRESH_OTSU);
        cv::threshold(g, z2, level, 255, cv::THRESH_BINARY);
        cv::bitwise_and(z2, inView, z2);
    }
    std::vector<std::vector<cv::Point>> contours;
    cv::findContours(z2, contours, cv::RETR_EXTERNAL, cv::CHAIN_APPROX_SIMPLE);
    std::vector<DirectionBlob> out;
    for (auto& c : contours) {
        const double area = cv::contourArea(c);
        if (!(area > lower && area < upper))
            continue;
        DirectionBlob blob{std::move(c), {}, false};
        blob.box = cv::boundingRect(blob.contour);
        // The part of the box the blob leaves uncovered, and where its weight lies.
        cv::Mat own(blob.box.size(), CV_8UC1, cv::Scalar(0));
        const std::vector<std::vector<cv::Point>> one{blob.contour};
        cv::drawContours(own, one, 0, cv::Scalar(255), cv::FILLED, cv::LINE_8, cv::noArray(), INT_MAX,
                         -blob.box.tl());
        cv::bitwise_not(own, own);
        const cv::Moments m = cv::moments(own, true);
        if (m.m00 != 0) {
            const int cx = int(std::nearbyint(m.m10 / m.m00));
            const int half = blob.box.width / 2;
            blob.flagged = (side == 0 && cx > half) || (side == 1 && cx < half);
        }
        out.push_back(std::move(blob));
    }
    return out;
}

} // namespace measure
