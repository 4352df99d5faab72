// What the operator edits stays until it is saved or declined: a hide of the
// settings window that comes back (the floating exposure panel, the IO name
// dialog) keeps every page's edits and the tuned camera values, a save puts
// the tuned values on the cameras, and the IO pages show the edit copy at
// each opening. Also the account notice the main window installs.
#include "maintfixture.h"

#include "cameradriver/camerahost.h"
#include "params/procedures.h"
#include "params/usermanager.h"
#include "settings/cameraparamswidget.h"
#include "settings/customionamewidget.h"
#include "settings/iofunctionswidget.h"
#include "settings/ioparamswidget.h"
#include "settings/iowidget.h"
#include "settings/systemparamswidget.h"
#include "widgets/basewidgets.h"
#include "widgets/msgbox.h"
#include "widgets/uihost.h"

#include <QSlider>
#include <QTest>

using settingshost::CameraOp;

namespace {
constexpr int kCameraPage = 3;
constexpr int kIOFunctionsPage = 10;
} // namespace

class KeptEdits : public Maintenance {
protected:
    void startWithEdits()
    {
        for (int c = 0; c < 8; ++c)
            para.expose_time[c] = 30;
        para.minimum_area = 100;
        para.enable_stop_mold = 0;
        startMaintenance();
        // Two pages edited, nothing stored yet.
        settings().systemParams->areaRow.slider->setValue(432);
        settings().changeWidget(kIOFunctionsPage);
        stopClampBox()->setChecked(true);
        settings().tabButtons()[kCameraPage]->click();
        block().exposureSlider->setValue(70);
        cameraCalls.clear();
    }
    CameraParamsSubWidget& block() { return *settings().cameraParams->subWidget; }
    CheckBox* stopClampBox() { return settings().ioFunctions->boxes[0]; }
    void expectEditsShown()
    {
        EXPECT_EQ(settings().systemParams->areaRow.slider->value(), 432);
        EXPECT_TRUE(stopClampBox()->isChecked());
        EXPECT_EQ(block().exposureSlider->value(), 70);
    }
};

TEST_F(KeptEdits, FloatingTheExposurePanelLosesNothingAndASavePutsTheTunedExposureOnTheCamera)
{
    startWithEdits();
    block().viewButton->toggle();
    ASSERT_FALSE(settings().isVisible());
    EXPECT_TRUE(cameraCalls.isEmpty()) << "the camera keeps its tuned exposure while the panel floats";
    block().exposureSlider->setValue(75); // tuned over the live picture
    block().viewButton->toggle();
    ASSERT_TRUE(settings().isVisible());
    EXPECT_EQ(settings().systemParams->areaRow.slider->value(), 432);
    EXPECT_TRUE(stopClampBox()->isChecked());
    EXPECT_EQ(block().exposureSlider->value(), 75);
    EXPECT_EQ(gpWPara->expose_time[0], 30);

    cameraCalls.clear();
    exitSetup();
    EXPECT_EQ(gpWPara->minimum_area, 432);
    EXPECT_EQ(gpWPara->enable_stop_mold, 1);
    EXPECT_EQ(gpWPara->expose_time[0], 75);
    EXPECT_TRUE(cameraCalls.contains(op(0, CameraOp::Expose))) << "the saved exposure reaches the camera";
    EXPECT_EQ(paramValue("exposeTime").split(' ').first(), "75");
}

TEST_F(KeptEdits, TheIONameDialogAndTheHardwareViewLoseNothing)
{
    startWithEdits();
    settings().ioParams->ioNameButton->click();
    ASSERT_TRUE(window->customIONameWidget->isVisible());
    EXPECT_TRUE(cameraCalls.isEmpty());
    window->customIONameWidget->confirmButton->click();
    ASSERT_TRUE(settings().isVisible());
    expectEditsShown();

    settings().SlotShowHardwareConfigurationWidget();
    ASSERT_FALSE(settings().isVisible());
    settings().show();
    expectEditsShown();
    EXPECT_TRUE(cameraCalls.isEmpty());
}

TEST_F(KeptEdits, LeavingForGoodStillGivesTheCamerasTheirSavedValues)
{
    startWithEdits();
    window->mainStack->setCurrentIndex(0); // as an alarm or a command leaves the window
    EXPECT_EQ(cameraCalls, QStringList{op(0, CameraOp::Expose)});
    open();
    EXPECT_EQ(settings().systemParams->areaRow.slider->value(), 100) << "a new opening shows the record";
    EXPECT_EQ(block().exposureSlider->value(), 30);
}

// The main window going while its settings window shows tuned values: the
// cameras get their saved values back while the window is whole, and nothing
// reaches the window through a hook once it is being torn down.
TEST_F(KeptEdits, TheMainWindowTearsDownWhole)
{
    startWithEdits();
    int late = 0;
    settingshost::Hooks h = settingshost::hooks();
    const auto noted = h.cameraOp;
    h.cameraOp = [&late, noted](int slot, CameraOp o, int step) {
        late += gpWin ? 0 : 1;
        noted(slot, o, step);
    };
    settingshost::install(h);
    cycletest::endWindow(window);
    EXPECT_EQ(cameraCalls, QStringList{op(0, CameraOp::Expose)}) << "the saved exposure back on the camera";
    EXPECT_EQ(late, 0) << "no call into a window half torn down";
    EXPECT_FALSE(settingshost::hooks().flushAll);
    EXPECT_FALSE(settingshost::hooks().cameraOp);
    EXPECT_FALSE(host::hooks().insertRecord);
    EXPECT_FALSE(camerahost::hooks().runState);
    EXPECT_FALSE(uiHost().restartLcdTimer);
    EXPECT_FALSE(gpWarnBox) << "the shared boxes went with the window";
}

// A floating panel given up for a new opening: the camera gets the value in
// force back, the pages show the record.
TEST_F(KeptEdits, ANewOpeningWhileThePanelFloatsStartsFromTheRecord)
{
    startWithEdits();
    block().viewButton->toggle();
    cameraCalls.clear();
    settings().beginEditing(); // what the settings command does first
    *gpWParaBak = *gpWPara;
    EXPECT_EQ(cameraCalls, QStringList{op(0, CameraOp::Expose)});
    block().viewButton->toggle();
    EXPECT_EQ(block().exposureSlider->value(), 30);
    EXPECT_EQ(settings().systemParams->areaRow.slider->value(), 100);
}

class IOPagesReload : public Maintenance {
protected:
    void startMultiDetect()
    {
        setFourDetectionSteps(para);
        startMaintenance();
    }
    IOWidget& ioPage() { return *settings().multiDetectIO; }
    CustomIONameWidget& names() { return *window->customIONameWidget; }
};

TEST_F(IOPagesReload, ADeclinedSaveLeavesNothingOfItsOwnOnTheIOPages)
{
    startMultiDetect();
    settings().changeWidget(9);
    settings().ioParams->customIOButton->click();
    ASSERT_EQ(ioPage().model.matrix(), "X--- -X-- --X- ---X");
    ioPage().stepCountBox->setCurrentIndex(1); // 3 times
    for (auto [r, k] : std::vector<std::pair<int, int>>{{1, 1}, {2, 2}, {0, 1}, {0, 2}})
        QTest::mouseClick(ioPage().choiceRows[r]->stepBoxes[k], Qt::LeftButton);
    ASSERT_EQ(ioPage().model.matrix(), "XXX --- ---");
    ioPage().confirmButton->click();
    settings().ioParams->ioNameButton->click();
    names().outputNameBoxes[3]->setCurrentIndex(9);
    names().confirmButton->click();

    answer = QDialog::Rejected; // "save the changes?" NO
    exitSetup();
    EXPECT_EQ(gpWPara->detect_count, 4);

    answer = QDialog::Accepted;
    open();
    settings().ioParams->customIOButton->click();
    EXPECT_EQ(ioPage().model.matrix(), "X--- -X-- --X- ---X") << "the record, not the declined assignment";
    ioPage().confirmButton->click();
    EXPECT_EQ(gpWParaBak->detect_count, 4) << "a Confirm stores what is shown";
    EXPECT_EQ(std::vector<int>(gpWParaBak->output_row, gpWParaBak->output_row + 4), (std::vector<int>{0, 1, 2, 3}));

    settings().ioParams->ioNameButton->click();
    EXPECT_EQ(names().outputNameBoxes[3]->currentIndex(), 0) << "the stored name, not the declined one";
    names().confirmButton->click();
    EXPECT_EQ(gpWParaBak->output_name_index[3], 0);
}

TEST_F(Maintenance, AnAccountThatMayNotChangeSettingsIsToldSo)
{
    startMaintenance();
    UserManager accounts;
    QString message;
    ASSERT_TRUE(accounts.addUser(UserType(3), "guest", "g", message));
    ASSERT_TRUE(accounts.changeUser("guest", "g", message));
    boxes.clear();
    EXPECT_FALSE(accounts.canChangeSetting());
    ASSERT_EQ(boxes.size(), 1);
    EXPECT_TRUE(boxes[0].contains("No permission !")) << boxes[0].toStdString();
    EXPECT_TRUE(boxes[0].contains("warning"));

    ASSERT_TRUE(accounts.changeUser("admin", "740396", message));
    boxes.clear();
    EXPECT_TRUE(accounts.canChangeSetting());
    EXPECT_TRUE(boxes.isEmpty());
}
