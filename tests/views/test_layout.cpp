// The display area of the real main window: the grid of the split view for
// one to eight cameras, the view shown alone, the zoom tools and the zoom
// and pan arithmetic.
#include "viewfixture.h"

#include "cameradriver/cameraglobals.h"
#include "editor/roioperation.h"
#include "monitor/imagecontainer.h"
#include "monitor/mainviewhost.h"
#include "monitor/mainwindow.h"
#include "monitor/placeholders.h"
#include "params/geometry.h"

#include <QCoreApplication>
#include <QMouseEvent>
#include <QPushButton>
#include <QTimer>
#include <cmath>

namespace {

class Layout : public WindowTest {
protected:
    void SetUp() override
    {
        WindowTest::SetUp();
        start();
    }
    // Lays out n cameras (slots 0 to n - 1) in the split view.
    void split(int n)
    {
        QVector<int> inUse;
        for (int c = 0; c < n; ++c)
            inUse << c;
        setCameraSlots(inUse);
        window->selectedCamera = n;
        window->ChangeCammer();
    }
    QWidget* pad() const { return window->optionBar->finetuningPad(); }
};

} // namespace

TEST_F(Layout, SplitViewGridForEveryCameraCount)
{
    const int w = 1725, h = 982;
    struct Case {
        int cameras;
        int columns;
        int cellW;
        int cellH;
    } cases[] = {{2, 2, 862, 982}, {3, 2, 862, 491}, {4, 2, 862, 491}, {5, 3, 576, 491},
                 {6, 3, 576, 491}, {7, 4, 431, 491}, {8, 4, 431, 491}};
    for (const Case& c : cases) {
        for (CammerWidget* v : window->cameraViews)
            v->hide();
        split(c.cameras);
        EXPECT_EQ(window->selectedCamera, c.cameras);
        for (int i = 0; i < 8; ++i) {
            CammerWidget* v = window->cameraViews[i];
            if (i < c.cameras) {
                EXPECT_EQ(v->geometry(), QRect((i % c.columns) * c.cellW, (i / c.columns) * c.cellH, c.cellW, c.cellH))
                    << c.cameras << " cameras, view " << i;
                EXPECT_FALSE(v->isHidden());
            } else {
                EXPECT_TRUE(v->isHidden()) << "view " << i << " is not laid out with " << c.cameras;
            }
        }
        EXPECT_FLOAT_EQ(window->viewScaleX, float(c.cellW) / w) << c.cameras;
        EXPECT_FLOAT_EQ(window->viewScaleY, float(c.cellH) / h) << c.cameras;
        EXPECT_FLOAT_EQ(window->viewPixelScaleX, float(c.cellW) / gImageW) << c.cameras;
        EXPECT_FLOAT_EQ(window->viewPixelScaleY, float(c.cellH) / gImageH) << c.cameras;
        EXPECT_EQ(window->zoomToolState, 0);
        EXPECT_TRUE(window->zoomInButton->isHidden());
    }
    // Five cameras: the third column reaches two pixels past the area, and
    // the bottom row's third cell stays empty.
    split(5);
    EXPECT_EQ(window->cameraViews[2]->geometry().right(), 1727);
    EXPECT_EQ(window->cameraViews[4]->geometry(), QRect(576, 491, 576, 491));
}

TEST_F(Layout, OneCameraIsAlwaysShownAloneWithTheScalesKept)
{
    window->viewScaleX = 0.25f;
    window->viewPixelScaleX = 0.5f;
    setCameraSlots({0});
    window->selectedCamera = 1;
    window->ChangeCammer();
    EXPECT_EQ(window->selectedCamera, 0);
    EXPECT_EQ(window->cameraViews[0]->geometry(), QRect(0, 0, 1725, 982));
    EXPECT_FLOAT_EQ(window->viewScaleX, 0.25f);
    EXPECT_FLOAT_EQ(window->viewPixelScaleX, 0.5f);
    EXPECT_EQ(window->zoomToolState, 1);
    EXPECT_FALSE(window->zoomInButton->isHidden());
    EXPECT_EQ(window->zoomInButton->parentWidget(), window->cameraViews[0]);
}

TEST_F(Layout, ASelectedCameraFillsTheAreaWithItsToolsOnIt)
{
    split(3);
    window->selectedCamera = 1;
    window->ChangeCammer();
    CammerWidget* chosen = window->cameraViews[1];
    EXPECT_EQ(chosen->geometry(), QRect(0, 0, 1725, 982));
    EXPECT_TRUE(window->cameraViews[0]->isHidden());
    EXPECT_TRUE(window->cameraViews[2]->isHidden());
    EXPECT_FALSE(chosen->previousTemplateButton->isHidden()) << "the view shown alone offers its template buttons";
    EXPECT_TRUE(chosen->drawingBar->isHidden());
    EXPECT_FLOAT_EQ(window->viewScaleX, 1.0f);
    EXPECT_FLOAT_EQ(window->viewPixelScaleX, float(gShowAW));
    EXPECT_EQ(window->zoomToolState, 1);
    for (QWidget* t : {static_cast<QWidget*>(window->zoomInButton), static_cast<QWidget*>(window->zoomOutButton), pad()})
        EXPECT_EQ(t->parentWidget(), chosen);
    EXPECT_FALSE(window->zoomInButton->isHidden());
    EXPECT_TRUE(window->zoomOutButton->isHidden());
    EXPECT_TRUE(pad()->isHidden());
    EXPECT_EQ(window->zoomInButton->pos(), QPoint(1725 - 60, 982 - 140));
    EXPECT_EQ(window->zoomOutButton->pos(), QPoint(1725 - 155, 982 - 140));
    EXPECT_EQ(pad()->pos(), QPoint(1725 - 165, 982 - 300));

    // Back to the split view: the template buttons go, the tools are hidden.
    window->selectedCamera = 3;
    window->ChangeCammer();
    EXPECT_TRUE(chosen->previousTemplateButton->isHidden());
    EXPECT_TRUE(window->zoomInButton->isHidden());
}

TEST_F(Layout, EightCamerasNeverReachANinthView)
{
    split(8);
    EXPECT_EQ(window->selectedCamera, 8);
    for (QWidget* t : {static_cast<QWidget*>(window->zoomInButton), static_cast<QWidget*>(window->zoomOutButton), pad()}) {
        EXPECT_EQ(t->parentWidget(), window->imageContainer);
        EXPECT_TRUE(t->isHidden());
    }
    // A choice past the opened cameras is the split view too.
    window->selectedCamera = 11;
    window->ChangeCammer();
    EXPECT_EQ(window->selectedCamera, 8);
    window->MShowHide(1);
    EXPECT_EQ(window->zoomInButton->parentWidget(), window->imageContainer);
    EXPECT_EQ(window->usedView(8), nullptr);
    EXPECT_EQ(MainViewHost::instance().state(7).selectedCamera, -1) << "the views see the split view";
}

TEST_F(Layout, CamerasPastAFailedSlotAreLaidOutAndChosenByTheirSlots)
{
    // Slot 1's camera failed and slot 2's opened (without a back-end the
    // first four views are complete, so view 2 can stand for it).
    CammerWidget* failed = window->cameraViews[1];
    CammerWidget* opened = window->cameraViews[2];
    ASSERT_TRUE(opened->isComplete());
    failed->hide();
    failed->setGeometry(7, 7, 70, 70);
    setCameraSlots({0, 2});
    window->selectedCamera = 2;
    window->ChangeCammer();
    EXPECT_EQ(window->selectedCamera, 2);
    EXPECT_EQ(window->cameraViews[0]->geometry(), QRect(0, 0, 862, 982));
    EXPECT_EQ(opened->geometry(), QRect(862, 0, 862, 982));
    EXPECT_FALSE(opened->isHidden());
    EXPECT_TRUE(failed->isHidden());
    EXPECT_EQ(failed->geometry(), QRect(7, 7, 70, 70)) << "never laid out";

    auto press = [](CammerWidget* v) {
        QMouseEvent e(QEvent::MouseButtonPress, QPoint(100, 100), Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(v, &e);
    };
    press(failed);
    EXPECT_EQ(window->selectedCamera, 2) << "a view without a camera chooses nothing";

    // The press on view 2 shows the camera of slot 2 alone.
    press(opened);
    EXPECT_EQ(window->selectedCamera, 1) << "the second camera in use";
    EXPECT_EQ(opened->geometry(), QRect(0, 0, 1725, 982));
    EXPECT_TRUE(window->cameraViews[0]->isHidden());
    EXPECT_TRUE(failed->isHidden());
    EXPECT_EQ(window->zoomInButton->parentWidget(), opened);
    EXPECT_EQ(MainViewHost::instance().state(2).selectedCamera, 2) << "the views see the slot";

    // Back to the split view through the host with a slot out of use.
    MainViewHost::instance().selectCamera(1);
    EXPECT_EQ(window->selectedCamera, 2);
    EXPECT_EQ(opened->geometry(), QRect(862, 0, 862, 982));
}

TEST_F(Layout, ZoomStepsAndLimits)
{
    split(2);
    window->selectedCamera = 0;
    window->ChangeCammer();
    window->cursorImageX = 0;
    window->cursorImageY = 0;
    for (int i = 0; i < 19; ++i)
        window->MScale(1);
    EXPECT_NEAR(window->zoomFactor, std::pow(1.2, 19), 1e-9);
    EXPECT_LT(window->zoomFactor, 32);
    window->MScale(1);
    EXPECT_EQ(window->zoomFactor, 32);
    window->MScale(1);
    EXPECT_EQ(window->zoomFactor, 32);

    // From 1.2 one step out gives 1 and no pan; a result of 1.1 or more stands.
    window->zoomFactor = 1.2;
    window->panX = 7;
    window->panY = 9;
    window->MScale(-1);
    EXPECT_EQ(window->zoomFactor, 1);
    EXPECT_EQ(window->panX, 0);
    EXPECT_EQ(window->panY, 0);
    window->zoomFactor = 1.1 * 1.2 + 1e-12;
    window->MScale(-1);
    EXPECT_NEAR(window->zoomFactor, 1.1, 1e-9);

    // The anchor: the pan keeps the anchor's place, relative to the zoom.
    window->zoomFactor = 2;
    window->panX = -100;
    window->panY = -40;
    window->cursorImageX = 300;
    window->cursorImageY = 200;
    window->MScale(1);
    EXPECT_DOUBLE_EQ(window->zoomFactor, 2.4);
    EXPECT_NEAR(window->panX, 300 - 200 * 2.4, 1e-4); // (300 + 100) / 2 = 200
    EXPECT_NEAR(window->panY, 200 - 120 * 2.4, 1e-4); // (200 + 40) / 2 = 120

    window->MRecovery();
    EXPECT_EQ(window->zoomFactor, 1);
    EXPECT_EQ(window->panX, 0);
}

TEST_F(Layout, PanStepsOnlyWhileZoomed)
{
    split(2);
    window->selectedCamera = 1;
    window->ChangeCammer();
    window->SlotMoveR();
    window->SlotMoveB();
    EXPECT_EQ(window->panX, 0);
    EXPECT_EQ(window->panY, 0);
    window->zoomFactor = 2;
    window->SlotMoveL();
    window->SlotMoveL();
    EXPECT_EQ(window->panX, -4);
    window->SlotMoveT();
    EXPECT_EQ(window->panY, -2);
    EXPECT_TRUE(window->zoomToolTimer->isActive());
    EXPECT_EQ(window->zoomToolTimer->interval(), 30000);

    // A relayout ends zoom and pan.
    window->selectedCamera = 2;
    window->ChangeCammer();
    EXPECT_EQ(window->zoomFactor, 1);
    EXPECT_EQ(window->panX, 0);
    EXPECT_EQ(window->panY, 0);
}

TEST_F(Layout, ZoomInOpensTheToolsFirstAndTheyFoldAfterTheirTimer)
{
    split(2);
    window->selectedCamera = 0;
    window->ChangeCammer();
    ASSERT_EQ(window->zoomToolState, 1);
    window->zoomInButton->click();
    EXPECT_EQ(window->zoomToolState, 2);
    EXPECT_EQ(window->zoomFactor, 1) << "the first press only brings out the tools";
    EXPECT_FALSE(window->zoomOutButton->isHidden());
    EXPECT_FALSE(pad()->isHidden());
    EXPECT_TRUE(window->zoomToolTimer->isActive());
    window->zoomInButton->click();
    EXPECT_DOUBLE_EQ(window->zoomFactor, 1.2);
    window->zoomOutButton->click();
    EXPECT_EQ(window->zoomFactor, 1);

    window->MTimerScale();
    EXPECT_FALSE(window->zoomToolTimer->isActive());
    EXPECT_EQ(window->zoomToolState, 1);
    EXPECT_FALSE(window->zoomInButton->isHidden());
    EXPECT_TRUE(window->zoomOutButton->isHidden());
    EXPECT_TRUE(pad()->isHidden());

    // Hidden tools (state 0) are not opened by the zoom-in command.
    window->MShowHide(0);
    window->MEnlargeScale();
    EXPECT_EQ(window->zoomToolState, 0);
    EXPECT_EQ(window->zoomFactor, 1);
    EXPECT_TRUE(window->zoomInButton->autoRepeat());
    EXPECT_EQ(window->zoomInButton->autoRepeatDelay(), 300);
    EXPECT_EQ(window->zoomInButton->autoRepeatInterval(), 50);
}

TEST_F(Layout, APressInTheSplitViewShowsThatCameraAlone)
{
    ASSERT_EQ(window->selectedCamera, 2);
    QMouseEvent e(QEvent::MouseButtonPress, QPoint(100, 100), Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(window->cameraViews[1], &e);
    EXPECT_EQ(window->selectedCamera, 1);
    EXPECT_EQ(window->cameraViews[1]->geometry(), QRect(0, 0, 1725, 982));
    EXPECT_TRUE(window->cameraViews[0]->isHidden());
    EXPECT_EQ(window->zoomToolState, 1);

    // A press on the view shown alone marks the zoom anchor.
    QMouseEvent again(QEvent::MouseButtonPress, QPoint(900, 491), Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(window->cameraViews[1], &again);
    EXPECT_EQ(window->cursorImageX, int(900.0f * gImageW / 1725));
    EXPECT_EQ(window->cursorImageY, int(491.0f * gImageH / 982));
    EXPECT_EQ(window->dragLastX, 900);
}
