// The index column: the snapshot buttons by the parameters, the step combo,
// the toggle zone of the logo band, the logo, and the commands it reaches.
#include "screenfixture.h"

#include "params/procedures.h"
#include "widgets/basewidgets.h"

#include <QMouseEvent>

using IndexColumn = MainScreen;

TEST_F(IndexColumn, SnapshotButtonsFollowTheLiveParameters)
{
    startShown();
    IndexButton* column = window->indexButton;
    EXPECT_EQ(column->geometry(), QRect(1725 - 240, 0, 240, 982));
    struct Case {
        int snapShot, product, procedure;
        bool productVisible, moldVisible;
    } cases[] = {
        {0, 1, ProcStandard, false, false},
        {1, 1, ProcMultiDetect, false, false},
        {1, 0, ProcStandard, false, true},
        {1, 1, ProcStandard, true, true},
    };
    for (const Case& c : cases) {
        gpWPara->snap_shot = c.snapShot;
        gpWPara->detect_product = c.product;
        gpWPara->procedure = c.procedure;
        column->ShowHide(3);
        EXPECT_EQ(column->productSnapCmd->isVisible(), c.productVisible) << c.snapShot << c.product << c.procedure;
        EXPECT_EQ(column->moldSnapCmd->isVisible(), c.moldVisible) << c.snapShot << c.product << c.procedure;
    }
    // Nothing shows the other commands.
    for (QWidget* w : std::initializer_list<QWidget*>{column->startStopCmd, column->resampleCmd, column->areaCmd,
                                                      column->helpCmd, column->systemParamCmd,
                                                      column->multiScreenCmd, column->accountCmd,
                                                      column->stepCombo, column->multiSnapCmd})
        EXPECT_TRUE(w->isHidden());
    EXPECT_FALSE(column->showHideTimer->isActive());
}

TEST_F(IndexColumn, TheStepComboHasOneItemPerMultiDetectionStep)
{
    startShown();
    gLan = 1;
    gpWPara->detect_count = 3;
    window->indexButton->ResetComboChooseManualTrig();
    ComboBox* combo = window->indexButton->stepCombo;
    ASSERT_EQ(combo->count(), 3);
    EXPECT_EQ(combo->itemText(0), "1st");
    EXPECT_EQ(combo->itemText(1), "2nd");
    EXPECT_EQ(combo->itemText(2), "3rd");
    EXPECT_EQ(combo->geometry(), QRect(140, 698, 100, 83));
    // Its step, the first included, is the one the multi snapshot triggers.
    gpWPara->detect_product = 1;
    for (int step = 0; step < 3; ++step) {
        window->manualTriggerStep = gDNum; // no snapshot pending
        combo->setCurrentIndex(step);
        window->indexButton->multiSnapCmd->click();
        EXPECT_EQ(window->manualTriggerStep, step);
    }
    gLan = 0;
}

TEST_F(IndexColumn, ThePressZoneIsTheLogoBand)
{
    startShown();
    IndexButton* column = window->indexButton;
    auto press = [column](double y) {
        QMouseEvent e(QEvent::MouseButtonPress, QPointF(200.3, y), Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(column, &e);
    };
    press(109.6); // rounds to 110: outside
    EXPECT_FALSE(column->GetShowFlag());
    press(109.4);
    EXPECT_TRUE(column->GetShowFlag());
    press(0);
    EXPECT_FALSE(column->GetShowFlag());
}

TEST_F(IndexColumn, TheLogoIsShownWhenTheProgramFolderHasOne)
{
    startShown();
    EXPECT_FALSE(window->indexButton->hasLogo);
    EXPECT_EQ(window->indexButton->logoLabel, nullptr);
    QDir().mkpath("images");
    QPixmap logo(300, 120);
    logo.fill(Qt::red);
    ASSERT_TRUE(logo.save("images/logo2.png"));
    IndexButton column(window);
    EXPECT_TRUE(column.hasLogo);
    ASSERT_NE(column.logoLabel, nullptr);
    EXPECT_EQ(column.logoLabel->geometry(), QRect(0, 0, 230, 110));
    EXPECT_TRUE(column.logoLabel->hasScaledContents());
}
