#include "platform/vision/vision.h"
#include "platform/vision/visioninternal.h"

#include "params/geometry.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <opencv2/core/hal/intrin.hpp>
#include <opencv2/imgproc.hpp>
#include <vector>

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

// A fraction of a pixel this small is not worth interpolating; fractions are
// taken in sixteenths (a thirtieth of a pixel at worst), which keeps the
// arithmetic in 16 bits.
constexpr double kWholeEnough = 1.0 / 32;
constexpr int kSteps = 16;

// dst(p) = src(p - s - f) for whole pixels s and 0 <= f < 1, bilinear, the
// borders replicated, in one pass: each pixel mixed with its left and upper
// neighbours, written where it moves to.
void moveFraction(const cv::Mat& src, cv::Mat& dst, int sx, int sy, double fx, double fy)
{
    dst.create(src.size(), CV_8UC1);
    const int w = src.cols, h = src.rows;
    sx = std::max(-(w - 1), std::min(w - 1, sx));
    sy = std::max(-(h - 1), std::min(h - 1, sy));
    const ushort wx = ushort(std::lround(fx * kSteps)), wy = ushort(std::lround(fy * kSteps));
    const ushort kx = ushort(kSteps - wx), ky = ushort(kSteps - wy);
    // Two rows mixed across, kept by their source row.
    std::vector<ushort> cache[2] = {std::vector<ushort>(size_t(w)), std::vector<ushort>(size_t(w))};
    int cached[2] = {-1, -1};
    auto across = [&](int row) -> const ushort* {
        for (int k = 0; k < 2; ++k)
            if (cached[k] == row)
                return cache[k].data();
        const int k = cached[0] == row - 1 ? 1 : 0; // keep the row above, it is needed next
        ushort* out = cache[k].data();
        cached[k] = row;
        const uchar* r = src.ptr<uchar>(row);
        out[0] = ushort(kSteps * r[0]);
        int x = 1;
#if CV_SIMD128
        const cv::v_uint16x8 a = cv::v_setall_u16(kx), b = cv::v_setall_u16(wx);
        for (; x + 16 <= w; x += 16) {
            cv::v_uint16x8 s0, s1, t0, t1;
            cv::v_expand(cv::v_load(r + x), s0, s1);
            cv::v_expand(cv::v_load(r + x - 1), t0, t1);
            cv::v_store(out + x, cv::v_mul_wrap(s0, a) + cv::v_mul_wrap(t0, b));
            cv::v_store(out + x + 8, cv::v_mul_wrap(s1, a) + cv::v_mul_wrap(t1, b));
        }
#endif
        for (; x < w; ++x)
            out[x] = ushort(kx * r[x] + wx * r[x - 1]);
        return out;
    };
    const int x0 = std::max(0, sx), x1 = std::min(w - 1, w - 1 + sx); // columns with a source
    for (int y = 0; y < h; ++y) {
        const int ym = std::max(0, std::min(h - 1, y - sy));
        const ushort* up = across(std::max(0, ym - 1));
        const ushort* here = across(ym);
        const ushort* hr = here - sx;
        const ushort* ur = up - sx;
        uchar* o = dst.ptr<uchar>(y);
        int x = x0;
#if CV_SIMD128
        const cv::v_uint16x8 c = cv::v_setall_u16(ky), d = cv::v_setall_u16(wy), half = cv::v_setall_u16(128);
        for (; x + 16 <= x1 + 1; x += 16) {
            const cv::v_uint16x8 s0 = cv::v_mul_wrap(cv::v_load(hr + x), c) + cv::v_mul_wrap(cv::v_load(ur + x), d);
            const cv::v_uint16x8 s1 =
                cv::v_mul_wrap(cv::v_load(hr + x + 8), c) + cv::v_mul_wrap(cv::v_load(ur + x + 8), d);
            cv::v_store(o + x, cv::v_pack((s0 + half) >> 8, (s1 + half) >> 8));
        }
#endif
        for (; x <= x1; ++x)
            o[x] = uchar((ky * hr[x] + wy * ur[x] + 128) >> 8);
        std::fill(o, o + x0, o[x0]);
        std::fill(o + x1 + 1, o + w, o[x1]);
    }
}

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
    if (src.type() != CV_8UC1) {
        const cv::Matx23d m(1, 0, dx, 0, 1, dy);
        cv::warpAffine(src, dst, m, src.size(), cv::INTER_LINEAR, cv::BORDER_REPLICATE);
        return;
    }
    moveFraction(src, dst, sx, sy, fx, fy);
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
