// Drawing and editing regions by touch on a camera view in template editing:
// scripted press, move and release sequences and the regions they leave in
// the edit store.
#include "editorfixture.h"
#include "editor/drawroiwidget.h"

#include <QDir>

#include "widgets/slider.h"

namespace {

using Script = std::vector<Touch>;

class Gestures : public EditingView {
protected:
    // Every region of step 0 lies inside the image and has its mask.
    void expectInsideWithMasks()
    {
        const CammerSingleton& s = edited();
        for (int r = 0; r < s.roiCount[0]; ++r) {
            const QRect box = s.ImageRect(0, r);
            EXPECT_TRUE(QRect(0, 0, gImageW, gImageH).contains(box)) << r;
            EXPECT_FALSE(view->editMasks[0][r].empty()) << r;
            EXPECT_EQ(view->editMasks[0][r].cols, box.width()) << r;
        }
    }
};

// A finger drawn path of n points after the press.
Script freeHand(QPoint from, int n, QPoint step)
{
    Script s{{'P', from.x(), from.y()}};
    QPoint p = from;
    for (int i = 0; i < n; ++i) {
        p += step;
        s.push_back({'M', p.x(), p.y()});
    }
    s.push_back({'R', p.x(), p.y()});
    return s;
}

Script taps(std::initializer_list<QPoint> points)
{
    Script s;
    for (QPoint p : points) {
        s.push_back({'P', p.x(), p.y()});
        s.push_back({'R', p.x(), p.y()});
    }
    return s;
}

} // namespace

TEST_F(Gestures, NewShapesFromScriptedTouches)
{
    struct Case {
        const char* name;
        int tool;
        bool freeHand;
        Script script;
        int regions;     // in step 0 afterwards
        int kind;        // shape of region 0
        QRect viewRect;  // rectangle or ring: its view rectangle (null: not checked)
        int toolAfter;
    };
    const Case cases[] = {
        {"rectangle 10 x 10", ToolRect, false, {{'P', 100, 100}, {'M', 105, 105}, {'M', 110, 110}, {'R', 110, 110}},
         1, ShapeRect, QRect(QPoint(100, 100), QPoint(110, 110)), ToolSelect},
        {"rectangle 9 wide", ToolRect, false, {{'P', 100, 100}, {'M', 109, 110}, {'R', 109, 110}}, 0, 0, QRect(),
         ToolSelect},
        {"rectangle 9 high", ToolRect, false, {{'P', 100, 100}, {'M', 110, 109}, {'R', 110, 109}}, 0, 0, QRect(),
         ToolSelect},
        {"rectangle drawn up and left", ToolRect, false, {{'P', 200, 200}, {'M', 150, 150}, {'R', 150, 150}}, 0, 0,
         QRect(), ToolSelect},
        {"rectangle pressed, never dragged", ToolRect, false, {{'P', 200, 200}, {'R', 200, 200}}, 0, 0, QRect(),
         ToolSelect},
        {"rectangle dragged out of the view", ToolRect, false,
         {{'P', 1700, 950}, {'M', 2400, 1400}, {'R', 2400, 1400}}, 1, ShapeRect,
         QRect(QPoint(1700, 950), QPoint(1724, 981)), ToolSelect},
        {"ring of radius 10", ToolRing, false, {{'P', 300, 300}, {'M', 320, 320}, {'R', 320, 320}}, 1, ShapeRing,
         QRect(300, 300, 20, 20), ToolSelect},
        {"ring of radius 5 is too small", ToolRing, false, {{'P', 300, 300}, {'M', 310, 310}, {'R', 310, 310}}, 0, 0,
         QRect(), ToolSelect},
        {"polygon closed near its first point", ToolPolygon, false,
         taps({{100, 100}, {200, 100}, {150, 200}, {109, 91}}), 1, ShapePolygon, QRect(), ToolSelect},
        {"polygon of two points is not closed", ToolPolygon, false, taps({{100, 100}, {200, 100}, {104, 96}}), 0, 0,
         QRect(), ToolPolygon},
        {"a press 10 px from the first point adds a point", ToolPolygon, false,
         taps({{100, 100}, {200, 100}, {150, 200}, {110, 100}}), 0, 0, QRect(), ToolPolygon},
        {"free hand of 5 points is dropped", ToolPolygon, true, freeHand({100, 100}, 5, {10, 7}), 0, 0, QRect(),
         ToolSelect},
        {"free hand of 6 points is kept", ToolPolygon, true, freeHand({100, 100}, 6, {10, 7}), 1, ShapePolygon,
         QRect(), ToolSelect},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        edited().roiCount[0] = 0;
        view->edit.polyCount = 0;
        view->edit.drawState = DrawIdle;
        useTool(c.tool, c.freeHand);
        play(c.script);
        EXPECT_EQ(edited().roiCount[0], c.regions);
        EXPECT_EQ(host.s.drawTool, c.toolAfter);
        if (c.regions == 0)
            continue;
        EXPECT_EQ(edited().shapeType[0][0], c.kind);
        EXPECT_EQ(view->selectedRegion, 0) << "the new region is selected";
        if (c.kind == ShapeRect) {
            EXPECT_EQ(edited().rects[0][0].viewRect, c.viewRect);
        } else if (c.kind == ShapeRing) {
            EXPECT_EQ(edited().circles[0][0].viewRect, c.viewRect);
        }
        expectInsideWithMasks();
    }
}

TEST_F(Gestures, PolygonsKeepTheirPointsAndNeverReachOutOfTheView)
{
    useTool(ToolPolygon);
    play(taps({{100, 100}, {200, 100}, {150, 200}, {104, 96}}));
    ASSERT_EQ(edited().roiCount[0], 1);
    const RePolygon& closed = edited().polygons[0][0];
    EXPECT_EQ(closed.count, 3) << "the closing press adds no point";
    EXPECT_EQ(closed.viewPoints, (std::vector<QPoint>{{100, 100}, {200, 100}, {150, 200}}));

    // Free hand towards the right edge and beyond it.
    useTool(ToolPolygon, true);
    play(freeHand({1600, 300}, 8, {40, 30}));
    ASSERT_EQ(edited().roiCount[0], 2);
    for (QPoint p : edited().polygons[0][1].viewPoints) {
        EXPECT_LE(p.x(), gShowW - 1);
        EXPECT_LE(p.y(), gShowH - 1);
    }
    expectInsideWithMasks();

    // A new polygon may start where the last one started.
    useTool(ToolPolygon);
    play(taps({{102, 102}, {300, 120}, {250, 300}, {100, 100}}));
    ASSERT_EQ(edited().roiCount[0], 3);
    EXPECT_EQ(edited().polygons[0][2].viewPoints.front(), QPoint(102, 102));
}

TEST_F(Gestures, AZoomedAndPannedViewClampsTheFirstCorner)
{
    host.s.panX = 200;
    host.s.panY = 100;
    useTool(ToolRect);
    play({{'P', 50, 40}, {'M', 400, 300}, {'R', 400, 300}});
    ASSERT_EQ(edited().roiCount[0], 1);
    EXPECT_EQ(edited().rects[0][0].viewRect, QRect(QPoint(0, 0), QPoint(200, 200)));
    expectInsideWithMasks();
}

TEST_F(Gestures, FiftyRegionsAreTheLimitOfAStep)
{
    for (int r = 0; r < kRegionCount; ++r)
        addEditRect(QRect(10 + 30 * (r % 25), 10 + 300 * (r / 25), 20, 20));
    useTool(ToolRect);
    play({{'P', 800, 800}, {'M', 900, 900}, {'R', 900, 900}});
    EXPECT_EQ(edited().roiCount[0], kRegionCount);
    EXPECT_EQ(warnings, QStringList{LanStr(36)});
    EXPECT_EQ(host.s.drawTool, ToolRect) << "the outline stays until the next press";

    warnings.clear();
    useTool(ToolPolygon);
    play(taps({{800, 800}, {900, 800}, {850, 900}, {800, 800}}));
    EXPECT_EQ(edited().roiCount[0], kRegionCount);
    EXPECT_EQ(warnings, QStringList{LanStr(36)});

    warnings.clear();
    questions.clear();
    view->selectedRegion = 3;
    view->SlotCopyArea(QPoint(900, 500));
    EXPECT_EQ(edited().roiCount[0], kRegionCount);
    EXPECT_EQ(warnings, QStringList{LanStr(36)});
}

TEST_F(Gestures, NewRegionsTakeTheFirstEnabledMethodOrTheirPredecessorsParameters)
{
    para().enable_spot_detect = 0;
    para().enable_black_area = 0;
    para().enable_white_area = 0;
    para().enable_similarity = 0;
    para().enable_white_num = 0;
    para().enable_direction_check = 1;
    useTool(ToolRect);
    play({{'P', 100, 100}, {'M', 200, 200}, {'R', 200, 200}});
    useTool(ToolPolygon);
    CammerSingleton& s = edited();
    s.roiCount[0] = 1;
    ASSERT_EQ(s.algorithm[0][0], MethodDirection);
    EXPECT_EQ(s.min_size[0][0], 1);
    EXPECT_EQ(s.sensibility[0][0], 5000);
    EXPECT_EQ(s.max_area[0][0], 10000);

    // The first polygon of a step cannot recognise direction.
    s.roiCount[0] = 0;
    play(taps({{300, 300}, {400, 300}, {350, 400}, {300, 300}}));
    EXPECT_EQ(s.algorithm[0][0], MethodDefect);
    EXPECT_EQ(s.sensibility[0][0], 25);

    // Later regions copy the one before.
    s.sensibility[0][0] = 77;
    useTool(ToolRect);
    play({{'P', 600, 100}, {'M', 700, 200}, {'R', 700, 200}});
    EXPECT_EQ(s.algorithm[0][1], MethodDefect);
    EXPECT_EQ(s.sensibility[0][1], 77);

    // Spot detection first: grey range 0 .. 50.
    para().enable_spot_detect = 1;
    s.roiCount[0] = 0;
    useTool(ToolRect);
    play({{'P', 600, 100}, {'M', 700, 200}, {'R', 700, 200}});
    EXPECT_EQ(s.algorithm[0][0], MethodSpot);
    EXPECT_EQ(s.min_size[0][0], 50 << 8);
}

TEST_F(Gestures, SelectingDeselectingAndSwitchingBetweenOverlappingRegions)
{
    addEditRect(QRect(100, 100, 200, 200));
    addEditRect(QRect(200, 200, 200, 200));
    addEditRect(QRect(900, 600, 100, 100));
    CammerSingleton& s = edited();

    tap({250, 250}); // inside regions 0 and 1
    EXPECT_EQ(view->selectedRegion, 0) << "the lowest-numbered region under the finger";
    EXPECT_TRUE(s.rects[0][0].IsSelected());
    EXPECT_TRUE(panel()->sensibilitySlider->isVisible());

    view->SlotNextROI(); // "ROI Switch"
    EXPECT_EQ(view->selectedRegion, 1);
    EXPECT_FALSE(s.rects[0][0].IsSelected());
    EXPECT_TRUE(s.rects[0][1].IsSelected());
    view->SlotNextROI();
    EXPECT_EQ(view->selectedRegion, 0);

    tap({950, 650}); // beside the selection: deselects only
    EXPECT_EQ(view->selectedRegion, -1);
    EXPECT_EQ(view->edit.previousRegion, 0);
    EXPECT_FALSE(panel()->sensibilitySlider->isVisible());
    tap({950, 650});
    EXPECT_EQ(view->selectedRegion, 2);
}

TEST_F(Gestures, DraggingMovesInWholeImagePixelsAndStaysInside)
{
    const int r = addEditRect(QRect(400, 400, 100, 60));
    CammerSingleton& s = edited();
    const QRect start = s.rects[0][r].viewRect;

    // 3 image pixels are 9 view pixels across and 6 down.
    play({{'P', 450, 430}, {'M', 458, 435}, {'R', 458, 435}});
    EXPECT_EQ(s.rects[0][r].viewRect, start) << "less than 3 image pixels";
    play({{'P', 450, 430}, {'M', 459, 430}, {'R', 459, 430}});
    EXPECT_EQ(s.rects[0][r].viewRect, start.translated(9, 0));

    play({{'P', 460, 430}, {'M', 1900, 1100}, {'R', 1900, 1100}});
    EXPECT_EQ(s.rects[0][r].viewRect.bottomRight(), QPoint(gShowW - 1, gShowH - 1));
    EXPECT_EQ(s.rects[0][r].viewRect.size(), start.size());
    expectInsideWithMasks();

    // A corner handle resizes.
    const QRect before = s.rects[0][r].viewRect;
    play({{'P', before.left(), before.top()}, {'M', before.left() - 30, before.top() - 20},
          {'R', before.left() - 30, before.top() - 20}});
    EXPECT_EQ(s.rects[0][r].viewRect.topLeft(), before.topLeft() - QPoint(30, 20));
    EXPECT_EQ(s.rects[0][r].viewRect.bottomRight(), before.bottomRight());
    expectInsideWithMasks();
}

TEST_F(Gestures, CopyPlacesTheSelectedOrPreviousRegionWhereTouched)
{
    addEditRect(QRect(100, 100, 41, 21));
    addEditRect(QRect(300, 300, 61, 61), MethodBlackArea);
    CammerSingleton& s = edited();

    answer = false;
    host.s.copyAreaMode = true;
    tap({800, 500});
    EXPECT_EQ(questions, QStringList{LanStr(38)});
    EXPECT_EQ(s.roiCount[0], 2) << "refused";
    EXPECT_FALSE(host.s.copyAreaMode);

    answer = true;
    tap({320, 320}); // select region 1
    tap({5, 900});   // deselect: region 1 is the one selected before
    host.s.copyAreaMode = true;
    tap({800, 500});
    ASSERT_EQ(s.roiCount[0], 3);
    EXPECT_EQ(s.algorithm[0][2], MethodBlackArea);
    EXPECT_EQ(s.rects[0][2].viewRect, QRect(770, 470, 61, 61));
    EXPECT_EQ(view->selectedRegion, 2);
    EXPECT_TRUE(s.rects[0][2].IsSelected());
    EXPECT_FALSE(s.rects[0][1].IsSelected());

    // Copied at the corner of the view, the copy is pushed back inside.
    host.s.copyAreaMode = true;
    tap({1724, 0});
    ASSERT_EQ(s.roiCount[0], 4);
    EXPECT_EQ(s.rects[0][3].viewRect, QRect(1725 - 61, 0, 61, 61));
    expectInsideWithMasks();
}

// A colour camera holds only the plane of its templates: the editor shows the
// picture from the template's file and previews on that plane.
TEST_F(EditingView, AColourTemplateIsShownFromItsFileAndPreviewedOnItsPlane)
{
    SetImageGeometry(gImageW, gImageH, true);
    QImage pic(gImageW, gImageH, QImage::Format_RGB32);
    for (int y = 0; y < gImageH; ++y)
        for (int x = 0; x < gImageW; ++x)
            pic.setPixel(x, y, qRgb(x & 255, y & 255, (x * 3 + y) & 255));
    QDir().mkpath("cammer11");
    ASSERT_TRUE(pic.save("cammer11/template0.bmp"));
    view->LoadTemplates();
    ASSERT_EQ(view->templateImages[0][0].type(), CV_8UC1);

    DrawROIWidget::ShowTemplate(view, 0, 0);
    ASSERT_EQ(view->showImage.type(), CV_8UC4);
    for (QPoint p : {QPoint(0, 0), QPoint(300, 17), QPoint(gImageW - 1, gImageH - 1)}) {
        const cv::Vec4b px = view->showImage.at<cv::Vec4b>(p.y(), p.x());
        const QRgb want = pic.pixel(p);
        EXPECT_EQ(QColor(px[2], px[1], px[0]), QColor(want)) << p.x() << "," << p.y();
    }
    EXPECT_EQ(cv::countNonZero(view->GrayImage() != view->TemplatePlane(0, 0)), 0);
    SetImageGeometry(gImageW, gImageH, false);
}
