// What a camera view paints: the live image under zoom and pan, the NG
// overlay that blinks, regions and their labels, the countdown, the status
// texts handed to the title bar, the record-picture line, and the touch
// handlers of the live view (camera choice, cursor readout, drag pan).
#include "viewfixture.h"

#include "cameradriver/cameraglobals.h"
#include "params/geometry.h"
#include "params/lanstr.h"

#include <QCoreApplication>
#include <QMouseEvent>
#include <QPushButton>
#include <QTimer>

namespace {

const QColor kRed(Qt::red);
const QColor kGreen(Qt::green);
const QColor kDarkBlue(Qt::darkBlue);

class Painting : public ViewTest {
protected:
    void SetUp() override
    {
        ViewTest::SetUp();
        para().procedure = 0;
        para().show_live_regions = 0;
        para().show_cavity_number = 0;
        para().enable_display_detail = 0;
        view = makeView(0);
        fillRamp(view);
    }
    static QColor at(const QImage& img, QPoint p) { return img.pixelColor(p); }
    static QColor ramp(int x, int y)
    {
        const int g = (x / 3 + y / 4) % 200 + 20;
        return QColor(g, g, g);
    }
    void press(CammerWidget* v, QPoint p, Qt::MouseButtons buttons = Qt::LeftButton)
    {
        QMouseEvent e(QEvent::MouseButtonPress, p, Qt::LeftButton, buttons, Qt::NoModifier);
        QCoreApplication::sendEvent(v, &e);
    }
    void move(CammerWidget* v, QPoint p, Qt::MouseButtons buttons)
    {
        QMouseEvent e(QEvent::MouseMove, p, Qt::NoButton, buttons, Qt::NoModifier);
        QCoreApplication::sendEvent(v, &e);
    }
    // An NG defect region at image (100, 100)-(199, 149) whose overlay marks
    // image (120, 120)-(129, 129), with one NG box around the marks.
    void ngRegion()
    {
        const int r = addRect(view, 0, QRect(QPoint(100, 100), QPoint(199, 149)));
        view->NgOverlay().setTo(0);
        view->NgOverlay()(cv::Rect(120, 120, 10, 10)).setTo(255);
        view->roiOK[0][r] = false;
        view->roiValue[0][r] = 100;
        view->allOK = false;
        view->ngRects[0][r][0][0] = 1;
        int* box = view->ngRects[0][r][1];
        box[0] = 115, box[1] = 115, box[2] = 135, box[3] = 135;
        host.s.displayState = 2;
        host.s.imageScaleX = float(gShowAW);
        host.s.imageScaleY = float(gShowAH);
        gSource = 1;
    }

    CammerWidget* view = nullptr;
};

} // namespace

TEST_F(Painting, LiveImageFillsTheViewAndFollowsZoomAndPanOnTheSelectedViewOnly)
{
    QImage img = render(view);
    for (QPoint p : {QPoint(5, 5), QPoint(100, 100), QPoint(570, 485), QPoint(333, 222)})
        EXPECT_EQ(at(img, widgetPoint(p.x(), p.y())), ramp(p.x(), p.y())) << p.x() << "," << p.y();
    shoot("live", img);

    host.s.zoomFactor = 2;
    host.s.panX = -300;
    host.s.panY = -100;
    img = render(view);
    // A view point p is drawn at pan + 2 p.
    const QPoint image(200, 150);
    const QPoint viewPoint = widgetPoint(image.x(), image.y());
    EXPECT_EQ(at(img, QPoint(-300 + 2 * viewPoint.x(), -100 + 2 * viewPoint.y())), ramp(image.x(), image.y()));
    shoot("live-zoomed", img);

    host.s.selectedCamera = -1; // the split view: no zoom on this view
    img = render(view);
    EXPECT_EQ(at(img, viewPoint), ramp(image.x(), image.y()));
}

TEST_F(Painting, NGPixelsBlinkRedOnlyInTheAlarmDisplay)
{
    ngRegion();
    const QPoint marked = widgetPoint(125, 125);
    const QPoint unmarked = widgetPoint(110, 140);
    const QColor plain = ramp(125, 125);

    view->blinkTimer->start(1000);
    view->TimerShowAlarm(); // phase 1
    QImage img = render(view);
    EXPECT_EQ(at(img, marked), kRed);
    EXPECT_EQ(at(img, unmarked), ramp(110, 140));
    // The NG box (115, 115)-(134, 134) in the image scale, and the red outline.
    EXPECT_EQ(at(img, QPoint(int(115 * gShowAW), int(125 * gShowAH))), kRed);
    shoot("alarm-ng", img);

    view->TimerShowAlarm(); // phase 0
    EXPECT_EQ(at(render(view), marked), plain);
    view->TimerShowAlarm(); // phase 1 again
    EXPECT_EQ(at(render(view), marked), kRed);

    // Not in the alarm display, or for a region that passed: no red pixels.
    host.s.displayState = 0;
    EXPECT_EQ(at(render(view), marked), plain);
    host.s.displayState = 2;
    view->roiOK[0][0] = true;
    EXPECT_EQ(at(render(view), marked), plain);

    // A view whose result is OK stops blinking with phase 0.
    view->allOK = true;
    view->TimerShowAlarm();
    EXPECT_EQ(view->blinkPhase, 0);
    EXPECT_FALSE(view->blinkTimer->isActive());
}

TEST_F(Painting, RegionsOnTheLiveScreenLeaveOutPositioning)
{
    para().show_live_regions = 1;
    addRect(view, 0, QRect(QPoint(100, 100), QPoint(199, 149)));
    addRect(view, 0, QRect(QPoint(300, 300), QPoint(399, 349)), MethodPosition);
    const QPoint defectEdge(300, 250);   // left edge of region 1 in view pixels
    const QPoint positionEdge(900, 650); // left edge of the positioning region
    QImage img = render(view);
    EXPECT_EQ(at(img, defectEdge), kDarkBlue);
    EXPECT_EQ(at(img, positionEdge), ramp(300, 325));
    shoot("live-regions", img);

    para().show_live_regions = 0;
    EXPECT_EQ(at(render(view), defectEdge), ramp(100, 125)) << "live regions are shown only when asked";

    // The alarm display shows the regions in the verdict's colours, still
    // without the positioning region.
    host.s.displayState = 2;
    gSource = 1;
    img = render(view);
    EXPECT_EQ(at(img, defectEdge), kGreen);
    EXPECT_EQ(at(img, positionEdge), ramp(300, 325));
}

TEST_F(Painting, TemplateEditingDrawsOnlyTheSelectedRegionUntilAllAreMoved)
{
    for (int i = 0; i < 5; ++i)
        addRect(view, 1, QRect(QPoint(20 + 100 * i, 300), QPoint(79 + 100 * i, 349)), MethodWhiteArea);
    *view->editRegions = *view->liveRegions;
    gSource = 0;
    host.s.displayState = 3;
    host.s.editStep = 1;
    view->selectedRegion = 3;
    auto leftEdge = [](int i) { return QPoint(int((20 + 100 * i) * gShowAW), int(325 * gShowAH)); };
    QImage img = render(view);
    EXPECT_EQ(at(img, leftEdge(3)), kGreen);
    EXPECT_EQ(at(img, leftEdge(1)), ramp(120, 325));
    shoot("template-editing", img);

    view->edit.moveMode = 2;
    img = render(view);
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(at(img, leftEdge(i)), kGreen) << i;
}

TEST_F(Painting, TemplateEditingMarksIgnoredPointsCyan)
{
    addRect(view, 0, QRect(QPoint(100, 100), QPoint(199, 149)));
    *view->editRegions = *view->liveRegions;
    view->CammerData::IgnoreMask(0).setTo(0);
    view->CammerData::IgnoreMask(0)(cv::Rect(150, 120, 5, 5)).setTo(255);   // inside the region
    view->CammerData::IgnoreMask(0)(cv::Rect(400, 400, 5, 5)).setTo(255);   // outside every region
    gSource = 0;
    host.s.displayState = 3;
    const QImage img = render(view);
    EXPECT_EQ(at(img, widgetPoint(152, 122)), QColor(Qt::cyan));
    EXPECT_EQ(at(img, widgetPoint(402, 402)), ramp(402, 402));
}

TEST_F(Painting, CountdownShowsTheFirstRunningStepAboveTwoHundredths)
{
    // The countdown sits at (525, 40) of the view area; the frame line at
    // the top row is left out of the comparison.
    const QRect area(500, 3, 250, 50);
    host.s.countdownStep = -1;
    const QImage none = render(view);
    host.s.countdownStep = 1;
    host.s.countdownSeconds = 2.5f;
    const QImage running = render(view);
    EXPECT_GT(countColour(running, area, kGreen), 50);
    EXPECT_EQ(countColour(none, area, kGreen), 0);
    shoot("countdown", running);

    host.s.countdownSeconds = 0.02f;
    EXPECT_EQ(countColour(render(view), area, kGreen), 0);
    host.s.runState = 3;
    host.s.countdownSeconds = 2.5f;
    EXPECT_GT(countColour(render(view), area, kRed), 50) << "in the status colour";
}

TEST_F(Painting, StatusTextsGoToTheTitleBarForTheFirstFourCamerasOnly)
{
    gFindCamera = 8;
    for (int slot = 1; slot <= 4; ++slot)
        makeView(slot);
    ASSERT_EQ(numCamera, 5);
    host.s.cycleCount = 12;
    host.s.failCount = 3;
    host.s.frameRate = 25;
    host.s.cursorX = 7;
    host.s.cursorY = 8;
    host.s.cursorValue = 99;
    host.calls.clear();
    render(view);
    EXPECT_EQ(host.calls, (QStringList{"info 0 1 Cam 1 Prod Waiting", "info 0 2 12", "info 0 3 3", "info 0 0 25",
                                       "location 7, 8, 99"}));

    host.calls.clear();
    render(views[4].get());
    EXPECT_EQ(host.calls, QStringList{"info 4 0 25"}) << "camera 5 has no row; it is not the selected view";

    host.calls.clear();
    host.s.runState = 3;
    host.s.tempAlarm = true;
    host.s.currentStep = 1;
    host.s.displayState = 1;
    render(view);
    ASSERT_FALSE(host.calls.isEmpty());
    EXPECT_EQ(host.calls.first(), QStringLiteral("info 0 1 Cam 1 Mold stopping   Temperature alarm"));
    EXPECT_FALSE(host.calls.last().startsWith("location")) << "no cursor line while the OK result shows";

    struct Case {
        int runState;
        int phase;
        const char* status;
    } cases[] = {{2, 3, "resampling"}, {1, 1, "detecting"}, {1, 2, "detected"}, {1, 3, "Waiting"}, {1, 7, ""}};
    host.s.tempAlarm = false;
    host.s.currentStep = 0;
    for (const Case& c : cases) {
        host.calls.clear();
        host.s.runState = c.runState;
        host.s.cyclePhase = c.phase;
        render(view);
        EXPECT_EQ(host.calls.first(), QStringLiteral("info 0 1 Cam 1 Prod %1").arg(c.status)) << c.status;
    }

    // Template editing hands over the status row only.
    host.calls.clear();
    gSource = 0;
    host.s.displayState = 3;
    render(view);
    EXPECT_EQ(host.calls.size(), 2);
    EXPECT_TRUE(host.calls[1].startsWith("location"));
}

TEST_F(Painting, AViewPastTheOpenedCamerasPaintsNothingOfItsCamera)
{
    const QImage blank = render(makeView(5)); // a shell
    numCamera = 0;
    EXPECT_EQ(render(view), blank);
}

TEST_F(Painting, ViewsOfSlotsOutOfUseNeitherPaintTheirCameraNorTakeTouches)
{
    // Slot 1's camera failed and slot 2's opened.
    CammerWidget* failed = makeView(1);
    CammerWidget* opened = makeView(2);
    fillRamp(failed);
    fillRamp(opened);
    const QImage blank = render(makeView(5));
    setCameraSlots({0, 2});
    EXPECT_EQ(render(failed), blank);
    EXPECT_EQ(at(render(opened), widgetPoint(100, 100)), ramp(100, 100));

    host.s.selectedCamera = -1; // the split view
    press(failed, QPoint(50, 60));
    EXPECT_TRUE(host.selections.isEmpty());
    press(opened, QPoint(50, 60));
    EXPECT_EQ(host.selections, QList<int>{2}) << "the choice names the slot";
}

TEST_F(Painting, StepNamesFollowTheProcedure)
{
    struct Case {
        int procedure;
        int step;
        const char* name;
    } cases[] = {{0, 1, "Mold"}, {3, 0, "Prod"}, {5, 1, "Mold"}, {1, 2, "Right prod"}, {2, 1, "Left mold"},
                 {4, 0, "1st"}, {4, 7, "8th"}};
    for (const Case& c : cases) {
        para().procedure = c.procedure;
        EXPECT_EQ(CammerWidget::StepName(c.step), QString::fromUtf8(c.name)) << c.procedure << " " << c.step;
    }
}

TEST_F(Painting, RegionLabelsCarryTheLimitUpToTenRegions)
{
    CammerSingleton& s = *view->liveRegions;
    for (int i = 0; i < 11; ++i)
        addRect(view, 0, QRect(QPoint(10 + 40 * i, 10), QPoint(40 + 40 * i, 30)));
    para().minimum_area = 77;
    s.algorithm[0][1] = MethodSimilarity;
    s.sensibility[0][1] = 80;
    s.algorithm[0][2] = MethodSpot;
    s.sensibility[0][2] = 12800;
    s.max_area[0][2] = 500;
    s.algorithm[0][3] = MethodBlackArea;
    s.max_area[0][3] = 300;
    s.roiCount[0] = 10;
    EXPECT_EQ(CammerWidget::RegionLabel(s, 0, 0, 5), QStringLiteral("1: 77 / 5 "));
    EXPECT_EQ(CammerWidget::RegionLabel(s, 0, 1, 91), QStringLiteral("2: 80 / 91 "));
    EXPECT_EQ(CammerWidget::RegionLabel(s, 0, 2, 40), QStringLiteral("3: 12800--500 / 40 "));
    EXPECT_EQ(CammerWidget::RegionLabel(s, 0, 3, 9), QStringLiteral("4: 300 / 9 "));
    para().enable_display_detail = 1; // defect regions show their own area then
    EXPECT_EQ(CammerWidget::RegionLabel(s, 0, 0, 5), QStringLiteral("1: 100 / 5 "));
    s.roiCount[0] = 11;
    EXPECT_EQ(CammerWidget::RegionLabel(s, 0, 0, 5), QStringLiteral("1: 5"));
    EXPECT_EQ(CammerWidget::RegionLabel(s, 0, 10, 6), QStringLiteral("11: 6"));
}

TEST_F(Painting, RecordPictureLineFollowsTheDisplayWidth)
{
    gSource = 4;
    host.s.pictureCount = 0;
    auto lowestGreen = [this] {
        const QImage img = render(view);
        int lowest = -1;
        for (int y = 0; y < 80; ++y)
            for (int x = 0; x < 900; ++x)
                if (img.pixelColor(x, y) == kGreen)
                    lowest = y;
        return lowest;
    };
    const int wide = lowestGreen();
    gShowW = 1024;
    const int narrow = lowestGreen();
    gShowW = 1725;
    EXPECT_GT(wide, 30);
    EXPECT_GT(narrow, 5);
    EXPECT_LT(narrow, 28);

    // With pictures the browsed picture fills the view.
    QImage picture(40, 30, QImage::Format_RGB32);
    picture.fill(QColor(10, 200, 30));
    host.s.picture = picture;
    host.s.pictureCount = 3;
    EXPECT_EQ(at(render(view), QPoint(900, 600)), QColor(10, 200, 30));
}

TEST_F(Painting, RecentNGFramesShowTheirLinesInTheRunStateColour)
{
    gSource = 2;
    host.s.runState = 3;
    const QImage img = render(view);
    EXPECT_GT(countColour(img, QRect(5, 5, 300, 40), kRed), 30);
    EXPECT_GT(countColour(img, QRect(600, 5, 300, 40), kGreen), 30);
    EXPECT_EQ(at(img, widgetPoint(300, 300)), ramp(300, 300));
}

TEST_F(Painting, CursorReadoutOfMonoAndColourImages)
{
    view->MUpdateXYV(301, 201);
    EXPECT_EQ(host.s.cursorX, 100);
    EXPECT_EQ(host.s.cursorY, 100);
    EXPECT_EQ(host.s.cursorValue, ramp(100, 100).red());

    host.s.cursorValue = 42;
    view->MUpdateXYV(-30, 10); // outside the image: the value stays
    EXPECT_EQ(host.s.cursorX, -10);
    EXPECT_EQ(host.s.cursorValue, 42);

    host.s.zoomFactor = 2;
    host.s.panX = 100;
    view->MUpdateXYV(701, 401); // (701 - 100) / 2 / 3
    EXPECT_EQ(host.s.cursorX, 100);
    EXPECT_EQ(host.s.cursorY, 100);

    SetImageGeometry(gImageW, gImageH, true);
    CammerWidget* colour = makeView(1);
    host.s.zoomFactor = 1;
    host.s.panX = 0;
    unsigned char* px = colour->showImage.data + size_t(100 * gImageW + 100) * 4;
    px[0] = 10, px[1] = 20, px[2] = 30; // blue, green, red
    colour->MUpdateXYV(301, 201);
    EXPECT_EQ(host.s.cursorValue, 0x1E140A);
    host.s.selectedCamera = 1;
    host.calls.clear();
    render(colour);
    EXPECT_EQ(host.calls.last(), QStringLiteral("location 100, 100, 30, 20, 10"));
}

TEST_F(Painting, TouchChoosesACameraInTheSplitViewAndPansAZoomedView)
{
    makeView(1);
    ASSERT_EQ(numCamera, 2);
    host.s.selectedCamera = -1; // the split view
    host.s.displayState = 2;
    gSource = 1;
    press(views[1].get(), QPoint(50, 60));
    EXPECT_EQ(host.selections, QList<int>{1});
    EXPECT_EQ(host.alarmCameras, QList<int>{1});
    EXPECT_FALSE(views[1]->previousTemplateButton->isVisible());

    // On the view shown alone a press sets the drag origin and the cursor.
    host.s.selectedCamera = 0;
    host.s.displayState = 0;
    gSource = -1;
    press(view, QPoint(301, 201));
    EXPECT_EQ(host.dragX, 301);
    EXPECT_EQ(host.s.cursorX, 100);
    EXPECT_EQ(host.selections, QList<int>{1});

    // A drag pans only with the zoom tools out and a zoom above 1.1.
    host.s.zoomToolState = 2;
    host.s.zoomFactor = 1.1;
    move(view, QPoint(331, 191), Qt::LeftButton);
    EXPECT_EQ(host.s.panX, 0);
    host.s.zoomFactor = 2;
    move(view, QPoint(331, 191), Qt::LeftButton);
    EXPECT_EQ(host.s.panX, 30);
    EXPECT_EQ(host.s.panY, -10);
    move(view, QPoint(341, 191), Qt::LeftButton);
    EXPECT_EQ(host.s.panX, 40);
    move(view, QPoint(400, 191), Qt::LeftButton | Qt::RightButton);
    EXPECT_EQ(host.s.panX, 40) << "only the left button pans";
    host.s.zoomToolState = 1;
    move(view, QPoint(500, 191), Qt::LeftButton);
    EXPECT_EQ(host.s.panX, 40);
}
