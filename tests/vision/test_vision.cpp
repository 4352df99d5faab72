#include "platform/vision/vision.h"

#include "bench/inspection/texture.h"
#include "params/geometry.h"

#include <cmath>
#include <gtest/gtest.h>
#include <opencv2/imgcodecs.hpp>
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

// Shift only, on steel with hard edges (bars drawn without smoothing) and
// camera noise: every fraction of a pixel is found to a few hundredths, not
// pulled towards whole pixels.
TEST(FindShape, ShiftOnlyHoldsFractionsOnHardEdges)
{
    const cv::Mat tmpl = texture({320, 240}, 11);
    const cv::Rect box(90, 60, 140, 110);
    const cv::Point2d centre(box.x + box.width / 2, box.y + box.height / 2);
    auto noisy = [](const cv::Mat& img, int seed) {
        cv::Mat n(img.size(), CV_16S), out;
        cv::RNG(uint64_t(seed)).fill(n, cv::RNG::NORMAL, 0, 3);
        img.convertTo(out, CV_16S);
        cv::add(out, n, out);
        out.convertTo(out, CV_8U);
        return out;
    };
    FindShape model;
    ASSERT_TRUE(model.CreateShape(noisy(tmpl, 1)(box).clone(), 0.0, 0, 0, int(centre.x), int(centre.y), false, 255,
                                  cv::Mat(), 5, 0));
    const cv::Rect search(box.x - 30, box.y - 30, box.width + 60, box.height + 60);
    double worst = 0;
    int seed = 2;
    for (double fx = 0; fx < 1; fx += 0.125)
        for (double fy = 0; fy < 1; fy += 0.125) {
            const cv::Point2d move(fx - 4, 7 + fy);
            const cv::Mat frame = noisy(moved(tmpl, move, centre, 0), seed++);
            double x, y, score, angle;
            ASSERT_TRUE(model.Find(frame(search).clone(), 0, &x, &y, &score, &angle));
            worst = std::max(worst, std::hypot(x - search.x + move.x, y - search.y + move.y));
        }
    EXPECT_LT(worst, 0.1);
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

// A plain plate, shaded from top to bottom, with a faint grain and fine
// noise, has little that fixes its place: under a lamp's ramp, with a bright
// or dark blob in view, or shot again with new noise, the model is either
// found where the part is or not found, never far away.
TEST(FindShape, PlainPlateIsPlacedRightOrNotFound)
{
    const cv::Size size(640, 512);
    const cv::Rect box(200, 160, 240, 192);
    const cv::Point2d centre(box.x + box.width / 2, box.y + box.height / 2);
    auto plate = [&](int seed, double ramp, int blob) {
        cv::Mat f(size, CV_32F), n(size, CV_32F), out;
        cv::RNG(1).fill(f, cv::RNG::NORMAL, 0, 1);
        cv::GaussianBlur(f, f, cv::Size(), 2);
        cv::normalize(f, f, -4, 4, cv::NORM_MINMAX);
        for (int y = 0; y < size.height; ++y)
            f.row(y) += 110.0 + 60.0 * y / size.height;
        for (int x = 0; x < size.width; ++x)
            f.col(x) *= 1 + ramp * (2.0 * x / (size.width - 1) - 1);
        cv::RNG(uint64_t(seed)).fill(n, cv::RNG::NORMAL, 0, 3);
        f += n;
        if (blob)
            cv::circle(f, cv::Point(330, 250), 20, cv::Scalar(140 + blob), cv::FILLED);
        f.convertTo(out, CV_8U);
        return out;
    };
    struct Case {
        const char* what;
        cv::Point2d move;
        double ramp;
        int blob, range;
    } cases[] = {
        {"new noise", {0, 0}, 0, 0, 0},        {"moved", {9, -6}, 0, 0, 0},
        {"ramp +15 %", {4, 3}, 0.15, 0, 0},    {"ramp -15 %", {-5, 2}, -0.15, 0, 10},
        {"bright blob", {0, 0}, 0, 60, 0},     {"dark blob", {3, -3}, 0.1, -60, 10},
    };
    const cv::Mat tmpl = plate(1, 0, 0);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        FindShape model;
        ASSERT_TRUE(model.CreateShape(tmpl(box).clone(), 0.0, 0, c.range, int(centre.x), int(centre.y), false, 255,
                                      cv::Mat(), 5, 0));
        const cv::Mat frame = moved(plate(7, c.ramp, c.blob), c.move, centre, 0);
        double x, y, score, angle;
        if (model.Find(frame, 0, &x, &y, &score, &angle)) {
            EXPECT_LT(std::hypot(x + c.move.x, y + c.move.y), 2.0) << "found far from the part, score " << score;
            EXPECT_LT(std::abs(angle), 1.0);
        }
    }
}

// A part that shows twice in the searched image (a repeated insert, the
// same pattern a cavity further) cannot be placed: not found. The same part
// shown once is found.
TEST(FindShape, TwoEqualPlacesAreNotFound)
{
    const cv::Mat part = texture({140, 110}, 21);
    for (int range : {0, 10}) {
        SCOPED_TRACE(range);
        FindShape model;
        ASSERT_TRUE(model.CreateShape(part, 0.0, 0, range, 70, 55, false, 255, cv::Mat(), 5, 0));
        cv::Mat frame = texture({420, 200}, 22);
        part.copyTo(frame(cv::Rect(20, 40, 140, 110)));
        double x, y, s, a;
        ASSERT_TRUE(model.Find(frame, 0, &x, &y, &s, &a));
        EXPECT_NEAR(x, -20, 0.3);
        part.copyTo(frame(cv::Rect(250, 50, 140, 110)));
        EXPECT_FALSE(model.Find(frame, 0, &x, &y, &s, &a));
    }
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

namespace {

// Pixels left after opening with a 3 x 3 ellipse: what a judgement with the
// smallest filter still counts.
int openedCount(const cv::Mat& marks)
{
    cv::Mat opened;
    cv::morphologyEx(marks, opened, cv::MORPH_OPEN, cv::getStructuringElement(cv::MORPH_ELLIPSE, cv::Size(3, 3)));
    return cv::countNonZero(opened);
}

// The picture under another light: a lamp's slope along x (gain 1 - ramp at
// the left edge to 1 + ramp at the right), an offset, noise.
cv::Mat relit(const cv::Mat& img, double gain, double ramp, double offset, double sigma, int seed)
{
    cv::Mat f(img.size(), CV_32F);
    for (int y = 0; y < img.rows; ++y)
        for (int x = 0; x < img.cols; ++x)
            f.at<float>(y, x) =
                float(img.at<uchar>(y, x) * gain * (1 + ramp * (2.0 * x / (img.cols - 1) - 1)) + offset);
    cv::Mat n(img.size(), CV_32F);
    cv::RNG(uint64_t(seed)).fill(n, cv::RNG::NORMAL, 0, sigma);
    f += n;
    cv::Mat out;
    f.convertTo(out, CV_8U);
    return out;
}

cv::Mat noisy(const cv::Mat& img, double sigma, int seed) { return relit(img, 1, 0, 0, sigma, seed); }

// +delta inside a disc of `area` pixels at c.
cv::Mat withDisc(const cv::Mat& img, cv::Point2d c, double area, int delta)
{
    cv::Mat out = img.clone();
    const double r = std::sqrt(area / CV_PI);
    for (int y = 0; y < out.rows; ++y)
        for (int x = 0; x < out.cols; ++x)
            if ((x - c.x) * (x - c.x) + (y - c.y) * (y - c.y) <= r * r)
                out.at<uchar>(y, x) = cv::saturate_cast<uchar>(out.at<uchar>(y, x) + delta);
    return out;
}

GrayMatch trained(const std::vector<cv::Mat>& templates, int tolerance = 25, int amplify = 0)
{
    GrayMatch gm;
    gm.Create(templates[0].cols, templates[0].rows, cv::Mat(), 0);
    for (const cv::Mat& t : templates)
        gm.AddTemp(t);
    gm.Train(tolerance, amplify, 100, 150);
    return gm;
}

} // namespace

// Light that changes across the region and over the whole picture is taken
// back; a change of the part is not, and its marks cover the change itself.
TEST(GrayMatch, TakesBackLightButNotDefects)
{
    const cv::Mat tmpl = texture({160, 120}, 11);
    GrayMatch gm = trained({noisy(tmpl, 3, 1), noisy(tmpl, 3, 2)});
    EXPECT_FALSE(GrayMatch().IsValid());
    ASSERT_TRUE(gm.IsValid());
    cv::Mat out;
    struct Light {
        double gain, ramp, offset;
    } lights[] = {{1, 0, 0}, {1.05, 0.2, 45}, {0.95, -0.2, -45}, {1.1, 0.15, -50}, {0.9, -0.1, 50}};
    for (const Light& l : lights) {
        SCOPED_TRACE(testing::Message() << "gain " << l.gain << " ramp " << l.ramp << " offset " << l.offset);
        gm.Match(relit(tmpl, l.gain, l.ramp, l.offset, 4, 7), out);
        EXPECT_EQ(openedCount(out), 0) << "light and noise are not defects";
        // 30 levels brighter as the camera shows it, over 150 pixels.
        const cv::Point2d at(60, 50);
        const double gainThere = l.gain * (1 + l.ramp * (2.0 * at.x / 159 - 1));
        gm.Match(relit(withDisc(tmpl, at, 150, int(std::lround(30 / gainThere))), l.gain, l.ramp, l.offset, 4, 8),
                 out);
        const int inside = cv::countNonZero(out(cv::Rect(50, 40, 21, 21)));
        EXPECT_GE(inside, 140) << "the whole defect is marked";
        EXPECT_LE(cv::countNonZero(out) - inside, 10);
    }
}

// Training keeps only what matching reads: a template or training after it
// changes nothing, and Create starts a new set.
TEST(GrayMatch, ATrainedModelKeepsItsBandUntilCreatedAgain)
{
    const cv::Mat tmpl = texture({160, 120}, 11);
    const cv::Mat marked = withDisc(tmpl, {60, 50}, 150, 30);
    GrayMatch gm = trained({noisy(tmpl, 3, 1), noisy(tmpl, 3, 2)});
    cv::Mat before, after;
    gm.Match(marked, before);
    ASSERT_GE(cv::countNonZero(before), 140);
    gm.AddTemp(marked);
    gm.Train(25, 0, 100, 150);
    gm.Match(marked, after);
    EXPECT_EQ(cv::countNonZero(before != after), 0);

    gm.Create(tmpl.cols, tmpl.rows, cv::Mat(), 0);
    gm.AddTemp(marked);
    gm.Train(25, 0, 100, 150);
    gm.Match(marked, after);
    EXPECT_EQ(cv::countNonZero(after), 0) << "the new set learnt the mark";
}

// A highlight grows, shrinks and dims between shots without being a defect;
// a new shiny blob is one.
TEST(GrayMatch, HighlightsMayChangeANewShinyBlobMayNot)
{
    const cv::Mat steel = texture({140, 110}, 12);
    auto withHighlight = [&](double radius, double peak) {
        cv::Mat f;
        steel.convertTo(f, CV_32F);
        for (int y = 0; y < f.rows; ++y)
            for (int x = 0; x < f.cols; ++x) {
                const double p = 1.0 / (1.0 + std::exp((std::hypot(x - 70, y - 55) - radius) / 1.2));
                f.at<float>(y, x) += float((peak - f.at<float>(y, x)) * p);
            }
        cv::Mat out;
        f.convertTo(out, CV_8U);
        return out;
    };
    GrayMatch gm = trained({noisy(withHighlight(8, 245), 3, 1), noisy(withHighlight(8, 245), 3, 2)});
    cv::Mat out;
    for (const double r : {5.0, 8.0, 11.0})
        for (const double peak : {215.0, 255.0}) {
            SCOPED_TRACE(testing::Message() << "radius " << r << " peak " << peak);
            gm.Match(noisy(withHighlight(r, peak), 3, 3), out);
            EXPECT_EQ(openedCount(out), 0);
        }
    cv::Mat blob = withHighlight(8, 245);
    cv::circle(blob, cv::Point(30, 30), 8, cv::Scalar(252), cv::FILLED, cv::LINE_AA);
    gm.Match(noisy(blob, 3, 4), out);
    EXPECT_GT(cv::countNonZero(out(cv::Rect(20, 20, 21, 21))), 150);
}

// Glare only brightens: a highlight dimmed as a whole passes, a part lying
// on it, darker by more than the tolerance, is found, also where more light
// clips the highlight at white (a clipped pixel tells no dimming).
TEST(GrayMatch, APartDarkeningAHighlightIsFound)
{
    cv::Mat steel = texture({160, 120}, 14);
    cv::circle(steel, cv::Point(80, 60), 30, cv::Scalar(238), cv::FILLED, cv::LINE_AA);
    GrayMatch gm = trained({noisy(steel, 3, 1), noisy(steel, 3, 2)});
    cv::Mat out, dimmed = steel.clone();
    cv::circle(dimmed, cv::Point(80, 60), 30, cv::Scalar(205), cv::FILLED, cv::LINE_AA);
    gm.Match(noisy(dimmed, 3, 3), out);
    EXPECT_EQ(openedCount(out), 0);
    gm.Match(relit(steel, 1.15, 0, 0, 3, 5), out);
    EXPECT_EQ(openedCount(out), 0);
    for (const double gain : {1.0, 1.15})
        for (const int delta : {-40, -60}) {
            SCOPED_TRACE(testing::Message() << "gain " << gain << ", " << delta);
            gm.Match(relit(withDisc(steel, {75, 55}, CV_PI * 10 * 10, delta), gain, 0, 0, 3, 4), out);
            EXPECT_GT(cv::countNonZero(out(cv::Rect(65, 45, 21, 21))), 200);
        }
}

// A dark part covering most of a highlight darkens its median as a dimmed
// highlight would; the band then drops with it, but never below the steel
// around the highlight, so the part is still found.
TEST(GrayMatch, ADimmedHighlightsBandStaysAboveTheSteelAroundIt)
{
    cv::Mat steel(120, 160, CV_8UC1, cv::Scalar(120));
    cv::circle(steel, cv::Point(80, 60), 30, cv::Scalar(245), cv::FILLED, cv::LINE_AA);
    GrayMatch gm = trained({noisy(steel, 3, 1), noisy(steel, 3, 2)});
    cv::Mat out;
    cv::Mat dimmed = steel.clone();
    cv::circle(dimmed, cv::Point(80, 60), 30, cv::Scalar(150), cv::FILLED, cv::LINE_AA);
    gm.Match(noisy(dimmed, 3, 3), out);
    EXPECT_EQ(openedCount(out), 0) << "glare dimmed to above the steel is no defect";
    for (const int part : {60, 80}) {
        SCOPED_TRACE(part);
        cv::Mat covered = steel.clone();
        cv::circle(covered, cv::Point(80, 60), 25, cv::Scalar(part), cv::FILLED, cv::LINE_AA);
        gm.Match(noisy(covered, 3, 4), out);
        EXPECT_GT(cv::countNonZero(out(cv::Rect(65, 45, 31, 31))), 800) << "the part under the steel's level";
    }
}

// Where the camera clipped, a pixel only tells one way: holes gone black
// under dim light are no defect, a black part on bright steel is one.
TEST(GrayMatch, ClippedPixelsTellOnlyTheirWay)
{
    cv::Mat plate(100, 120, CV_8UC1, cv::Scalar(140));
    for (int y = 12; y < 100; y += 22)
        for (int x = 12; x < 120; x += 22)
            cv::circle(plate, cv::Point(x, y), 5, cv::Scalar(35), cv::FILLED, cv::LINE_AA);
    GrayMatch gm = trained({noisy(plate, 3, 1), noisy(plate, 3, 2)});
    cv::Mat out;
    const cv::Mat dim = relit(plate, 1.15, 0, -55, 3, 5); // holes below black
    ASSERT_GT(cv::countNonZero(dim == 0), 200);
    gm.Match(dim, out);
    EXPECT_EQ(openedCount(out), 0);
    cv::Mat part = plate.clone();
    cv::rectangle(part, cv::Rect(40, 60, 30, 14), cv::Scalar(0), cv::FILLED);
    gm.Match(relit(part, 1.15, 0, -55, 3, 6), out);
    EXPECT_GT(cv::countNonZero(out(cv::Rect(40, 60, 30, 14))), 300);

    // A black part on steel already dark, past the tolerance but short of
    // it plus any margin, is a defect all the same.
    cv::Mat dark(100, 120, CV_8UC1, cv::Scalar(33));
    GrayMatch gd = trained({noisy(dark, 2, 1), noisy(dark, 2, 2)});
    cv::circle(dark, cv::Point(60, 50), 12, cv::Scalar(0), cv::FILLED);
    gd.Match(noisy(dark, 2, 3), out);
    EXPECT_GT(cv::countNonZero(out(cv::Rect(50, 40, 21, 21))), 300);
}

// A bright sky with a small dark object in it, under 15 % more light: the
// sky clips at white, the object keeps its place below it. A part darker
// than the tolerance on the clipped sky is still found.
TEST(GrayMatch, MoreLightOnABrightPictureIsNoDefect)
{
    cv::Mat sky(120, 160, CV_32F), grain(sky.size(), CV_32F);
    cv::RNG(21).fill(grain, cv::RNG::NORMAL, 0, 8);
    cv::GaussianBlur(grain, grain, cv::Size(0, 0), 1.2);
    for (int y = 0; y < sky.rows; ++y)
        for (int x = 0; x < sky.cols; ++x)
            sky.at<float>(y, x) = float(232 - 32.0 * y / (sky.rows - 1) - 4.0 * x / (sky.cols - 1)) +
                                  grain.at<float>(y, x);
    cv::Mat tmpl;
    sky.convertTo(tmpl, CV_8U);
    cv::circle(tmpl, cv::Point(106, 80), 6, cv::Scalar(40), cv::FILLED, cv::LINE_AA);
    GrayMatch gm = trained({noisy(tmpl, 2, 1), noisy(tmpl, 2, 2)});
    const cv::Mat bright = relit(tmpl, 1.15, 0, 0, 2, 3);
    ASSERT_GT(cv::countNonZero(bright >= 253), 1500) << "the top of the sky clips";
    cv::Mat out;
    gm.Match(bright, out);
    EXPECT_EQ(openedCount(out), 0);

    const cv::Rect around(31, 6, 19, 19);
    cv::Mat part = tmpl.clone();
    cv::circle(part, cv::Point(40, 15), 9, cv::Scalar(190), cv::FILLED); // 40 below the sky
    gm.Match(relit(part, 1.15, 0, 0, 2, 4), out);
    EXPECT_GT(cv::countNonZero(out(around)), 200);
    EXPECT_EQ(openedCount(out), openedCount(out(around)));
}

// The tolerance is divided by 1 + amplify; every template taken widens what
// passes by its own spread.
TEST(GrayMatch, AmplifyAndTemplatesWidenOrNarrowTheBand)
{
    const cv::Rect patch(12, 12, 16, 16);
    auto plate = [&](int grey) {
        cv::Mat m(40, 40, CV_8UC1, cv::Scalar(100));
        m(patch).setTo(grey);
        return m;
    };
    const cv::Mat probe = plate(122);
    cv::Mat out;
    struct Case {
        std::vector<int> templates; // the patch's grey level in each
        int tol, amplify;
        bool flagged;
    } cases[] = {
        {{100}, 40, 0, false},     {{100}, 40, 1, true},           {{100}, 20, 0, true},
        {{100, 110}, 20, 0, false}, {{100, 118}, 10, 4, true},     {{100, 110, 125}, 10, 4, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.templates.size() << " templates, tolerance " << c.tol << ", amplify "
                                        << c.amplify);
        std::vector<cv::Mat> ts;
        for (int g : c.templates)
            ts.push_back(plate(g));
        GrayMatch gm = trained(ts, c.tol, c.amplify);
        gm.Match(probe, out);
        EXPECT_EQ(cv::countNonZero(out(patch)) > 100, c.flagged);
    }
}

// Pixels outside the camera's view are neither judged nor used for the
// light, in that frame only: the model stays whole for the next.
TEST(GrayMatch, PixelsOutOfViewAreLeftOutOfThatFrameOnly)
{
    const cv::Mat tmpl = texture({120, 90}, 13);
    GrayMatch gm = trained({noisy(tmpl, 3, 1), noisy(tmpl, 3, 2)});
    cv::Mat inView(90, 120, CV_8UC1, cv::Scalar(255));
    inView(cv::Rect(0, 0, 50, 90)).setTo(0);
    // The left part invented: the frame's edge column replicated into it.
    cv::Mat invented = tmpl.clone();
    for (int x = 0; x < 50; ++x)
        tmpl.col(50).copyTo(invented.col(x));
    cv::Mat out;
    gm.Match(noisy(invented, 3, 3), out, inView);
    EXPECT_EQ(cv::countNonZero(out), 0);
    gm.Match(noisy(invented, 3, 4), out);
    EXPECT_GT(openedCount(out(cv::Rect(0, 0, 50, 90))), 500) << "the next frame is judged whole";

    SURF s;
    s.Create(120, 90, cv::Mat());
    s.AddTemp(tmpl, 1, 50, 85);
    s.Train(0, 0, 0, 0);
    EXPECT_GT(s.Match(noisy(invented, 3, 5), out, inView), 95.0f);
    EXPECT_LT(s.Match(noisy(invented, 3, 6), out), 60.0f) << "the next frame is compared whole";
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

    EXPECT_GT(s.Match(relit(tmpl, 0.8, 0.15, 25, 0, 1), out), 97.0f) << "light does not lower the score";
    EXPECT_GT(s.Match(moved(tmpl, {1, 1}, {0, 0}, 0), out), 95.0f);
    EXPECT_LT(s.Match(texture({80, 60}, 22), out), 40.0f);

    // A quarter of the region wiped flat.
    cv::Mat damaged = tmpl.clone();
    damaged(cv::Rect(10, 10, 40, 30)).setTo(128);
    EXPECT_LT(s.Match(damaged, out), 85.0f);
    EXPECT_GT(cv::countNonZero(out(cv::Rect(10, 10, 40, 30))), 200);
    EXPECT_LT(cv::countNonZero(out) - cv::countNonZero(out(cv::Rect(8, 8, 44, 34))), 20);

    // No template: scores 0.
    SURF empty;
    empty.Create(80, 60, cv::Mat());
    empty.Train(0, 0, 0, 0);
    EXPECT_EQ(empty.Match(tmpl, out), 0.0f);
}

// Plain steel scores as textured steel does, whatever its noise up to sigma
// 10, and its score falls smoothly, not in a jump, as noise grows or
// something appears on it.
TEST(SURF, PlainRegionsScoreSmoothlyAndLikeTexturedOnes)
{
    const cv::Size size(120, 100);
    cv::Mat flat(size, CV_8UC1, cv::Scalar(120)), shaded(size, CV_8UC1);
    for (int y = 0; y < size.height; ++y)
        for (int x = 0; x < size.width; ++x)
            shaded.at<uchar>(y, x) = cv::saturate_cast<uchar>(100 + 25.0 * (x + y) / (size.width + size.height));
    const cv::Mat textured = texture(size, 31);
    auto model = [&](const cv::Mat& t) {
        SURF s;
        s.Create(size.width, size.height, cv::Mat());
        s.AddTemp(noisy(t, 3, 1), 1, 50, 85);
        s.Train(0, 0, 0, 0);
        return s;
    };
    SURF plain = model(flat), slope = model(shaded), tex = model(textured);
    cv::Mat out;
    float last[2] = {100, 100};
    for (int sigma = 0; sigma <= 10; ++sigma) {
        SCOPED_TRACE(testing::Message() << "noise sigma " << sigma);
        const float p = plain.Match(noisy(flat, sigma, 10 + sigma), out);
        const float g = slope.Match(relit(shaded, 1.05, 0.15, -30, sigma, 20 + sigma), out);
        const float t = tex.Match(noisy(textured, sigma, 30 + sigma), out);
        EXPECT_GT(t, 95.0f);
        EXPECT_NEAR(p, t, 5.0f);
        EXPECT_NEAR(g, t, 5.0f);
        EXPECT_LT(std::abs(p - last[0]), 3.0f) << "no jump";
        EXPECT_LT(std::abs(g - last[1]), 3.0f) << "no jump";
        last[0] = p;
        last[1] = g;
    }
    // Something on the plate: the score goes down with its size.
    float previous = 100;
    for (const int side : {4, 12, 24, 48}) {
        cv::Mat part = flat.clone();
        cv::rectangle(part, cv::Rect(20, 20, side, side), cv::Scalar(170), cv::FILLED);
        const float score = plain.Match(noisy(part, 4, 40 + side), out);
        EXPECT_LT(score, previous) << side;
        previous = score;
    }
    EXPECT_LT(previous, 40.0f);
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

namespace {

// A photograph scaled to cover the frame, as the benchmark's scenes are.
cv::Mat photo(const char* file, cv::Size size)
{
    const cv::Mat p = cv::imread(std::string(INMOLD_PHOTO_DIR) + "/" + file, cv::IMREAD_GRAYSCALE);
    if (p.empty())
        return p;
    const double s = std::max(double(size.width) / p.cols, double(size.height) / p.rows);
    cv::Mat big;
    cv::resize(p, big, cv::Size(int(std::ceil(p.cols * s)), int(std::ceil(p.rows * s))), 0, 0, cv::INTER_CUBIC);
    return big(cv::Rect((big.cols - size.width) / 2, 0, size.width, size.height)).clone();
}

cv::Mat noisy(const cv::Mat& img, double sigma, uint64_t seed)
{
    cv::Mat f, n(img.size(), CV_32F), out;
    img.convertTo(f, CV_32F);
    cv::RNG(seed).fill(n, cv::RNG::NORMAL, 0, sigma);
    f += n;
    f.convertTo(out, CV_8U);
    return out;
}

} // namespace

// A brick wall repeats itself a course further, and a turned search sees it
// only roughly at its coarse scan: a turned wall is placed where it lies,
// and with a part stuck over the model's place it is placed right or not
// found, never a course away.
TEST(FindShape, TurnedRepeatedPatternIsPlacedRightOrNotFound)
{
    const cv::Size size(1280, 1024);
    const cv::Mat wall = photo("brick.png", size), other = photo("gravel.png", size);
    ASSERT_FALSE(wall.empty()) << INMOLD_PHOTO_DIR;
    ASSERT_FALSE(other.empty());
    const cv::Rect box(440, 320, 400, 384);
    const cv::Point2d centre(box.x + box.width / 2, box.y + box.height / 2);
    FindShape model;
    ASSERT_TRUE(model.CreateShape(noisy(wall, 2, 1)(box).clone(), 0.0, 0, 10, int(centre.x), int(centre.y), false,
                                  255, cv::Mat(), 5, 0));
    cv::RNG rng(5);
    int found = 0, stuckCases = 0;
    for (int k = 0; k < 16; ++k) {
        const cv::Point2d move(rng.uniform(-15.0, 15.0), rng.uniform(-15.0, 15.0));
        const double angle = rng.uniform(-10.0, 10.0);
        const bool stuck = k % 4 == 3;
        cv::Mat frame = MovedPicture(wall, move, centre, angle);
        if (stuck) {
            cv::Mat disc(size, CV_8UC1, cv::Scalar(0));
            cv::circle(disc, centre + move, 144, cv::Scalar(255), cv::FILLED);
            MovedPicture(other, {rng.uniform(-300.0, 300.0), rng.uniform(-200.0, 200.0)}, centre, 0)
                .copyTo(frame, disc);
            ++stuckCases;
        }
        frame = noisy(frame, 2, uint64_t(100 + k));
        SCOPED_TRACE(testing::Message() << "move " << move << ", turned " << angle << (stuck ? ", stuck part" : ""));
        double x, y, score, a;
        const bool ok = model.Find(frame, 0, &x, &y, &score, &a);
        if (!ok) {
            EXPECT_TRUE(stuck) << "a clear wall not found, score " << score;
            continue;
        }
        ++found;
        // The shift that brings the frame back, about the model's centre.
        EXPECT_LT(std::hypot(x + move.x, y + move.y), 1.0) << "score " << score;
        EXPECT_LT(std::abs(a - angle), 0.2);
    }
    EXPECT_GE(found, 16 - stuckCases);
}

// A brick wall at a large size blurs into sameness at the coarse scan of a
// shift-only search, so that its place is not among the scan's candidates:
// it is still found, right.
TEST(FindShape, FineTextureOnALargeFrameIsFoundShiftOnly)
{
    const cv::Size size(2448, 2048);
    const cv::Mat wall = photo("brick.png", size);
    ASSERT_FALSE(wall.empty()) << INMOLD_PHOTO_DIR;
    const cv::Rect box(841, 640, 765, 768);
    const cv::Point2d centre(box.x + box.width / 2, box.y + box.height / 2);
    FindShape model;
    ASSERT_TRUE(model.CreateShape(noisy(wall, 2, 7920)(box).clone(), 0.0, 0, 0, int(centre.x), int(centre.y), false,
                                  255, cv::Mat(), 5, 0));
    for (int k = 0; k < 20; k += 2) {
        cv::RNG rng(uint64_t(1000014 + 7 * k));
        const cv::Point2d move(rng.uniform(-15.0, 15.0), rng.uniform(-15.0, 15.0));
        cv::Mat shot, n(size, CV_32F), frame;
        MovedPicture(wall, move, centre, 0).convertTo(shot, CV_32F);
        rng.fill(n, cv::RNG::NORMAL, 0, 2.0);
        shot += n;
        shot.convertTo(frame, CV_8U);
        SCOPED_TRACE(testing::Message() << k << " move " << move);
        double x, y, score, a;
        ASSERT_TRUE(model.Find(frame, 0, &x, &y, &score, &a)) << "score " << score;
        EXPECT_LT(std::hypot(x + move.x, y + move.y), 0.5);
    }
}
