// The real main window started without cameras: the demonstration set-up
// with its two views showing the shipped pictures, and a screenshot of the
// whole window for a person to look at.
#include "viewfixture.h"

#include "cameradriver/cameraglobals.h"
#include "platform/cameras/simcamera.h"
#include "monitor/mainwindow.h"
#include "params/geometry.h"
#include "params/lanstr.h"

#include <QApplication>
#include <QFile>
#include <QImage>
#include <QTest>

using StartUp = WindowTest;

TEST_F(StartUp, WithoutCamerasTwoDemonstrationViewsShowTheirPictures)
{
    start();
    EXPECT_EQ(gCameraID, kCameraNone);
    EXPECT_EQ(numCamera, 2);
    EXPECT_EQ(window->selectedCamera, 2) << "both views are shown";
    EXPECT_EQ(window->usedView(0), window->cameraViews[0]);
    EXPECT_EQ(window->usedView(1), window->cameraViews[1]);
    EXPECT_EQ(window->usedView(2), nullptr) << "the other views that count as open stay out of use";
    EXPECT_EQ(gShowW, 1725);
    EXPECT_EQ(gShowH, 982);
    EXPECT_EQ(QSize(gImageW, gImageH), QSize(1920, 1080));
    EXPECT_EQ(boxes.filter(LanStr(134)).size(), 1) << "the no-camera question";
    EXPECT_TRUE(records().contains(LanStr(150).arg(2)));

    for (int i = 0; i < 8; ++i) {
        CammerWidget* v = window->cameraViews[i];
        ASSERT_NE(v, nullptr);
        EXPECT_EQ(v->cameraIndex, i);
        EXPECT_EQ(v->isHidden(), i >= 2) << i;
    }
    EXPECT_EQ(window->cameraViews[0]->geometry(), QRect(0, 0, 862, 982));
    EXPECT_EQ(window->cameraViews[1]->geometry(), QRect(862, 0, 862, 982));
    EXPECT_FLOAT_EQ(window->viewScaleX, 862.0f / 1725);

    for (int i = 0; i < 2; ++i) {
        const QImage pic = QImage(QStringLiteral("cammer15/template%1.bmp").arg(i)).convertToFormat(QImage::Format_Grayscale8);
        CammerWidget* v = window->cameraViews[i];
        for (QPoint p : {QPoint(600, 330), QPoint(10, 10), QPoint(1900, 1000)}) {
            const uchar grey = pic.constScanLine(p.y())[p.x()];
            const size_t at = size_t(p.y()) * 1920 + size_t(p.x());
            EXPECT_EQ(v->showImage.data[at], grey) << i;
            EXPECT_EQ(v->curImage.data[at], grey) << i;
            EXPECT_EQ((*v->recvImage)[at], grey) << i;
        }
    }
    // The two pictures differ (a mold with parts, and emptied).
    EXPECT_GT(cv::norm(window->cameraViews[0]->showImage, window->cameraViews[1]->showImage, cv::NORM_INF), 0);

    // The running cycle keeps showing them (no frames arrive without cameras).
    window->show();
    QTest::qWait(300);
    for (int i = 0; i < 2; ++i) {
        const QImage pic = QImage(QStringLiteral("cammer15/template%1.bmp").arg(i)).convertToFormat(QImage::Format_Grayscale8);
        EXPECT_EQ(window->cameraViews[i]->showImage.data[size_t(330) * 1920 + 600], pic.constScanLine(330)[600]) << i;
    }
    const QImage shot = window->grab().toImage();
    EXPECT_EQ(shot.size(), QSize(1920, 1080));
    shoot("mainwindow-demo", shot);
    // The first view paints its picture (a cap in the top-left cavity).
    const QImage view0 = window->cameraViews[0]->grab().toImage();
    const QImage pic0 = QImage("cammer15/template0.bmp").convertToFormat(QImage::Format_Grayscale8);
    const QPoint p(600, 330);
    const int grey = pic0.constScanLine(p.y())[p.x()];
    EXPECT_EQ(view0.pixelColor(int(p.x() * 862.0 / 1920), int(p.y() * 982.0 / 1080)), QColor(grey, grey, grey));
}

TEST_F(StartUp, MissingDemonstrationPicturesLeaveTheViewsDark)
{
    QFile::remove("cammer15/template0.bmp");
    QFile::remove("cammer15/template1.bmp");
    start();
    EXPECT_EQ(numCamera, 2);
    for (int i = 0; i < 2; ++i) {
        const cv::Mat& img = window->cameraViews[i]->showImage;
        EXPECT_FALSE(img.empty()) << i;
        EXPECT_EQ(cv::countNonZero(img.reshape(1)), 0) << i;
    }
}

TEST_F(StartUp, WithMindVisionCamerasTheLibraryVersionIsRecorded)
{
    // The library's own version text is recorded after the ready record.
    camsdk::SimSpec spec;
    spec.serial = "MV-STARTUP-1";
    spec.sensorWidth = 320;
    spec.sensorHeight = 240;
    camsdk::simBus(camsdk::Vendor::MindVision).add(spec);
    camsdk::simBus(camsdk::Vendor::MindVision).setVersion("2.1.0.43");
    start();
    EXPECT_EQ(gCameraID, kCameraMind);
    const QStringList recs = records();
    const int ready = recs.indexOf(LanStr(150).arg(1));
    ASSERT_GE(ready, 0);
    ASSERT_GT(recs.size(), ready + 1);
    EXPECT_EQ(recs[ready + 1], "2.1.0.43");
    delete window;
    window = nullptr;
    camsdk::resetSimulators();
}
