#include "inspectionfixture.h"

#include "params/lanstr.h"

#include <gtest/gtest.h>

namespace {

class Alignment : public InspectionFolder {
protected:
    void SetUp() override
    {
        InspectionFolder::SetUp();
        smallImage();
        params_.enable_correct = 0;
        params_.location_adge = 40;
        tmpl = texture({575, 491}, 5);
    }
    // The template with its content turned about `centre` and moved.
    cv::Mat frameOf(cv::Point2d move, cv::Point2d centre, double angle) const
    {
        return MovedPicture(tmpl, move, centre, angle);
    }
    static double meanDiff(const cv::Mat& a, const cv::Mat& b)
    {
        cv::Mat d;
        cv::absdiff(a, b, d);
        return cv::mean(d)[0];
    }
    cv::Mat tmpl;
};

} // namespace

TEST_F(Alignment, RecoversATableOfShiftsAndRotations)
{
    const cv::Rect pos(180, 150, 200, 160);
    const cv::Rect inner(120, 100, 330, 280);
    struct Case {
        double dx, dy, angle;
        int rotateAngle;
    } cases[] = {{0, 0, 0, 0},  {15, -15, 0, 0},  {-9, 4, 0, 0},    {3, 12, 0, 0},
                 {6, -3, 5, 10}, {-12, 8, -9, 10}, {0, 0, 2.5, 10}, {14, 14, -4, 10}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.dx << "," << c.dy << " turned " << c.angle);
        params_.rotate_angle = c.rotateAngle;
        auto view = makeView();
        tmpl.copyTo(view->templateImages[0][0]);
        addRect(*view, 0, pos, MethodPosition, 5, 0, 0);
        view->recong->CreateShape(0);
        ASSERT_TRUE(view->recong->positionModels[0].IsValid());
        EXPECT_EQ(view->recong->modelCentreX[0], 280);
        EXPECT_EQ(view->recong->modelCentreY[0], 230);
        EXPECT_EQ(view->recong->searchRect[0], cv::Rect(140, 110, 280, 240));

        frameOf({c.dx, c.dy}, {280, 230}, c.angle).copyTo(view->curImage);
        view->recong->ShapeMatch(0);
        EXPECT_LT(meanDiff(view->alignImage(inner), tmpl(inner)), c.rotateAngle ? 4.0 : 1.0);
    }
}

// A turned search may find the part past the search box; a place further
// than the offset, in either axis alone, is not taken: the frame is not
// aligned. The search itself finds every one of these places.
TEST_F(Alignment, NoPlaceBeyondTheOffset)
{
    params_.rotate_angle = 10;
    params_.location_adge = 20;
    auto view = makeView();
    tmpl.copyTo(view->templateImages[0][0]);
    addRect(*view, 0, {180, 150, 200, 160}, MethodPosition, 5, 0, 0);
    CammerRecong& e = *view->recong;
    e.CreateShape(0);
    const cv::Mat frame(gImageH, gImageW, CV_8UC1, view->curImage.data);
    const cv::Point2d moves[] = {{12, -15}, {20, 2}, {-2, -20}, {23, 2}, {-23, 2}, {2, 23}, {-2, -23}};
    for (const cv::Point2d move : moves) {
        SCOPED_TRACE(testing::Message() << move);
        frameOf(move, {280, 230}, 3).copyTo(view->curImage);
        double x = 0, y = 0, score = 0, angle = 0;
        ASSERT_TRUE(e.positionModels[0].Find(frame(e.searchRect[0]), 0, &x, &y, &score, &angle)) << "found by the search";
        EXPECT_NEAR(std::abs(x - e.searchRect[0].x), std::abs(move.x), 0.1);
        EXPECT_NEAR(std::abs(y - e.searchRect[0].y), std::abs(move.y), 0.1);
        e.ShapeMatch(0);
        const bool within = std::abs(move.x) <= 20 && std::abs(move.y) <= 20;
        EXPECT_EQ(e.alignState[0], within ? AlignState::Aligned : AlignState::NotFound);
    }
    // Moves the search does not find at all are not aligned either.
    for (const cv::Point2d move : {cv::Point2d(34, 0), cv::Point2d(-6, -33)}) {
        SCOPED_TRACE(testing::Message() << move);
        frameOf(move, {280, 230}, 3).copyTo(view->curImage);
        e.ShapeMatch(0);
        EXPECT_EQ(e.alignState[0], AlignState::NotFound);
    }
}

TEST_F(Alignment, PlainCopyWhenPositioningIsOffColourOrNotFound)
{
    auto view = makeView();
    tmpl.copyTo(view->templateImages[0][0]);
    view->recong->CreateShape(0);
    const cv::Mat frame = frameOf({5, 5}, {0, 0}, 0);

    params_.enable_correct = -1;
    frame.copyTo(view->curImage);
    view->recong->ShapeMatch(0);
    EXPECT_EQ(cv::countNonZero(view->alignImage != frame), 0);

    params_.enable_correct = 0;
    texture({575, 491}, 77).copyTo(view->curImage); // another scene: not found
    view->recong->ShapeMatch(0);
    EXPECT_EQ(cv::countNonZero(view->alignImage != view->curImage), 0);

    // Steps outside the range only copy.
    frame.copyTo(view->curImage);
    view->recong->ShapeMatch(9);
    EXPECT_EQ(cv::countNonZero(view->alignImage != frame), 0);

    // A colour camera is never positioned: the frame is copied whole.
    smallImage(true);
    auto colour = makeView(1);
    colour->recong->CreateShape(0);
    EXPECT_FALSE(colour->recong->positionModels[0].IsValid());
    cv::randu(colour->curImage, 0, 255);
    colour->recong->ShapeMatch(0);
    ASSERT_EQ(colour->alignImage.type(), CV_8UC4);
    EXPECT_EQ(cv::norm(colour->alignImage, colour->curImage, cv::NORM_INF), 0);
}

TEST_F(Alignment, PositionRegionChoiceAndSearchBox)
{
    auto view = makeView();
    tmpl.copyTo(view->templateImages[1][0]);
    CammerRecong& e = *view->recong;

    // No position region: the default box from a quarter to the far edges.
    e.CreateShape(1);
    EXPECT_EQ(e.modelCentreX[1], 143 + 431 / 2);
    EXPECT_EQ(e.modelCentreY[1], 122 + 368 / 2);

    // Two position regions: the first counts; its box at the border with a
    // margin of 20 is cut at the image edges, not shifted.
    params_.location_adge = 20;
    addRect(*view, 1, {10, 0, 60, 40}, MethodDefect, 1, 1, 1);
    addRect(*view, 1, {0, 5, 80, 60}, MethodPosition, 9, 0, 0);
    addRect(*view, 1, {300, 300, 100, 100}, MethodPosition, 1, 0, 0);
    e.CreateShape(1);
    EXPECT_EQ(e.modelCentreX[1], 40);
    EXPECT_EQ(e.modelCentreY[1], 35);
    EXPECT_EQ(e.searchRect[1], cv::Rect(0, 0, 100, 85));

    // Off: nothing is built at all.
    params_.enable_correct = -1;
    view->liveRegions->roiCount[1] = 0;
    e.CreateShape(1);
    EXPECT_EQ(e.modelCentreX[1], 40);
}

TEST_F(Alignment, ValidMaskFromIgnorePointsAndIgnoreRegions)
{
    auto view = makeView();
    // Nothing ignored: trained without a frame-sized mask, every pixel judged.
    view->recong->VarTrain(0);
    EXPECT_TRUE(view->recong->validTrained[0]);
    EXPECT_TRUE(view->recong->validMask[0].empty());
    EXPECT_EQ(cv::countNonZero(view->recong->ValidIn(0, cv::Rect(5, 5, 10, 10))), 100);
    view->CammerData::IgnoreMask(0).setTo(0);
    view->CammerData::IgnoreMask(0)(cv::Rect(10, 10, 20, 20)).setTo(1); // any non-zero value is an ignore point
    view->CammerData::IgnoreMask(0)(cv::Rect(100, 100, 30, 30)).setTo(255);
    // A ring-shaped ignore region over the second patch: inside its box the
    // ring replaces the ignore points.
    CammerSingleton& s = *view->liveRegions;
    const int r = s.roiCount[0]++;
    s.shapeType[0][r] = ShapeRing;
    s.algorithm[0][r] = MethodIgnore;
    s.circles[0][r].centreX = 115 * 3;
    s.circles[0][r].centreY = 115 * 2;
    s.circles[0][r].radius = 40;
    s.circles[0][r].innerRadius = 20;
    s.circles[0][r].UpdateRect();
    view->liveMasks[0][r] = s.UpdateMask(0, r);
    view->recong->VarTrain(0);

    const cv::Mat& v = view->recong->validMask[0];
    const QRect box = s.ImageRect(0, r);
    EXPECT_EQ(v.at<uchar>(15, 15), 0);
    EXPECT_EQ(v.at<uchar>(50, 50), 255);
    EXPECT_EQ(v.at<uchar>(115, 115), 255) << "the ring's hole is judged again";
    EXPECT_EQ(v.at<uchar>(115, box.left() + 2), 0) << "on the ring";
    EXPECT_EQ(cv::countNonZero(v(cv::Rect(box.x(), box.y(), box.width(), box.height())) == 0),
              cv::countNonZero(view->liveMasks[0][r]));
}

// Training takes the used template slots up to the step's template count.
TEST_F(Alignment, TrainingUsesTheCountedTemplatesOnly)
{
    auto view = makeView();
    for (int slot : {0, 2, 5, 7}) {
        cv::Mat t = tmpl.clone();
        if (slot == 7)
            t(cv::Rect(200, 200, 40, 40)).setTo(0);
        t.copyTo(view->TemplateImage(0, slot));
        view->templateUsed[0][slot] = 1;
    }
    view->templateCount[0] = 3;
    const int r = addRect(*view, 0, {150, 150, 150, 150}, MethodDefect, 3, 25, 100);
    view->recong->VarTrain(0);
    GrayMatch& m = view->recong->defectModels[0][r];
    ASSERT_TRUE(m.IsValid());
    cv::Mat out;
    m.Match(view->templateImages[0][7](cv::Rect(150, 150, 150, 150)), out);
    EXPECT_GT(cv::countNonZero(out), 1000) << "slot 7 was not learnt";
    m.Match(tmpl(cv::Rect(150, 150, 150, 150)), out);
    EXPECT_EQ(cv::countNonZero(out), 0);
}

namespace {

QStringList* gLogged = nullptr;
void keepMessage(QtMsgType, const QMessageLogContext&, const QString& text)
{
    if (gLogged)
        *gLogged << text;
}

// Collects the log lines written while it lives.
struct LogLines {
    LogLines() : previous(qInstallMessageHandler(keepMessage)) { gLogged = &lines; }
    ~LogLines()
    {
        gLogged = nullptr;
        qInstallMessageHandler(previous);
    }
    bool contain(const QString& text) const
    {
        for (const QString& l : lines)
            if (l.contains(text))
                return true;
        return false;
    }
    QStringList lines;
    QtMessageHandler previous;
};

} // namespace

// A frame that cannot be aligned is never judged as if it were: the camera is
// NG with the reason as its text, each such frame is counted and logged with
// its camera and step, and the next good frame passes again.
TEST_F(Alignment, FailuresAreCountedShownLoggedAndJudgedNg)
{
    LoadTextTable();
    gLan = 1;
    const cv::Rect pos(180, 150, 200, 160);
    const cv::Rect clean(60, 60, 90, 70);
    auto view = makeView(2);
    CammerRecong& e = *view->recong;
    addRect(*view, 0, pos, MethodPosition, 5, 0, 0);
    const int d = addRect(*view, 0, clean, MethodDefect, 3, 25, 100);

    // A plain template: no position model can be made.
    LogLines log;
    view->TemplateImage(0, 0).setTo(120);
    e.CreateShape(0);
    e.VarTrain(0);
    EXPECT_FALSE(e.positionModels[0].IsValid());
    EXPECT_TRUE(log.contain("camera 3 step 1")) << log.lines.join('\n').toStdString();
    view->TemplateImage(0, 0).copyTo(view->curImage);
    e.ShapeMatch(0);
    e.Run(0);
    EXPECT_EQ(e.alignState[0], AlignState::NoModel);
    EXPECT_FALSE(view->allOK);
    EXPECT_TRUE(view->roiOK[0][d]) << "the regions themselves are fine";
    EXPECT_EQ(e.AlignmentText(0), LanStr(kLanAlignNoModel));
    EXPECT_EQ(e.alignFailures[0], 1);

    // A good template, frames of another scene: not found, counted.
    tmpl.copyTo(view->TemplateImage(0, 0));
    e.CreateShape(0);
    e.VarTrain(0);
    ASSERT_TRUE(e.positionModels[0].IsValid());
    for (int n = 2; n <= 3; ++n) {
        texture({575, 491}, 70 + n).copyTo(view->curImage);
        e.ShapeMatch(0);
        e.Run(0);
        EXPECT_EQ(e.alignState[0], AlignState::NotFound);
        EXPECT_FALSE(view->allOK);
        EXPECT_EQ(e.alignFailures[0], n);
        EXPECT_EQ(e.AlignmentText(0), LanStr(kLanAlignNotFound).arg(n));
        EXPECT_TRUE(e.AlignmentText(0).contains(QString::number(n)));
        EXPECT_LT(e.alignScore[0], kFindShapeAcceptScore);
    }
    EXPECT_TRUE(log.contain("camera 3 step 1 : position model not found"));

    // The part back: aligned, passes, no text.
    frameOf({4, -3}, {280, 230}, 0).copyTo(view->curImage);
    e.ShapeMatch(0);
    e.Run(0);
    EXPECT_EQ(e.alignState[0], AlignState::Aligned);
    EXPECT_TRUE(view->allOK);
    EXPECT_TRUE(e.AlignmentText(0).isEmpty());
    EXPECT_EQ(e.alignFailures[0], 3);

    // Positioning off: judged as it lies, never an alignment NG.
    params_.enable_correct = -1;
    texture({575, 491}, 90).copyTo(view->curImage);
    e.ShapeMatch(0);
    e.Run(0);
    EXPECT_EQ(e.alignState[0], AlignState::Whole);
    EXPECT_TRUE(e.AlignmentText(0).isEmpty());
    EXPECT_EQ(e.alignFailures[0], 3);
}

// After a turn, the corners of the aligned frame come from outside the
// camera's view. They are ignored by every method, as ignore points are,
// while the pixels in view are judged as before.
TEST_F(Alignment, PixelsFromOutsideTheViewAreNotJudged)
{
    params_.rotate_angle = 10;
    const cv::Rect pos(150, 120, 275, 250);
    // A bright bar along the top edge ends at the top-right corner: spread
    // out by replication it would fill that corner with white.
    tmpl(cv::Rect(420, 0, 155, 6)).setTo(250);
    tmpl(cv::Rect(420, 6, 155, 60)).setTo(30);
    // Dark ground at the bottom left with a light wedge pointing right.
    tmpl(cv::Rect(0, 380, 150, 111)).setTo(10);
    const std::vector<cv::Point> wedge{{40, 420}, {80, 420}, {80, 460}};
    cv::fillConvexPoly(tmpl, wedge, cv::Scalar(240));

    auto view = makeView();
    tmpl.copyTo(view->templateImages[0][0]);
    addRect(*view, 0, pos, MethodPosition, 5, 0, 0);
    struct Region {
        const char* name;
        cv::Rect box;
        int method, minSize, sens, maxArea;
    } regions[] = {
        {"defect top left", {0, 0, 110, 90}, MethodDefect, 3, 25, 100},
        {"white area top right", {465, 8, 110, 52}, MethodWhiteArea, 0, 150, 100},
        {"similarity bottom right", {465, 401, 110, 90}, MethodSimilarity, 0, 70, 0},
        {"direction bottom left", {0, 380, 150, 111}, MethodDirection, 0, 300, 5000},
    };
    std::vector<int> index;
    for (const Region& r : regions)
        index.push_back(addRect(*view, 0, r.box, r.method, r.minSize, r.sens, r.maxArea));
    CammerRecong& e = *view->recong;
    e.CreateShape(0);
    e.VarTrain(0);
    params_.min_spot = 1;

    for (const double angle : {8.0, -8.0}) {
        SCOPED_TRACE(angle);
        frameOf({5, -4}, {287, 245}, angle).copyTo(view->curImage);
        e.ShapeMatch(0);
        ASSERT_EQ(e.alignState[0], AlignState::Aligned);
        e.Run(0);
        for (size_t k = 0; k < index.size(); ++k) {
            SCOPED_TRACE(regions[k].name);
            EXPECT_TRUE(view->roiOK[0][index[k]]) << view->roiValue[0][index[k]];
            const cv::Mat inView = e.InView(0, regions[k].box);
            EXPECT_FALSE(inView.empty()) << "a corner region reaches out of the view";
            const int seen = cv::countNonZero(inView);
            EXPECT_GT(seen, 0);
            EXPECT_LT(seen, regions[k].box.area());
        }
        EXPECT_TRUE(e.InView(0, pos).empty()) << "the middle is all in view";
    }

    // The outline's area: what a frame turned by 8 degrees about the model's
    // centre leaves of the corner box, against counting the pixels whose
    // source lies inside the frame.
    const cv::Rect corner(0, 0, 110, 90);
    const cv::Mat inView = e.InView(0, corner);
    cv::Mat source(corner.size(), CV_8UC1, cv::Scalar(0));
    {
        const double a = -8.0 * CV_PI / 180, ca = std::cos(a), sa = std::sin(a);
        for (int y = 0; y < corner.height; ++y)
            for (int x = 0; x < corner.width; ++x) {
                // Where the aligned pixel was taken from in the frame.
                const double qx = x - 287.0, qy = y - 245.0;
                const double sx = 287.0 + 5 + ca * qx + sa * qy, sy = 245.0 - 4 - sa * qx + ca * qy;
                if (sx >= 1 && sy >= 1 && sx <= 573 && sy <= 489)
                    source.at<uchar>(y, x) = 255;
            }
    }
    cv::Mat differ;
    cv::bitwise_xor(inView, source, differ);
    EXPECT_LT(cv::countNonZero(differ), 2 * (corner.width + corner.height)) << "at most about the outline";

    // A real defect in the part of the corner that is in view is found.
    cv::Mat bad = tmpl.clone();
    cv::circle(bad, {80, 70}, 9, cv::Scalar(255), cv::FILLED);
    MovedPicture(bad, {5, -4}, {287, 245}, -8.0).copyTo(view->curImage);
    e.ShapeMatch(0);
    e.Run(0);
    EXPECT_FALSE(view->roiOK[0][index[0]]);

    // The next frame, straight, is judged whole: a defect in the very corner
    // that was out of view before is found.
    bad = tmpl.clone();
    cv::circle(bad, {12, 12}, 9, cv::Scalar(255), cv::FILLED);
    MovedPicture(bad, {2, 1}, {287, 245}, 0.0).copyTo(view->curImage);
    e.ShapeMatch(0);
    e.Run(0);
    EXPECT_TRUE(e.InView(0, regions[0].box).empty() || cv::countNonZero(e.InView(0, regions[0].box)) > 9000);
    EXPECT_FALSE(view->roiOK[0][index[0]]) << view->roiValue[0][index[0]];
}

