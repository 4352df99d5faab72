#include "platform/vision/vision.h"

#include "bench/inspection/texture.h"
#include "params/geometry.h"

#include <cmath>
#include <gtest/gtest.h>
#include <opencv2/imgproc.hpp>

namespace {

cv::Mat texture(cv::Size size, int seed)
{
    const int side = std::min(size.width, size.height);
    return SceneTexture(size, unsigned(seed), {3.0, 40, 200, 12, 2 + side / 30, 3 + side / 10, 235, 20});
}

cv::Mat moved(const cv::Mat& img, cv::Point2d move, cv::Point2d centre, double angle)
{
    return MovedPicture(img, move, centre, angle);
}

double meanAbsDiff(const cv::Mat& a, const cv::Mat& b)
{
    cv::Mat d;
    cv::absdiff(a, b, d);
    return cv::mean(d)[0];
}

} // namespace

TEST(MoveImage, ShiftsAndReplicatesTheBorder)
{
    const cv::Mat src = texture({40, 30}, 1);
    for (const cv::Point d : {cv::Point(0, 0), cv::Point(5, -3), cv::Point(-7, 9), cv::Point(39, 0),
                              cv::Point(-100, 100)}) {
        SCOPED_TRACE(testing::Message() << d);
        cv::Mat dst(src.size(), CV_8UC1, cv::Scalar(0));
        const uchar* buffer = dst.data;
        MoveImage(src, dst, d.x, d.y);
        EXPECT_EQ(dst.data, buffer) << "the caller's buffer is written in place";
        for (int y = 0; y < src.rows; ++y)
            for (int x = 0; x < src.cols; ++x) {
                const int sx = std::max(0, std::min(src.cols - 1, x - d.x));
                const int sy = std::max(0, std::min(src.rows - 1, y - d.y));
                ASSERT_EQ(dst.at<uchar>(y, x), src.at<uchar>(sy, sx)) << x << "," << y;
            }
    }
}

// A fractional move interpolates, and agrees with the general warp.
TEST(MoveImage, MovesByFractionsOfAPixel)
{
    const cv::Mat src = texture({80, 60}, 2);
    for (const cv::Point2d d : {cv::Point2d(2.5, -1.25), cv::Point2d(-3.75, 0.5), cv::Point2d(0.3, 4)}) {
        SCOPED_TRACE(testing::Message() << d);
        cv::Mat moved, expected;
        MoveImage(src, moved, d.x, d.y);
        const cv::Matx23d m(1, 0, d.x, 0, 1, d.y);
        cv::warpAffine(src, expected, m, src.size(), cv::INTER_LINEAR, cv::BORDER_REPLICATE);
        // Where the source lies inside (the warp rounds fractions to 1/32).
        const cv::Rect inside(int(std::ceil(d.x)) + 1, int(std::ceil(d.y)) + 1, 80 - int(std::ceil(std::abs(d.x))) - 3,
                              60 - int(std::ceil(std::abs(d.y))) - 3);
        const cv::Rect in = inside & cv::Rect(0, 0, 80, 60);
        EXPECT_GT(in.area(), 3000);
        EXPECT_LE(cv::norm(moved(in), expected(in), cv::NORM_INF), 2.0);
    }
}

TEST(TransformImage, WithoutAngleEqualsMoveAndKeepsNoBlackBorder)
{
    cv::Mat src(50, 60, CV_8UC1, cv::Scalar(180));
    cv::Mat a, b;
    MoveImage(src, a, 12, -8);
    TransformImage(src, b, {12, -8}, {30, 25}, 0.0);
    EXPECT_EQ(cv::countNonZero(a != b), 0);
    TransformImage(src, b, {3, 2}, {30, 25}, 8.0);
    double minV;
    cv::minMaxLoc(b, &minV);
    EXPECT_EQ(minV, 180) << "turned corners are filled from the edge, not black";
}

// Alignment recovers a table of moves and turns of a textured frame to a
// third of a pixel and a fifth of a degree, over the whole rotation range.
TEST(FindShape, RecoversShiftsAndRotations)
{
    const cv::Mat tmpl = texture({320, 240}, 7);
    const cv::Rect box(90, 60, 140, 110);
    const cv::Point2d centre(box.x + box.width / 2, box.y + box.height / 2);
    struct Case {
        double dx, dy, angle;
        int range;
    } cases[] = {
        {0, 0, 0, 0},    {7, -4, 0, 0},      {-15, 12, 0, 0},   {3.5, -2.5, 0, 0},  {0.25, 0.75, 0, 0},
        {5, 5, 4, 10},   {-9, 3, -7, 10},    {0, 0, 9.5, 10},   {12, -11, -2, 10},  {2.3, -1.6, 0.4, 10},
        {4, -6, 95, 180}, {-8, 2, -170, 180}, {1.5, 3, 180, 180}, {6, 6, -44.6, 180}, {0, 0, 0, 180},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.dx << "," << c.dy << " angle " << c.angle << " range " << c.range);
        FindShape model;
        EXPECT_FALSE(model.IsValid());
        ASSERT_TRUE(model.CreateShape(tmpl(box).clone(), 0.0, 0, c.range, int(centre.x), int(centre.y), false,
                                      255, cv::Mat(), 5, 0));
        const cv::Mat frame = moved(tmpl, {c.dx, c.dy}, centre, c.angle);
        const cv::Rect search(box.x - 30, box.y - 30, box.width + 60, box.height + 60);
        double x, y, score, angle;
        ASSERT_TRUE(model.Find(frame(search).clone(), 0, &x, &y, &score, &angle));
        const double sx = x - search.x, sy = y - search.y;
        EXPECT_NEAR(sx, -c.dx, 0.3);
        EXPECT_NEAR(sy, -c.dy, 0.3);
        EXPECT_NEAR(std::remainder(angle - c.angle, 360.0), 0.0, 0.2);
        EXPECT_GT(score, 0.8);
        cv::Mat aligned;
        if (c.range)
            TransformImage(frame, aligned, {sx, sy}, centre, angle);
        else
            MoveImage(frame, aligned, sx, sy);
        EXPECT_LT(meanAbsDiff(aligned(box), tmpl(box)), 3.0);
    }
}

// The acceptance holds when nothing is given, and what is given replaces it.
TEST(FindShape, AcceptsFromItsNamedScore)
{
    const cv::Mat tmpl = texture({200, 160}, 5);
    const cv::Rect box(50, 40, 100, 80);
    cv::Mat frame = tmpl.clone();
    // Most of the model covered by something flat and bright: the rest still
    // correlates, but clearly less than a good part.
    frame(cv::Rect(50, 40, 100, 56)).setTo(230);
    double x, y, s, a;
    FindShape byDefault, strict, lenient;
    ASSERT_TRUE(byDefault.CreateShape(tmpl(box).clone(), 0.0, 0, 0, 100, 80, false, 255, cv::Mat(), 5, 0));
    ASSERT_TRUE(byDefault.Find(tmpl, 0, &x, &y, &s, &a));
    const double good = s;
    EXPECT_GT(good, 0.9);
    const bool found = byDefault.Find(frame, 0, &x, &y, &s, &a);
    EXPECT_EQ(found, s >= kFindShapeAcceptScore) << s;
    EXPECT_LT(s, good - 0.2);
    ASSERT_TRUE(strict.CreateShape(tmpl(box).clone(), 0.95, 0, 0, 100, 80, false, 255, cv::Mat(), 5, 0));
    EXPECT_FALSE(strict.Find(frame, 0, &x, &y, &s, &a));
    ASSERT_TRUE(lenient.CreateShape(tmpl(box).clone(), 0.05, 0, 0, 100, 80, false, 255, cv::Mat(), 5, 0));
    EXPECT_TRUE(lenient.Find(frame, 0, &x, &y, &s, &a));
}

TEST(FindShape, MaskedModelAndFailures)
{
    const cv::Mat tmpl = texture({200, 160}, 3);
    const cv::Rect box(50, 40, 90, 70);
    cv::Mat ring(box.size(), CV_8UC1, cv::Scalar(0));
    cv::ellipse(ring, cv::Point(45, 35), cv::Size(44, 34), 0, 0, 360, cv::Scalar(255), cv::FILLED);
    FindShape model;
    ASSERT_TRUE(model.CreateShape(tmpl(box).clone(), 0, 0, 0, 95, 75, false, 255, ring, 5, 0));
    const cv::Mat frame = moved(tmpl, {-6, 4}, {95, 75}, 0);
    double x, y, s, a;
    ASSERT_TRUE(model.Find(frame, 0, &x, &y, &s, &a));
    EXPECT_NEAR(x, 6, 0.35);
    EXPECT_NEAR(y, -4, 0.35);

    // Unrelated picture: not found.
    EXPECT_FALSE(model.Find(texture({200, 160}, 99), 0, &x, &y, &s, &a));
    // Searched image smaller than the model.
    EXPECT_FALSE(model.Find(frame(cv::Rect(0, 0, 40, 40)).clone(), 0, &x, &y, &s, &a));
    // A flat model cannot be found and is not valid.
    FindShape flat;
    EXPECT_FALSE(flat.CreateShape(cv::Mat(60, 60, CV_8UC1, cv::Scalar(90)), 0, 0, 0, 30, 30, false, 255,
                                  cv::Mat(), 5, 0));
    EXPECT_FALSE(flat.IsValid());
}

TEST(GrayMatch, ToleratesEdgeShiftLightingAndNoiseButFindsDefects)
{
    const cv::Mat tmpl = texture({120, 90}, 11);
    cv::Mat noise(tmpl.size(), CV_8SC1);
    GrayMatch gm;
    gm.Create(tmpl.cols, tmpl.rows, cv::Mat(), 0);
    EXPECT_FALSE(gm.IsValid());
    gm.AddTemp(tmpl);
    gm.Train(25, 0, 100, 150);
    ASSERT_TRUE(gm.IsValid());

    cv::Mat out;
    const cv::Mat shifted = moved(tmpl, {1, -1}, {0, 0}, 0);
    gm.Match(shifted, out);
    // One pixel of misalignment only disturbs the replicated outer border.
    EXPECT_EQ(cv::countNonZero(out(cv::Rect(2, 2, 116, 86))), 0);

    cv::Mat lit;
    tmpl.convertTo(lit, CV_8U, 1.12, 9);
    cv::RNG(5).fill(noise, cv::RNG::NORMAL, 0, 3);
    cv::Mat noisy;
    cv::add(lit, noise, noisy, cv::noArray(), CV_8U);
    gm.Match(noisy, out);
    EXPECT_LT(cv::countNonZero(out), 10) << "gain, offset and noise are not defects";

    cv::Mat bad = tmpl.clone();
    bad(cv::Rect(40, 30, 10, 10)) += cv::Scalar(90);
    bad(cv::Rect(40, 30, 10, 10)).setTo(5, tmpl(cv::Rect(40, 30, 10, 10)) > 150);
    gm.Match(bad, out);
    EXPECT_GT(cv::countNonZero(out(cv::Rect(40, 30, 10, 10))), 60);
    EXPECT_EQ(cv::countNonZero(out) - cv::countNonZero(out(cv::Rect(40, 30, 10, 10))), 0);

    // Outside the mask nothing is reported.
    cv::Mat mask(tmpl.size(), CV_8UC1, cv::Scalar(255));
    mask(cv::Rect(35, 25, 20, 20)).setTo(0);
    GrayMatch masked;
    masked.Create(tmpl.cols, tmpl.rows, mask, 0);
    masked.AddTemp(tmpl);
    masked.Train(25, 0, 100, 150);
    masked.Match(bad, out);
    EXPECT_EQ(cv::countNonZero(out), 0);

    masked.Clear();
    EXPECT_FALSE(masked.IsValid());
}

TEST(GrayMatch, AmplifyAndTemplatesWidenOrNarrowTheBand)
{
    cv::Mat a(20, 20, CV_8UC1, cv::Scalar(100)), b(20, 20, CV_8UC1, cv::Scalar(140));
    cv::Mat probe(20, 20, CV_8UC1, cv::Scalar(100));
    probe(cv::Rect(5, 5, 8, 8)).setTo(125);
    cv::Mat out;
    struct Case {
        bool twoTemplates;
        int tol, amplify;
        bool flagged;
    } cases[] = {{false, 30, 0, false}, {false, 30, 1, true}, {false, 20, 0, true}, {true, 10, 4, false}};
    for (const Case& c : cases) {
        GrayMatch gm;
        gm.Create(20, 20, cv::Mat(), 0);
        gm.AddTemp(a);
        if (c.twoTemplates)
            gm.AddTemp(b);
        gm.Train(c.tol, c.amplify, 100, 150);
        gm.Match(probe, out);
        EXPECT_EQ(cv::countNonZero(out) > 0, c.flagged) << c.tol << " " << c.amplify;
    }
}

TEST(SURF, ScoresSimilarity)
{
    const cv::Mat tmpl = texture({80, 60}, 21);
    SURF s;
    s.Create(80, 60, cv::Mat());
    s.AddTemp(tmpl, 1, 50, 60);
    s.Train(0, 0, 0, 0);
    ASSERT_TRUE(s.IsValid());
    cv::Mat out;
    EXPECT_GT(s.Match(tmpl, out), 99.0f);
    EXPECT_EQ(cv::countNonZero(out), 0);

    cv::Mat lit;
    tmpl.convertTo(lit, CV_8U, 0.8, 25);
    EXPECT_GT(s.Match(lit, out), 97.0f) << "lighting does not lower the score";
    EXPECT_GT(s.Match(moved(tmpl, {1, 1}, {0, 0}, 0), out), 95.0f);
    EXPECT_LT(s.Match(texture({80, 60}, 22), out), 40.0f);

    // A quarter of the region wiped flat.
    cv::Mat damaged = tmpl.clone();
    damaged(cv::Rect(10, 10, 40, 30)).setTo(128);
    EXPECT_LT(s.Match(damaged, out), 90.0f);
    EXPECT_GT(cv::countNonZero(out(cv::Rect(10, 10, 40, 30))), 200);
    EXPECT_LT(cv::countNonZero(out) - cv::countNonZero(out(cv::Rect(8, 8, 44, 34))), 20);

    // No template: scores 0.
    SURF empty;
    empty.Create(80, 60, cv::Mat());
    empty.Train(0, 0, 0, 0);
    EXPECT_EQ(empty.Match(tmpl, out), 0.0f);
}

TEST(SURF, FlatRegionsHaveADefinedScore)
{
    const cv::Mat flat(30, 30, CV_8UC1, cv::Scalar(120));
    SURF s;
    s.Create(30, 30, cv::Mat());
    s.AddTemp(flat, 1, 50, 60);
    s.Train(0, 0, 0, 0);
    cv::Mat out;
    EXPECT_FLOAT_EQ(s.Match(flat, out), 100.0f);
    EXPECT_NEAR(s.Match(cv::Mat(30, 30, CV_8UC1, cv::Scalar(145)), out), 50.0f, 1.0f);
    EXPECT_FLOAT_EQ(s.Match(cv::Mat(30, 30, CV_8UC1, cv::Scalar(200)), out), 0.0f);

    SURF textured;
    textured.Create(30, 30, cv::Mat());
    textured.AddTemp(texture({30, 30}, 4), 1, 50, 60);
    textured.Train(0, 0, 0, 0);
    EXPECT_FLOAT_EQ(textured.Match(flat, out), 0.0f) << "a flat image has none of the structure";
}

TEST(PixelFormats, ConvertRgb32AndBack)
{
    // Qt RGB32 in memory: B, G, R, A.
    const unsigned char rgba[] = {0, 0, 255, 255, 0, 255, 0, 255, 255, 0, 0, 255, 128, 128, 128, 255};
    unsigned char grey[4], hue[4];
    RGBA2Gray(grey, rgba, 4, 1);
    EXPECT_NEAR(grey[0], 76, 1);
    EXPECT_NEAR(grey[1], 150, 1);
    EXPECT_NEAR(grey[2], 29, 1);
    EXPECT_EQ(grey[3], 128);
    RGBA2Hue(hue, rgba, 4, 1);
    EXPECT_EQ(hue[0], 0);
    EXPECT_NEAR(hue[1], 85, 1);
    EXPECT_NEAR(hue[2], 170, 1);
    EXPECT_EQ(hue[3], 0);

    // A frame taller than one band of rows: every row, the last partial band too.
    cv::Mat frame(150, 37, CV_8UC4);
    cv::randu(frame, 0, 256);
    cv::Mat bgr, hsv, want, got(150, 37, CV_8UC1, cv::Scalar(0));
    cv::cvtColor(frame, bgr, cv::COLOR_BGRA2BGR);
    cv::cvtColor(bgr, hsv, cv::COLOR_BGR2HSV_FULL);
    cv::extractChannel(hsv, want, 0);
    RGBA2Hue(got.data, frame.data, 37, 150);
    EXPECT_EQ(cv::countNonZero(got != want), 0);

    const unsigned char rgb[] = {10, 20, 30};
    unsigned char out[4];
    RGB2RGBA(out, rgb, 1, 1);
    EXPECT_EQ(out[0], 30);
    EXPECT_EQ(out[1], 20);
    EXPECT_EQ(out[2], 10);
    EXPECT_EQ(out[3], 255);
    const unsigned char g = 77;
    Gray2RGBA(&g, out, 1, 1);
    EXPECT_EQ(out[0], 77);
    EXPECT_EQ(out[2], 77);
    EXPECT_EQ(out[3], 255);
}

TEST(DisplayArea, CheckInRangeAndTolerances)
{
    gShowW = 1725;
    gShowH = 982;
    int v = -5;
    CheckInRange(&v, 1);
    EXPECT_EQ(v, 0);
    v = 2000;
    CheckInRange(&v, 1);
    EXPECT_EQ(v, 1724);
    v = 2000;
    CheckInRange(&v, 0);
    EXPECT_EQ(v, 981);

    struct Case {
        QRect in;
        bool moved;
        QRect out;
    } cases[] = {
        {QRect(QPoint(-10, 5), QPoint(90, 50)), true, QRect(QPoint(0, 5), QPoint(100, 50))},
        {QRect(QPoint(1700, 960), QPoint(1750, 990)), true, QRect(QPoint(1674, 951), QPoint(1724, 981))},
        {QRect(QPoint(-10, 5), QPoint(90, 50)), false, QRect(QPoint(0, 5), QPoint(90, 50))},
        {QRect(QPoint(-100, -100), QPoint(3000, 2000)), true, QRect(QPoint(0, 0), QPoint(1724, 981))},
    };
    for (const Case& c : cases) {
        QRect r = c.in;
        CheckInRange(&r, c.moved);
        EXPECT_EQ(r, c.out) << c.in.x() << "," << c.in.y() << " moved " << c.moved;
    }

    EXPECT_TRUE(PointAround(QPoint(10, 10), QPoint(30, -10), 20));
    EXPECT_FALSE(PointAround(QPoint(10, 10), QPoint(31, 10), 20));
    EXPECT_TRUE(LineAround(100, 80, 20));
    EXPECT_FALSE(LineAround(100, 79, 20));
    EXPECT_TRUE(LineAround(100, 110, 50, 80, 20, 10));
    EXPECT_FALSE(LineAround(100, 110, 81, 80, 20, 10));
}
