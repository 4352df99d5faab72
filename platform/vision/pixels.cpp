#include "platform/vision/vision.h"
#include "platform/vision/visioninternal.h"

#include "params/geometry.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <opencv2/imgproc.hpp>

namespace {

void moveWhole(const cv::Mat& src, cv::Mat& dst, int dx, int dy)
{
    // Beyond one image width nothing of the source stays in view; the last
    // column/row replicated is the sound limit.
    dx = std::max(-(src.cols - 1), std::min(src.cols - 1, dx));
    dy = std::max(-(src.rows - 1), std::min(src.rows - 1, dy));
    const cv::Rect keep(std::max(0, -dx), std::max(0, -dy), src.cols - std::abs(dx), src.rows - std::abs(dy));
    cv::copyMakeBorder(src(keep), dst, std::max(0, dy), std::max(0, -dy), std::max(0, dx), std::max(0, -dx),
                       cv::BORDER_REPLICATE);
}

// A fraction of a pixel this small is not worth interpolating.
constexpr double kWholeEnough = 1.0 / 64;

} // namespace

void MoveImage(const cv::Mat& src, cv::Mat& dst, double dx, double dy)
{
    if (src.empty()) {
        dst.release();
        return;
    }
    int sx = int(std::floor(dx)), sy = int(std::floor(dy));
    double fx = dx - sx, fy = dy - sy;
    if (fx > 1 - kWholeEnough) {
        fx = 0;
        ++sx;
    }
    if (fy > 1 - kWholeEnough) {
        fy = 0;
        ++sy;
    }
    fx = fx < kWholeEnough ? 0 : fx;
    fy = fy < kWholeEnough ? 0 : fy;
    if (fx == 0 && fy == 0) {
        moveWhole(src, dst, sx, sy);
        return;
    }
    // dst(p) = src(p - s - f): the fraction by a 2 x 2 interpolation that
    // mixes each pixel with its left and upper neighbours, then the whole
    // pixels.
    cv::Mat k(2, 2, CV_32F);
    k.at<float>(0, 0) = float(fx * fy);
    k.at<float>(0, 1) = float((1 - fx) * fy);
    k.at<float>(1, 0) = float(fx * (1 - fy));
    k.at<float>(1, 1) = float((1 - fx) * (1 - fy));
    thread_local cv::Mat mixed;
    cv::filter2D(src, mixed, -1, k, cv::Point(1, 1), 0, cv::BORDER_REPLICATE);
    moveWhole(mixed, dst, sx, sy);
}

void TransformImage(const cv::Mat& src, cv::Mat& dst, cv::Point2d shift, cv::Point2d centre, double angle)
{
    if (src.empty()) {
        dst.release();
        return;
    }
    // dst(q) = src(c' + R (q - c)) with c' = c - shift, the part's place in src.
    const double a = angle * CV_PI / 180.0;
    const double ca = std::cos(a), sa = std::sin(a);
    const cv::Point2d found = centre - shift;
    cv::Matx23d m(ca, sa, 0, -sa, ca, 0);
    m(0, 2) = found.x - (ca * centre.x + sa * centre.y);
    m(1, 2) = found.y - (-sa * centre.x + ca * centre.y);
    cv::warpAffine(src, dst, m, src.size(), cv::INTER_LINEAR | cv::WARP_INVERSE_MAP, cv::BORDER_REPLICATE);
}

void RGBA2Gray(unsigned char* out, const unsigned char* in, int w, int h)
{
    if (w <= 0 || h <= 0)
        return;
    const cv::Mat src(h, w, CV_8UC4, const_cast<unsigned char*>(in));
    cv::Mat dst(h, w, CV_8UC1, out);
    cv::cvtColor(src, dst, cv::COLOR_BGRA2GRAY);
}

void RGBA2Hue(unsigned char* out, const unsigned char* in, int w, int h)
{
    if (w <= 0 || h <= 0)
        return;
    const cv::Mat src(h, w, CV_8UC4, const_cast<unsigned char*>(in));
    cv::Mat dst(h, w, CV_8UC1, out);
    // In bands of rows: the three-channel working copies stay small instead
    // of two frame-sized ones per call (every colour judgement makes one).
    constexpr int kBand = 64;
    cv::Mat bgr, hsv;
    for (int y = 0; y < h; y += kBand) {
        const cv::Range rows(y, std::min(h, y + kBand));
        cv::cvtColor(src.rowRange(rows), bgr, cv::COLOR_BGRA2BGR);
        cv::cvtColor(bgr, hsv, cv::COLOR_BGR2HSV_FULL);
        cv::Mat part = dst.rowRange(rows);
        cv::extractChannel(hsv, part, 0);
    }
}

void RGB2RGBA(unsigned char* out, const unsigned char* in, int w, int h)
{
    if (w <= 0 || h <= 0)
        return;
    const cv::Mat src(h, w, CV_8UC3, const_cast<unsigned char*>(in));
    cv::Mat dst(h, w, CV_8UC4, out);
    cv::cvtColor(src, dst, cv::COLOR_RGB2BGRA);
}

void Gray2RGBA(const unsigned char* in, unsigned char* out, int w, int h)
{
    if (w <= 0 || h <= 0)
        return;
    const cv::Mat src(h, w, CV_8UC1, const_cast<unsigned char*>(in));
    cv::Mat dst(h, w, CV_8UC4, out);
    cv::cvtColor(src, dst, cv::COLOR_GRAY2BGRA);
}

void CheckInRange(int* v, int axis)
{
    const int limit = (axis == 1 ? gShowW : gShowH) - 1;
    *v = std::max(0, std::min(limit, *v));
}

void CheckInRange(QRect* r, bool moved)
{
    const int maxX = gShowW - 1, maxY = gShowH - 1;
    if (moved && r->width() >= 1 && r->height() >= 1) {
        if (r->width() > gShowW) {
            r->setLeft(0);
            r->setRight(maxX);
        } else if (r->left() < 0) {
            r->moveLeft(0);
        } else if (r->right() > maxX) {
            r->moveRight(maxX);
        }
        if (r->height() > gShowH) {
            r->setTop(0);
            r->setBottom(maxY);
        } else if (r->top() < 0) {
            r->moveTop(0);
        } else if (r->bottom() > maxY) {
            r->moveBottom(maxY);
        }
        return;
    }
    int x1 = r->left(), y1 = r->top(), x2 = r->right(), y2 = r->bottom();
    CheckInRange(&x1, 1);
    CheckInRange(&x2, 1);
    CheckInRange(&y1, 0);
    CheckInRange(&y2, 0);
    r->setCoords(x1, y1, x2, y2);
}

bool PointAround(const QPoint& a, const QPoint& b, int tol)
{
    return std::abs(a.x() - b.x()) <= tol && std::abs(a.y() - b.y()) <= tol;
}

bool LineAround(int v, int p, int tol) { return std::abs(v - p) <= tol; }

bool LineAround(int line, int p, int q, int from, int to, int tol)
{
    return std::abs(p - line) <= tol && q >= std::min(from, to) && q <= std::max(from, to);
}

namespace vision {

cv::Mat RegionMask(const cv::Mat& mask, int w, int h)
{
    cv::Mat m;
    if (mask.type() == CV_8UC1 && mask.cols == w && mask.rows == h)
        cv::compare(mask, 0, m, cv::CMP_GT);
    else
        m = cv::Mat(h, w, CV_8UC1, cv::Scalar(255));
    return m;
}

} // namespace vision
