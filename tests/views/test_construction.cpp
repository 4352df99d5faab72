// Making the camera views: complete views and shells, with and without a
// camera back-end, their buffers, tools and blink timer.
#include "viewfixture.h"

#include "cameradriver/cameraglobals.h"
#include "cameradriver/checkcamera.h"
#include "editor/roioperation.h"
#include "params/geometry.h"
#include "platform/cameras/simcamera.h"

#include <QDir>
#include <QImage>
#include <QPushButton>
#include <QTimer>

using camsdk::Vendor;

namespace {

class Construction : public ViewTest {
protected:
    // n simulated Daheng cameras of 640 x 480, probed as at start-up.
    void dahengCameras(int n, bool colour = false)
    {
        for (int i = 0; i < n; ++i) {
            camsdk::SimSpec s;
            s.serial = QByteArray("SERIAL-0") + QByteArray::number(i);
            s.sensorWidth = 640;
            s.sensorHeight = 480;
            s.colour = colour;
            camsdk::simBus(Vendor::Daheng).add(s);
        }
        CheckCameraID();
        ASSERT_EQ(gCameraID, kCameraDaheng);
        SetImageGeometry(gImageW, gImageH, colour);
    }
};

} // namespace

TEST_F(Construction, WithoutBackendTheFirstFourSlotsCountAsOpen)
{
    for (int slot = 0; slot < 6; ++slot)
        makeView(slot);
    EXPECT_EQ(numCamera, 4);
    for (int slot = 0; slot < 6; ++slot) {
        CammerWidget* v = views[size_t(slot)].get();
        EXPECT_EQ(v->cameraIndex, slot);
        EXPECT_EQ(v->isComplete(), slot < 4) << slot;
        EXPECT_EQ(v->curImage.empty(), slot >= 4) << slot;
        EXPECT_EQ(v->recong != nullptr, slot < 4) << slot;
        // A slot whose camera opened has its frame buffers; a shell has none.
        const size_t frame = slot < 4 ? size_t(gColorLen) : 0u;
        EXPECT_EQ(v->showImage.size(), frame) << slot;
        EXPECT_EQ(v->showQImage.size(), slot < 4 ? QSize(gImageW, gImageH) : QSize(0, 0)) << slot;
        EXPECT_EQ(v->recvImage.size(), frame) << slot;
        EXPECT_FALSE(v->isVisible()) << "the main window lays the views out";
        EXPECT_EQ(v->blinkTimer != nullptr, slot < 4);
    }
    // The views made their template and ignore-point buffers (synthetic
    // template 0 without files).
    EXPECT_EQ(views[0]->templateCount[0], 1);
    EXPECT_EQ(views[0]->ignoreMask[1].rows, gImageH);
}

TEST_F(Construction, CamerasOpenInTheirSlotsAndAMissingOneLeavesAShell)
{
    dahengCameras(3);
    for (int slot = 0; slot < 4; ++slot)
        makeView(slot);
    EXPECT_EQ(numCamera, 3);
    EXPECT_TRUE(views[2]->isOpen());
    EXPECT_TRUE(views[2]->isComplete());
    EXPECT_FALSE(views[3]->isOpen());
    EXPECT_FALSE(views[3]->isComplete()) << "slot 3 without a camera stays a shell";
    EXPECT_TRUE(views[3]->curImage.empty());
}

TEST_F(Construction, SlotZeroIsCompleteEvenWithoutItsCamera)
{
    dahengCameras(1);
    for (const camsdk::SimCameraPtr& c : camsdk::simBus(Vendor::Daheng).all())
        c->setVanished(true); // found by the probe, gone when the view opens it
    CammerWidget* v = makeView(0);
    EXPECT_FALSE(v->isOpen());
    EXPECT_EQ(numCamera, 0);
    EXPECT_TRUE(v->isComplete());
    EXPECT_NE(v->recong, nullptr);
    EXPECT_FALSE(v->curImage.empty());
}

TEST_F(Construction, ColourBuffersOnlyWithTheColourSetting)
{
    CammerWidget* mono = makeView(0);
    EXPECT_TRUE(mono->grayImage.empty());
    EXPECT_EQ(mono->recvImage.size(), size_t(gImageLen));
    EXPECT_EQ(gColorLen, gImageLen);
    EXPECT_EQ(mono->showImage.size(), size_t(gImageLen));

    SetImageGeometry(gImageW, gImageH, true);
    CammerWidget* colour = makeView(1);
    EXPECT_EQ(colour->grayImage.total(), size_t(gImageLen));
    EXPECT_EQ(colour->recvImage.size(), size_t(gImageLen) * 4);
    EXPECT_EQ(colour->showImage.size(), size_t(gImageLen) * 4);
}

TEST_F(Construction, ToolBits)
{
    CammerWidget* v = makeView(0);
    v->show();
    struct Case {
        int bits;
        bool buttons;
        bool toolbar;
    } cases[] = {{0, false, false}, {1, true, false}, {2, false, true}, {3, true, true}};
    for (const Case& c : cases) {
        v->ShowHideTool(c.bits);
        EXPECT_EQ(v->previousTemplateButton->isVisible(), c.buttons) << c.bits;
        EXPECT_EQ(v->nextTemplateButton->isVisible(), c.buttons) << c.bits;
        EXPECT_EQ(v->drawingBar->isVisible(), c.toolbar) << c.bits;
    }
    EXPECT_EQ(v->previousTemplateButton->pos(), QPoint(40, 400));
    EXPECT_EQ(v->nextTemplateButton->pos(), QPoint(1600, 400));
    EXPECT_TRUE(v->previousTemplateButton->autoRepeat());
    EXPECT_EQ(v->drawingBar->pos(), QPoint(950, 850));
}

TEST_F(Construction, BlinkRunsWhileNGAndStopsAtTheFirstTickAfterOK)
{
    CammerWidget* v = makeView(0);
    v->allOK = false;
    v->blinkTimer->start(1000);
    v->TimerShowAlarm();
    EXPECT_EQ(v->blinkPhase, 1);
    v->TimerShowAlarm();
    EXPECT_EQ(v->blinkPhase, 0);
    v->TimerShowAlarm();
    EXPECT_EQ(v->blinkPhase, 1);
    EXPECT_TRUE(v->blinkTimer->isActive());
    v->allOK = true;
    v->TimerShowAlarm();
    EXPECT_EQ(v->blinkPhase, 0);
    EXPECT_FALSE(v->blinkTimer->isActive());
}

TEST_F(Construction, AStoredPictureOfTheWorkingSizeBecomesTheNewestFrame)
{
    CammerWidget* v = makeView(0);
    QImage pic(gImageW, gImageH, QImage::Format_Grayscale8);
    for (int y = 0; y < gImageH; ++y)
        for (int x = 0; x < gImageW; ++x)
            pic.scanLine(y)[x] = uchar(x ^ y);
    ASSERT_TRUE(pic.save("picture.bmp"));
    ASSERT_TRUE(v->LoadFrame("picture.bmp"));
    const size_t at = size_t(7 * gImageW + 300);
    const uchar expected = uchar(300 ^ 7);
    EXPECT_EQ(v->showImage[at], expected);
    EXPECT_EQ(v->curImage.data[at], expected);
    EXPECT_EQ(v->recvImage[at], expected) << "the frame hand-off copies it too";

    QImage other(gImageW + 1, gImageH, QImage::Format_Grayscale8);
    other.fill(9);
    ASSERT_TRUE(other.save("other.bmp"));
    EXPECT_FALSE(v->LoadFrame("other.bmp"));
    EXPECT_FALSE(v->LoadFrame("missing.bmp"));
    EXPECT_EQ(v->showImage[at], expected);
}

// The demonstration pictures shipped for the program folder have the
// working size of a run without cameras, as the replay requires.
TEST_F(Construction, ShippedDemonstrationPicturesHaveTheNoCameraSize)
{
    for (int i = 0; i < 2; ++i) {
        const QImage img(testenv::sourceDir() + QStringLiteral("/resources/programdir/cammer15/template%1.bmp").arg(i));
        ASSERT_FALSE(img.isNull()) << i;
        EXPECT_EQ(img.size(), QSize(1920, 1080));
        EXPECT_EQ(img.depth(), 8) << "grey, as a mono camera delivers";
    }
}
