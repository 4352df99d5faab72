// The annotated NG and OK images: verdict and second line, regions with
// their NG boxes and labels in image coordinates, the first NG region, and
// the alarm-clear line with its image codes.
#include "viewfixture.h"

#include "cameradriver/cameraglobals.h"
#include "monitor/mainwindow.h"
#include "monitor/savefialimagethread.h"
#include "params/geometry.h"
#include "params/lanstr.h"

#include <QMutexLocker>

namespace {

const QColor kRed(Qt::red);
const QColor kGreen(Qt::green);

class ResultImage : public ViewTest {
protected:
    void SetUp() override
    {
        ViewTest::SetUp();
        para().enable_display_detail = 0;
        view = makeView(0);
        view->alignImage.setTo(100);
    }
    QImage stored(int step, int kind)
    {
        const std::vector<unsigned char>& img = host.failImages[0][step][kind];
        if (img.size() != size_t(gImageLen) * 4)
            return QImage();
        return QImage(img.data(), gImageW, gImageH, QImage::Format_RGB32).copy();
    }
    static int changed(const QImage& img, const QRect& r)
    {
        int n = 0;
        for (int y = r.top(); y <= r.bottom(); ++y)
            for (int x = r.left(); x <= r.right(); ++x)
                n += img.pixelColor(x, y) != QColor(100, 100, 100);
        return n;
    }

    CammerWidget* view = nullptr;
};

} // namespace

TEST_F(ResultImage, WithoutRegionsOnlyTheVerdictAndTheSecondLine)
{
    view->SaveFailImage(0, 0);
    QImage ng = stored(0, 0);
    ASSERT_FALSE(ng.isNull());
    EXPECT_GT(countColour(ng, QRect(5, 50, 50, 35), kRed), 20);
    EXPECT_EQ(changed(ng, QRect(0, 86, gImageW, gImageH - 86)), 0) << "no second line without the safety door";
    EXPECT_EQ(changed(ng, QRect(60, 0, gImageW - 60, gImageH)), 0);
    EXPECT_EQ(host.failIndex[0][0], 0);

    host.s.safetyDoorDetection = true;
    view->SaveFailImage(1, 1);
    const QImage ok = stored(1, 1);
    EXPECT_GT(countColour(ok, QRect(5, 50, 50, 35), kGreen), 20);
    EXPECT_GT(countColour(ok, QRect(5, 86, 400, 30), kGreen), 20) << "the safety-door line";
    EXPECT_TRUE(host.failImages[0][1][0].empty()) << "only the asked kind is stored";
    shoot("result-ok-safety-door", ok);
}

TEST_F(ResultImage, RegionsBoxesLabelsAndTheFirstNGRegion)
{
    // Regions 1 OK, 2 NG, 3 NG (numbered from 1 in the image).
    addRect(view, 0, QRect(QPoint(100, 150), QPoint(199, 199)));
    addRect(view, 0, QRect(QPoint(250, 150), QPoint(349, 199)));
    addRect(view, 0, QRect(QPoint(400, 150), QPoint(499, 199)));
    view->roiOK[0][1] = false;
    view->roiOK[0][2] = false;
    view->roiValue[0][1] = 321;
    view->ngRects[0][1][0][0] = 1;
    int* box = view->ngRects[0][1][1];
    box[0] = 280, box[1] = 160, box[2] = 300, box[3] = 180;
    view->SaveFailImage(0, 0);
    EXPECT_EQ(host.failIndex[0][0], 2);

    const QImage img = stored(0, 0);
    EXPECT_EQ(img.pixelColor(100, 175), kGreen) << "the OK region's outline";
    EXPECT_EQ(img.pixelColor(250, 175), kRed) << "an NG region's outline";
    EXPECT_EQ(img.pixelColor(280, 170), kRed) << "its NG box, left edge";
    // The box is drawn one short of the stored (exclusive) ends, and the
    // painter's outline of that rectangle reaches the end again.
    EXPECT_EQ(img.pixelColor(300, 170), kRed);
    EXPECT_EQ(img.pixelColor(301, 170), QColor(100, 100, 100));
    EXPECT_GT(countColour(img, QRect(250, 124, 200, 24), kRed), 20) << "label above region 2";
    EXPECT_GT(countColour(img, QRect(100, 124, 140, 24), kGreen), 5) << "label above region 1";
    shoot("result-ng-regions", img);

    // The index stays until the writer has taken it.
    view->roiOK[0][0] = false;
    view->SaveFailImage(0, 0);
    EXPECT_EQ(host.failIndex[0][0], 2);
}

TEST_F(ResultImage, PolygonsAndRingsAreDrawnInImageCoordinates)
{
    CammerSingleton& s = *view->liveRegions;
    s.roiCount[0] = 2;
    s.shapeType[0][0] = ShapePolygon;
    s.polygons[0][0].SetPoints({QPoint(300, 300), QPoint(900, 300), QPoint(900, 600), QPoint(300, 600)});
    s.polygons[0][0].setImageRect();
    s.shapeType[0][1] = ShapeRing;
    s.circles[0][1].centreX = 1200;
    s.circles[0][1].centreY = 500;
    s.circles[0][1].radius = 150;
    s.circles[0][1].innerRadius = 0;
    s.circles[0][1].UpdateRect();
    s.circles[0][1].setImageRect();
    view->SaveFailImage(0, 1);
    const QImage img = stored(0, 1);
    // Polygon (100, 150)-(300, 300) in the image, ring around (400, 250) radius 50.
    EXPECT_EQ(img.pixelColor(100, 200), kGreen);
    EXPECT_EQ(img.pixelColor(200, 150), kGreen);
    EXPECT_GT(countColour(img, QRect(348, 245, 6, 10), kGreen), 0) << "the ring's left side";
    EXPECT_EQ(img.pixelColor(400, 230), QColor(100, 100, 100));
}

TEST_F(ResultImage, AlarmClearLineAndImageCodes)
{
    struct Case {
        int code;
        int next;
        bool written;
    } cases[] = {{4, 9, true}, {5, 9, true}, {6, 9, true}, {7, 8, true}, {8, 10, true},
                 {0, 0, false}, {2, 2, false}, {9, 9, false}, {10, 10, false}};
    for (const Case& c : cases) {
        view->SaveFailImage(2, 0);
        const QImage before = stored(2, 0);
        host.codes[0][2] = c.code;
        view->UpdateFailImage(2, 0);
        EXPECT_EQ(host.codes[0][2], c.next) << c.code;
        const QImage after = stored(2, 0);
        const QRect line(55, 50, gImageW - 55, 36);
        EXPECT_EQ(countColour(after, line, kRed) > 20, c.written) << c.code;
        EXPECT_EQ(after.copy(QRect(0, 90, gImageW, gImageH - 90)), before.copy(QRect(0, 90, gImageW, gImageH - 90)))
            << c.code;
        if (c.code == 7)
            shoot("result-alarm-cleared", after);
    }
    // Re-detection: 7 becomes 8, then the OK re-detect line and 10.
    host.codes[0][2] = 7;
    view->UpdateFailImage(2, 0);
    view->UpdateFailImage(2, 0);
    EXPECT_EQ(host.codes[0][2], 10);

    // Without a stored image the code still moves on.
    host.codes[0][3] = 5;
    view->UpdateFailImage(3, 1);
    EXPECT_EQ(host.codes[0][3], 9);
    EXPECT_TRUE(host.failImages[0][3][1].empty());
}

// In the running program the images land in the image writer's buffers.
TEST_F(WindowTest, ResultImagesReachTheImageWriterBuffers)
{
    start();
    CammerWidget* v = window->cameraViews[1];
    const int r = v->liveRegions->roiCount[0]++;
    v->liveRegions->shapeType[0][r] = ShapeRect;
    v->liveRegions->rects[0][r].viewRect = QRect(100, 100, 200, 100);
    v->liveRegions->rects[0][r].setImageRect();
    v->roiOK[0][r] = false;
    v->alignImage.setTo(50);
    {
        QMutexLocker lock(pMutexSaveFail);
        gFailIndex[1][0] = 0;
    }
    v->SaveFailImage(0, 0);
    window->stepSaveCode[1][0] = 4;
    v->UpdateFailImage(0, 0);
    EXPECT_EQ(window->stepSaveCode[1][0], 9);
    QMutexLocker lock(pMutexSaveFail);
    EXPECT_EQ(gFailIndex[1][0], r + 1);
    ASSERT_NE(gpFailImage[1][0][0], nullptr);
    const QImage img(gpFailImage[1][0][0], gImageW, gImageH, QImage::Format_RGB32);
    EXPECT_EQ(img.pixelColor(1000, 1000), QColor(50, 50, 50));
    EXPECT_EQ(img.pixelColor(v->liveRegions->rects[0][r].imageRect.topLeft() + QPoint(0, 20)), kRed);
    gFailIndex[1][0] = 0;
}
