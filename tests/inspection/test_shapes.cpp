#include "inspection/circle.h"
#include "inspection/polygon.h"
#include "inspection/rect.h"
#include "params/geometry.h"

#include <QImage>
#include <QPainter>
#include <gtest/gtest.h>
#include <opencv2/imgproc.hpp>

namespace {

// View and image of the same size unless a test says otherwise.
class Shapes : public ::testing::Test {
protected:
    void SetUp() override
    {
        gShowW = 1725;
        gShowH = 982;
        SetImageGeometry(1725, 982, false);
    }
};

QRect corners(int x1, int y1, int x2, int y2) { return QRect(QPoint(x1, y1), QPoint(x2, y2)); }

} // namespace

TEST_F(Shapes, RectangleImageBoxIsScaledAndCutToTheImage)
{
    SetImageGeometry(1280, 1024, false); // view pixels per image pixel 1.348 x 0.959
    struct Case {
        QRect view;
        QRect image;
    } cases[] = {
        {QRect(), QRect()},
        {corners(100, 50, 299, 149), QRect(74, 52, 148, 104)},
        {corners(299, 149, 100, 50), QRect(74, 52, 148, 104)}, // inverted: its normalised rectangle
        {corners(1650, 900, 1724, 981), corners(1224, 938, 1279, 1023)},
        {corners(1700, 950, 2400, 1500), corners(1261, 991, 1279, 1023)},
        {corners(-300, -300, -100, -100), QRect()},
    };
    for (const Case& c : cases) {
        ClustomRect r;
        r.viewRect = c.view;
        r.setImageRect();
        EXPECT_EQ(r.imageRect, c.image) << c.view.x() << "," << c.view.y();
        const cv::Mat m = r.UpdateMask();
        EXPECT_EQ(m.cols, c.image.width());
        EXPECT_EQ(m.rows, c.image.height());
        if (!m.empty()) {
            EXPECT_EQ(cv::countNonZero(m), int(m.total()));
        }
    }
}

TEST_F(Shapes, RingMaskAndImageGeometry)
{
    Circle c;
    EXPECT_EQ(c.viewRect, QRect());
    c.setImageRect();
    EXPECT_TRUE(c.UpdateMask().empty());

    c.centreX = 200;
    c.centreY = 150;
    c.radius = 40;
    c.innerRadius = 0;
    c.UpdateRect();
    EXPECT_EQ(c.viewRect, QRect(160, 110, 80, 80));
    c.setImageRect();
    cv::Mat disc = c.UpdateMask();
    ASSERT_EQ(disc.size(), cv::Size(80, 80));
    EXPECT_EQ(disc.at<uchar>(40, 40), 255);
    EXPECT_EQ(disc.at<uchar>(40, 0), 0); // d = r: outside
    EXPECT_EQ(disc.at<uchar>(40, 1), 255);
    EXPECT_EQ(disc.at<uchar>(0, 0), 0);

    c.innerRadius = 15;
    c.setImageRect();
    cv::Mat ring = c.UpdateMask();
    EXPECT_EQ(ring.at<uchar>(40, 40), 0);
    EXPECT_EQ(ring.at<uchar>(40, 25), 255); // d = 15: on the inner edge, inside the ring
    EXPECT_EQ(ring.at<uchar>(40, 26), 0);

    c.innerRadius = 90;
    c.UpdateRect();
    EXPECT_EQ(c.innerRadius, 40);
    c.setImageRect();
    EXPECT_EQ(cv::countNonZero(c.UpdateMask()), 0);

    // Scales differ: the radius takes their mean, the centre is truncated.
    SetImageGeometry(1280, 1024, false);
    Circle s;
    s.centreX = 301;
    s.centreY = 200;
    s.radius = 50;
    s.UpdateRect();
    s.setImageRect();
    EXPECT_EQ(s.imageCentreX, 223); // 301 / 1.3477 = 223.3
    EXPECT_EQ(s.imageCentreY, 208); // 200 / 0.9590 = 208.6
    EXPECT_EQ(s.imageRadius, 45);   // (37.10 + 52.14) / 2 = 44.6
}

TEST_F(Shapes, RingOverTheImageBorderIsCutWithItsMask)
{
    SetImageGeometry(1280, 1024, false);
    Circle c;
    c.centreX = 1720;
    c.centreY = 20;
    c.radius = 200;
    c.innerRadius = 50;
    c.UpdateRect();
    c.setImageRect();
    const QRect box = c.imageRect;
    EXPECT_EQ(box.right(), 1279);
    EXPECT_EQ(box.top(), 0);
    const cv::Mat m = c.UpdateMask();
    ASSERT_EQ(m.cols, box.width());
    ASSERT_EQ(m.rows, box.height());
    // Each mask pixel is the ring at its image position.
    for (int i = 0; i < m.rows; i += 7)
        for (int j = 0; j < m.cols; j += 5) {
            const long dx = box.left() + j - c.imageCentreX, dy = box.top() + i - c.imageCentreY;
            const long d2 = dx * dx + dy * dy;
            const bool in = d2 >= long(c.imageInnerRadius) * c.imageInnerRadius &&
                            d2 < long(c.imageRadius) * c.imageRadius;
            ASSERT_EQ(m.at<uchar>(i, j), in ? 255 : 0) << i << "," << j;
        }

    // A stored radius of 65535 covers the image, not 131070^2 bytes.
    Circle huge;
    huge.centreX = 800;
    huge.centreY = 500;
    huge.radius = 65535;
    huge.UpdateRect();
    huge.setImageRect();
    EXPECT_EQ(huge.imageRect, QRect(0, 0, 1280, 1024));
    EXPECT_EQ(cv::countNonZero(huge.UpdateMask()), 1280 * 1024);
}

// The polygon mask is the strict inside test (outline excluded, even-odd).
TEST_F(Shapes, PolygonMaskIsTheStrictInsideTest)
{
    cv::RNG rng(17);
    for (int trial = 0; trial < 30; ++trial) {
        const int n = rng.uniform(3, 12);
        std::vector<QPoint> pts;
        std::vector<cv::Point> cvp;
        for (int i = 0; i < n; ++i) {
            // Coarse coordinates make collinear and on-edge pixels frequent.
            const QPoint p(100 + 5 * rng.uniform(0, 20), 100 + 5 * rng.uniform(0, 16));
            pts.push_back(p);
            cvp.emplace_back(p.x(), p.y());
        }
        RePolygon poly;
        poly.SetPoints(pts);
        poly.setImageRect();
        const cv::Mat m = poly.UpdateMask();
        const QRect b = poly.imageRect;
        ASSERT_EQ(m.cols, b.width());
        ASSERT_EQ(m.rows, b.height());
        for (int y = 95; y < 190; ++y)
            for (int x = 95; x < 210; ++x) {
                const bool inside = cv::pointPolygonTest(cvp, cv::Point2f(float(x), float(y)), false) > 0;
                const bool inBox = b.contains(x, y);
                ASSERT_TRUE(inBox || !inside) << "inside pixel outside the box " << x << "," << y;
                if (inBox) {
                    ASSERT_EQ(m.at<uchar>(y - b.top(), x - b.left()) != 0, inside)
                        << "trial " << trial << " at " << x << "," << y;
                }
            }
    }

    RePolygon one;
    const QPoint p(50, 60);
    one = RePolygon(1, &p);
    one.setImageRect();
    EXPECT_EQ(one.imageRect.width(), 0);
    EXPECT_TRUE(one.UpdateMask().empty());
    EXPECT_EQ(one.viewRect, corners(30, 40, 49, 59));
}

TEST_F(Shapes, PolygonVertexDragStaysInsideTheArea)
{
    const QPoint pts[] = {{10, 10}, {100, 10}, {100, 100}};
    RePolygon poly(3, pts);
    poly.setImageRect();
    struct Case {
        QPoint to;
        QPoint result;
    } cases[] = {
        {{2, 50}, {100, 10}},          // x = 2 refused
        {{3, 50}, {3, 50}},
        {{1725 - 2, 50}, {3, 50}},     // gShowW - 2 refused
        {{1725 - 3, 979}, {1722, 979}},
    };
    for (const Case& c : cases) {
        poly.Resize(1, poly.viewPoints[1], c.to, 1.0f, 1.0f);
        EXPECT_EQ(poly.viewPoints[1], c.result);
        EXPECT_EQ(poly.imagePoints[1], c.result);
    }
    EXPECT_LT(sizeof(RePolygon), 200u) << "no fixed vertex arrays";
}

TEST_F(Shapes, HandleHitTests)
{
    ClustomRect r;
    r.viewRect = corners(100, 100, 299, 199);
    int h = 9;
    EXPECT_FALSE(r.PtInCtrl(QPoint(100, 100), &h));
    EXPECT_EQ(h, -1);
    r.SetSelected(true);
    struct Hit {
        QPoint p;
        int handle;
    };
    for (const Hit& c : {Hit{{105, 95}, 0}, Hit{{290, 110}, 2}, Hit{{85, 210}, 5}, Hit{{300, 200}, 7},
                         Hit{{140, 150}, 3}, Hit{{260, 150}, 4}, Hit{{200, 120}, 1}, Hit{{200, 180}, 6},
                         Hit{{200, 150}, -1}}) {
        EXPECT_EQ(r.PtInCtrl(c.p, &h), c.handle >= 0);
        EXPECT_EQ(h, c.handle) << c.p.x() << "," << c.p.y();
    }
    EXPECT_TRUE(r.Contains(QPoint(81, 81)));
    EXPECT_FALSE(r.Contains(QPoint(79, 150)));

    Circle c;
    c.centreX = 500;
    c.centreY = 400;
    c.radius = 100;
    c.UpdateRect();
    c.SetSelected(true);
    for (const Hit& t : {Hit{{500, 500}, 1}, Hit{{510, 300}, 6}, Hit{{600, 410}, 4}, Hit{{400, 390}, 3},
                         Hit{{430, 470}, 0}, Hit{{430, 330}, 5}, Hit{{570, 470}, 2}, Hit{{570, 330}, 7},
                         Hit{{500, 400}, -1}, Hit{{500, 530}, -1}}) {
        EXPECT_EQ(c.PtInCtrl(t.p, &h), t.handle >= 0);
        EXPECT_EQ(h, t.handle) << t.p.x() << "," << t.p.y();
    }
    c.Resize(0, QPoint(), QPoint(500, 460));
    EXPECT_EQ(c.radius, 60);
    EXPECT_EQ(c.viewRect, QRect(440, 340, 120, 120));

    const QPoint pts[] = {{10, 10}, {300, 10}, {300, 300}, {10, 300}};
    RePolygon poly(4, pts);
    poly.setImageRect();
    poly.SetSelected(true);
    EXPECT_TRUE(poly.PtInCtrl(QPoint(295, 305), &h));
    EXPECT_EQ(h, 2);
    EXPECT_TRUE(poly.Contains(QPoint(150, 150)));
    EXPECT_FALSE(poly.Contains(QPoint(300, 150)));
}

TEST_F(Shapes, RectangleResizeMovesTheNamedEdges)
{
    struct Case {
        int handle;
        QRect result;
        int lastDx, lastDy;
    } cases[] = {
        {0, corners(105, 97, 200, 200), 5, -3}, {1, corners(100, 97, 200, 200), 0, -3},
        {4, corners(100, 100, 205, 200), 5, 0}, {7, corners(100, 100, 205, 197), 5, -3},
        {9, corners(100, 100, 200, 200), 0, 0},
    };
    for (const Case& c : cases) {
        ClustomRect r;
        r.viewRect = corners(100, 100, 200, 200);
        r.Resize(c.handle, QPoint(10, 10), QPoint(15, 7));
        EXPECT_EQ(r.viewRect, c.result) << c.handle;
        EXPECT_EQ(r.lastDx, c.lastDx);
        EXPECT_EQ(r.lastDy, c.lastDy);
    }
}

TEST_F(Shapes, DrawingUsesTheSelectionColourAndAYellowInnerCircle)
{
    QImage img(400, 300, QImage::Format_RGB32);
    img.fill(Qt::black);
    QPainter p(&img);
    p.setPen(QPen(Qt::green));
    ClustomRect r;
    r.viewRect = corners(20, 20, 120, 100);
    r.Draw(p);
    Circle c;
    c.centreX = 250;
    c.centreY = 150;
    c.radius = 80;
    c.innerRadius = 30;
    c.UpdateRect();
    c.SetSelected(true);
    c.Draw(p);
    p.end();
    EXPECT_EQ(img.pixel(20, 60), QColor(Qt::green).rgb()) << "unselected keeps the painter's colour";
    EXPECT_EQ(img.pixel(21, 60), QColor(Qt::green).rgb()) << "three pixels wide";
    EXPECT_EQ(img.pixel(170, 150), QColor(Qt::magenta).rgb());
    EXPECT_EQ(img.pixel(220, 150), QColor(Qt::yellow).rgb());
}
