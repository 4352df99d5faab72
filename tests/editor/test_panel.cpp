// The region panel on a camera view: the method button's cycle, the grey
// bounds of spot regions, values shown but not written, the nudges and their
// limits, the move buttons and the panel's place beside the region.
#include "editorfixture.h"

#include "widgets/basewidgets.h"
#include "widgets/edit.h"
#include "widgets/slider.h"

#include <QLabel>

namespace {

class Panel : public EditingView {
protected:
    void SetUp() override
    {
        EditingView::SetUp();
        para().enable_display_detail = 1;
    }
    // Selects region r as a touch would, and shows its panel.
    void select(int r)
    {
        view->DeselectROI();
        view->selectedRegion = r;
        view->edit.nudgeTarget = 0; // as a new selection by touch
        CammerSingleton& s = edited();
        if (s.shapeType[0][r] == ShapeRect)
            s.rects[0][r].SetSelected(true);
        else if (s.shapeType[0][r] == ShapeRing)
            s.circles[0][r].SetSelected(true);
        else
            s.polygons[0][r].SetSelected(true);
        view->ShowHideROIPara();
    }
    void onlyMethods(std::initializer_list<int32_t WizardPara::*> on)
    {
        for (int32_t WizardPara::*f :
             {&WizardPara::enable_defect_detect, &WizardPara::enable_spot_detect, &WizardPara::enable_ignore_area,
              &WizardPara::enable_manual_edit, &WizardPara::enable_black_area, &WizardPara::enable_white_area,
              &WizardPara::enable_similarity, &WizardPara::enable_white_num, &WizardPara::enable_direction_check})
            para().*f = 0;
        for (int32_t WizardPara::*f : on)
            para().*f = 1;
    }
    int ring(QPoint centre, int radius, int inner)
    {
        CammerSingleton& s = edited();
        const int n = s.roiCount[0]++;
        s.shapeType[0][n] = ShapeRing;
        Circle& c = s.circles[0][n];
        c.centreX = centre.x();
        c.centreY = centre.y();
        c.radius = radius;
        c.innerRadius = inner;
        c.UpdateRect();
        view->editMasks[0][n] = s.UpdateMask(0, n);
        return n;
    }
};

} // namespace

TEST_F(Panel, TheMethodButtonStepsThroughTheEnabledMethodsLoadingTheirParameters)
{
    onlyMethods({&WizardPara::enable_defect_detect, &WizardPara::enable_spot_detect,
                 &WizardPara::enable_white_num});
    const int r = addEditRect(QRect(100, 100, 200, 100));
    select(r);
    RegionPanel* p = panel();
    EXPECT_TRUE(p->funcButton->isVisible());
    EXPECT_EQ(p->funcButton->text(), LanStr(25));

    struct Step {
        int method, minSize, sensibility, maxArea, funcRow;
    };
    const Step cycle[] = {
        {MethodSpot, 50 << 8, 80, 500, 15},
        {MethodWhiteNum, 1, 128, 100, 521},
        {MethodDefect, 5, 25, 100, 25},
        {MethodSpot, 50 << 8, 80, 500, 15},
    };
    const CammerSingleton& s = edited();
    for (const Step& st : cycle) {
        p->funcButton->click();
        EXPECT_EQ(s.algorithm[0][r], st.method);
        EXPECT_EQ(s.min_size[0][r], st.minSize);
        EXPECT_EQ(s.sensibility[0][r], st.sensibility);
        EXPECT_EQ(s.max_area[0][r], st.maxArea);
        EXPECT_EQ(p->funcButton->text(), LanStr(st.funcRow));
    }
    EXPECT_TRUE(p->graySwitchButton->isVisible()) << "spot regions switch their grey bound";

    // One method only: no button, and pressing it anyway changes nothing.
    onlyMethods({&WizardPara::enable_black_area});
    select(r);
    EXPECT_FALSE(p->funcButton->isVisible());
    EXPECT_FALSE(p->funcLabel->isVisible());
    p->SlotChangeFunc();
    EXPECT_EQ(s.algorithm[0][r], MethodBlackArea) << "the only enabled method, with its parameters";
    EXPECT_EQ(s.sensibility[0][r], 50);
}

TEST_F(Panel, TheGreySwitchEditsTheLowOrTheHighByteOfASpotRegion)
{
    const int r = addEditRect(QRect(100, 100, 200, 100), MethodSpot);
    CammerSingleton& s = edited();
    s.min_size[0][r] = (50 << 8) | 0;
    select(r);
    RegionPanel* p = panel();
    Slider* grey = p->minSizeSlider;
    EXPECT_EQ(grey->objectName(), LanStr(10));
    EXPECT_EQ(grey->value(), 0);

    grey->setValue(10); // the operator's input
    EXPECT_EQ(s.min_size[0][r], (50 << 8) | 10);

    p->graySwitchButton->click();
    EXPECT_EQ(grey->objectName(), LanStr(11));
    EXPECT_EQ(grey->value(), 50);
    EXPECT_EQ(s.min_size[0][r], (50 << 8) | 10) << "switching shows, it does not write";
    grey->Add();
    EXPECT_EQ(s.min_size[0][r], (51 << 8) | 10);

    p->graySwitchButton->click();
    EXPECT_EQ(grey->value(), 10);
    grey->setValue(300); // past the byte: the slider keeps it at 255
    EXPECT_EQ(s.min_size[0][r], (51 << 8) | 255);
}

TEST_F(Panel, ShowingARegionNeverWritesItsValues)
{
    const int r = addEditRect(QRect(100, 100, 200, 100));
    CammerSingleton& s = edited();
    s.max_area[0][r] = 5000;   // beyond the defect slider's 0 .. 1000
    s.min_size[0][r] = 0;      // below its 1 .. 10
    s.sensibility[0][r] = 300; // beyond 0 .. 255
    select(r);
    RegionPanel* p = panel();
    EXPECT_EQ(p->maxAreaSlider->value(), 1000);
    EXPECT_EQ(p->minSizeSlider->value(), 1);
    EXPECT_EQ(p->sensibilitySlider->value(), 255);
    EXPECT_EQ(s.max_area[0][r], 5000);
    EXPECT_EQ(s.min_size[0][r], 0);
    EXPECT_EQ(s.sensibility[0][r], 300);

    // Another region and back, and a method change of the other region.
    const int other = addEditRect(QRect(600, 100, 200, 100), MethodSpot);
    select(other);
    select(r);
    EXPECT_EQ(s.max_area[0][r], 5000);

    // The operator's own input is stored.
    p->maxAreaSlider->Sub();
    EXPECT_EQ(s.max_area[0][r], 999);
}

TEST_F(Panel, OutputNumbersAreEditedOnTheProductStepOnly)
{
    para().enable_stop_not_alarm = 1;
    const int r = addEditRect(QRect(100, 100, 200, 100));
    edited().output_point[r] = 2;
    select(r);
    RegionPanel* p = panel();
    EXPECT_TRUE(p->outputCombo->isVisible());
    EXPECT_EQ(p->outputCombo->currentIndex(), 2);
    p->outputCombo->setCurrentIndex(3);
    EXPECT_EQ(edited().output_point[r], 3);

    host.s.editStep = 1;
    edited().roiCount[1] = 1;
    edited().shapeType[1][0] = ShapeRect;
    edited().rects[1][0].viewRect = QRect(100, 100, 200, 100);
    edited().rects[1][0].SetSelected(true);
    view->selectedRegion = 0;
    view->ShowHideROIPara();
    EXPECT_FALSE(p->outputCombo->isVisible());
    p->SlotOutN(1);
    EXPECT_EQ(edited().output_point[0], 3) << "a mold step does not change the shared output numbers";
}

TEST_F(Panel, NudgesNeverTurnARectangleInsideOutOrShrinkARingBelowRadiusOne)
{
    RegionPanel* p = panel();
    CammerSingleton& s = edited();

    // Rectangle 3 x 3 pixels: corner 1 moves right and down until it meets corner 2.
    const int rect = addEditRect(QRect(QPoint(100, 100), QPoint(102, 102)));
    select(rect);
    EXPECT_EQ(p->objectButton->text(), LanStr(30));
    struct Nudge {
        int target, button, presses;
        QRect after;
    };
    const Nudge rectNudges[] = {
        {0, 3, 5, QRect(QPoint(101, 100), QPoint(102, 102))}, // X +1 stops one short of x2
        {0, 2, 5, QRect(QPoint(101, 101), QPoint(102, 102))}, // Y +1 likewise
        {1, 1, 5, QRect(QPoint(101, 101), QPoint(102, 102))}, // corner 2 X -1: refused
        {1, 3, 3, QRect(QPoint(101, 101), QPoint(105, 102))}, // corner 2 X +1 grows
        {0, 1, 200, QRect(QPoint(0, 101), QPoint(105, 102))}, // corner 1 X -1 stops at the edge
    };
    for (const Nudge& n : rectNudges) {
        view->edit.nudgeTarget = n.target;
        for (int i = 0; i < n.presses; ++i)
            p->SlotSize(n.button);
        EXPECT_EQ(s.rects[0][rect].viewRect, n.after) << n.target << " " << n.button;
    }
    EXPECT_EQ(view->editMasks[0][rect].cols, s.rects[0][rect].imageRect.width());

    // Ring: "-10" on the outer radius stops at 1; the inner radius stays within it.
    const int c = ring({500, 400}, 25, 10);
    select(c);
    EXPECT_EQ(p->nudgeButtons[0]->text(), QStringLiteral("+10"));
    EXPECT_EQ(p->objectButton->text(), LanStr(28));
    p->SlotSize(1); // +1 on the inner radius
    EXPECT_EQ(s.circles[0][c].innerRadius, 11);
    p->SlotChangeObject(); // outer radius
    EXPECT_EQ(p->objectButton->text(), LanStr(26));
    for (int i = 0; i < 5; ++i)
        p->SlotSize(3); // -10
    EXPECT_GE(s.circles[0][c].radius, 1);
    EXPECT_EQ(s.circles[0][c].radius, 5);
    for (int i = 0; i < 10; ++i)
        p->SlotSize(2); // -1
    EXPECT_EQ(s.circles[0][c].radius, 1);
    EXPECT_LE(s.circles[0][c].innerRadius, s.circles[0][c].radius);

    p->SlotChangeObject(); // centre
    EXPECT_EQ(p->objectButton->text(), LanStr(27));
    EXPECT_EQ(p->nudgeButtons[0]->text(), QStringLiteral("Y -1"));
    p->SlotSize(1); // X -1
    EXPECT_EQ(s.circles[0][c].centreX, 499);

    // Polygon vertex 2 pushed past the top edge stays on it.
    CammerSingleton& e = edited();
    const int poly = e.roiCount[0]++;
    e.shapeType[0][poly] = ShapePolygon;
    e.polygons[0][poly].SetPoints({{700, 2}, {800, 100}, {650, 120}});
    view->editMasks[0][poly] = e.UpdateMask(0, poly);
    select(poly);
    EXPECT_EQ(p->objectButton->text(), LanStr(31).arg(1));
    for (int i = 0; i < 5; ++i)
        p->SlotSize(0); // Y -1
    EXPECT_EQ(e.polygons[0][poly].viewPoints[0], QPoint(700, 0));
}

TEST_F(Panel, MoveButtonsMoveTheSelectedOrEveryRegionAndStopAPolygonAtTheEdge)
{
    RegionPanel* p = panel();
    CammerSingleton& s = edited();
    const int a = addEditRect(QRect(100, 100, 50, 50));
    const int poly = s.roiCount[0]++;
    s.shapeType[0][poly] = ShapePolygon;
    s.polygons[0][poly].SetPoints({{300, 4}, {400, 60}, {250, 80}});
    view->editMasks[0][poly] = s.UpdateMask(0, poly);
    const int b = addEditRect(QRect(600, 100, 50, 50));

    select(a);
    p->moveButtons[0]->click(); // "Move U"
    EXPECT_EQ(s.rects[0][a].viewRect.top(), 99);
    EXPECT_EQ(s.rects[0][b].viewRect.top(), 100);

    p->SlotMoveAll();
    EXPECT_EQ(p->moveAllButton->text(), LanStr(32));
    EXPECT_FALSE(p->sensibilitySlider->isVisible()) << "the panel hides while moving";
    p->SlotMoveAll();
    EXPECT_EQ(p->moveAllButton->text(), LanStr(34));
    EXPECT_EQ(view->edit.moveMode, 2);

    p->moveButtons[0]->click(); // every region up: the polygon reaches y = 3
    EXPECT_EQ(s.rects[0][a].viewRect.top(), 98);
    EXPECT_EQ(s.polygons[0][poly].viewPoints[0].y(), 3);
    EXPECT_EQ(s.rects[0][b].viewRect.top(), 99);
    p->moveButtons[0]->click(); // the polygon would leave: the move stops at it
    EXPECT_EQ(s.rects[0][a].viewRect.top(), 97);
    EXPECT_EQ(s.polygons[0][poly].viewPoints[0].y(), 3);
    EXPECT_EQ(s.rects[0][b].viewRect.top(), 99);

    p->SlotMoveAll();
    EXPECT_EQ(p->moveAllButton->text(), LanStr(12));
    EXPECT_TRUE(p->sensibilitySlider->isVisible());
}

TEST_F(Panel, ThePanelSitsBelowTheRegionOrAboveItNearTheBottom)
{
    para().enable_display_detail = 0;
    RegionPanel* p = panel();
    // Image rows 50 .. 99 are view rows 100 .. 199.
    const int high = addEditRect(QRect(300, 100, 150, 100));
    select(high);
    EXPECT_EQ(p->sensibilitySlider->y(), 200 + 5);
    EXPECT_EQ(p->funcButton->y(), 200 + 5 + 50);
    const int low = addEditRect(QRect(300, 850, 150, 100));
    select(low);
    EXPECT_EQ(p->sensibilitySlider->y(), 850 - 102);
    EXPECT_EQ(PanelTop(50, 930, 102), gShowH - 70 - 102);
}

TEST_F(Panel, CavityBoxesEditRowOneOfTheFlags)
{
    RegionPanel* p = panel();
    edited().checkFlags[1][2] = 2;
    view->SetCheckBoxState(1);
    view->ShowHideCheckBox(true);
    EXPECT_TRUE(p->cavityBoxes[2]->isChecked());
    EXPECT_FALSE(p->cavityBoxes[3]->isChecked());
    p->cavityBoxes[3]->click();
    EXPECT_EQ(edited().checkFlags[1][3], 2);
    p->cavityBoxes[2]->click();
    EXPECT_EQ(edited().checkFlags[1][2], 0);
}
