// The camera pages and their live tuning, the floating exposure block, the
// camera renumbering dialog and the hardware view, in the real main window.
#include "maintfixture.h"

#include "cameradriver/camerahost.h"
#include "cameradriver/cameraglobals.h"
#include "cameradriver/cameratexts.h"
#include "settings/advancefuncwidget.h"
#include "settings/cameraparamswidget.h"
#include "settings/hardwareconfigurationwidget.h"
#include "settings/widgetchangecamera.h"
#include "widgets/basewidgets.h"
#include "widgets/busycover.h"
#include "widgets/edit.h"
#include "widgets/modifytimewidget.h"
#include "widgets/sliderlabel.h"
#include "params/paramdb.h"
#include "params/wizardpara.h"
#include "sqlfaults.h"

#include <QButtonGroup>
#include <QGridLayout>
#include <QRegularExpression>
#include <QSlider>
#include <QVBoxLayout>
#include <memory>

using settingshost::CameraOp;

namespace {

constexpr int kCameraPage = 3;

void saveShot(QWidget* w, const QString& name)
{
    QDir().mkpath(SETTINGS_SHOT_DIR);
    EXPECT_TRUE(w->grab().save(QString(SETTINGS_SHOT_DIR) + "/" + name + ".png"));
}

} // namespace

class CameraPages : public Maintenance {
protected:
    void startOnCameraPage(int lan = 1)
    {
        // Camera 2 differs from camera 1 in exposure, sharpness and gamma.
        for (int c = 0; c < 8; ++c) {
            para.expose_time[c] = 30;
            para.adjust_plus[c] = 8;
            para.sharp[c] = 50;
            para.contrast[c] = 100;
            para.gamma[c] = 100;
        }
        para.expose_time[1] = 55;
        para.sharp[1] = 20;
        para.gamma[1] = 160;
        startMaintenance(lan);
        settings().tabButtons()[kCameraPage]->click();
        cameraCalls.clear();
    }
    CameraParamsWidget& page() { return *settings().cameraParams; }
    CameraParamsSubWidget& block() { return *page().subWidget; }
};

TEST_F(CameraPages, TuningChangesTheEditCopyAndTheCameraAtOnce)
{
    startOnCameraPage();
    EXPECT_EQ(outSet, 0);
    block().cameraButtons[1]->click();
    EXPECT_EQ(outSet, 1);
    EXPECT_EQ(window->selectedCamera, 1) << "the main area shows the camera being tuned";
    EXPECT_EQ(block().exposureSlider->value(), 55);
    EXPECT_EQ(page().slider(CameraParamsWidget::Gamma)->value(), 160);
    EXPECT_EQ(page().rows[CameraParamsWidget::Gamma].value->text(), QString("160"));
    // Only the sliders whose value changed send it, to the new camera.
    EXPECT_EQ(cameraCalls, (QStringList{op(1, CameraOp::Expose), op(1, CameraOp::Sharp), op(1, CameraOp::Gamma)}));

    cameraCalls.clear();
    block().exposureSlider->setValue(70);
    EXPECT_EQ(gpWParaBak->expose_time[1], 70);
    EXPECT_EQ(gpWPara->expose_time[1], 55) << "the live record waits for the apply step";
    EXPECT_EQ(gpWParaBak->expose_time[0], 30);
    EXPECT_EQ(cameraCalls, QStringList{op(1, CameraOp::Expose)});
    EXPECT_EQ(block().exposureValue->text(), QString("70"));

    // Leaving with NO: camera 2 gets its saved exposure back.
    cameraCalls.clear();
    answer = QDialog::Rejected;
    exitSetup();
    EXPECT_EQ(cameraCalls, QStringList{op(1, CameraOp::Expose)});
    EXPECT_EQ(gpWPara->expose_time[1], 55);

    // Reopened: camera 1 again, with its button.
    answer = QDialog::Accepted;
    open();
    EXPECT_EQ(outSet, 0);
    EXPECT_TRUE(block().cameraButtons[0]->isChecked());
    EXPECT_EQ(block().exposureSlider->value(), 30);
}

TEST_F(CameraPages, OneCameraHasNothingToSwitch)
{
    startOnCameraPage();
    setCameraSlots({0});
    block().cameraButtons[1]->click();
    EXPECT_EQ(outSet, 0);
    emit block().nextButton->pressed();
    EXPECT_EQ(outSet, 0);
    EXPECT_TRUE(cameraCalls.isEmpty());
    setCameraSlots({0, 1});
}

// The camera answers when it has loaded its set: until then the page is
// covered, and the sliders show what it read back once it has.
TEST_F(CameraPages, RestoringTheCameraDefaults)
{
    startOnCameraPage();
    settingshost::Hooks h = settingshost::hooks();
    QList<int> asked;
    std::function<void(bool)> answer;
    h.restoreDefaults = [&](int slot, std::function<void(bool)> done) {
        asked << slot;
        answer = done;
    };
    settingshost::install(h);
    answers = {QDialog::Rejected};
    emit block().restoreButton->clicked();
    EXPECT_TRUE(shown(527));
    EXPECT_TRUE(asked.isEmpty());

    emit block().restoreButton->clicked();
    ASSERT_EQ(asked, QList<int>{0});
    EXPECT_TRUE(BusyCover::shown(&settings())) << "covered while the camera works";
    EXPECT_EQ(block().exposureSlider->value(), 30);
    gpWParaBak->expose_time[0] = 12; // what the camera read back
    gpWParaBak->adjust_plus[0] = 3;
    gpWParaBak->sharp[0] = 4;
    answer(true);
    EXPECT_FALSE(BusyCover::shown(&settings()));
    EXPECT_EQ(block().exposureSlider->value(), 12);
    EXPECT_EQ(block().gainSlider->value(), 3);
    EXPECT_EQ(page().slider(CameraParamsWidget::Clarity)->value(), 4);
    EXPECT_EQ(gpWParaBak->sharp[0], 4);
    EXPECT_EQ(cameraCalls, (QStringList{op(0, CameraOp::Expose), op(0, CameraOp::Gain), op(0, CameraOp::Sharp)}))
        << "the values read back reach the camera as the sliders move";

    // Detached, the floating block is covered too.
    block().viewButton->toggle();
    ASSERT_TRUE(block().detached());
    emit block().restoreButton->clicked();
    EXPECT_TRUE(BusyCover::shown(&block()));
    answer(false);
    EXPECT_FALSE(BusyCover::shown(&block()));
    EXPECT_FALSE(BusyCover::shown(&settings()));
    block().viewButton->toggle();
}

TEST_F(CameraPages, AutomaticShadingAppliesTheExposureOfEveryView)
{
    startOnCameraPage();
    settings().SetAutoWDR(Qt::Checked);
    EXPECT_EQ(gpWParaBak->auto_shading, 2) << "stored as the box delivers it";
    QStringList all;
    for (int slot = 0; slot < 8; ++slot)
        all << op(slot, CameraOp::Expose);
    EXPECT_EQ(cameraCalls, all);
}

TEST_F(CameraPages, FactoryRowsAndCameraButtonsShowWhenTheyApply)
{
    startShown();
    open();
    settings().advanceFunctions->boxes[advancefunctions::kFactory]->setValue(0);
    settings().tabButtons()[kCameraPage]->click();
    EXPECT_FALSE(page().slider(CameraParamsWidget::Speed)->isVisible());
    EXPECT_TRUE(block().exposureSlider->isVisible());
    EXPECT_TRUE(block().cameraButtons[1]->isVisible());
    EXPECT_FALSE(block().cameraButtons[2]->isVisible());

    // Ticked on the advanced page, not yet saved: the rows show at once.
    settings().tabButtons()[12]->click();
    settings().advanceFunctions->boxes[advancefunctions::kFactory]->setValue(1);
    setCameraSlots({0, 1, 2});
    settings().tabButtons()[kCameraPage]->click();
    EXPECT_TRUE(page().slider(CameraParamsWidget::Speed)->isVisible());
    EXPECT_TRUE(block().cameraButtons[2]->isVisible()) << "a third camera shows its button";
    EXPECT_FALSE(block().cameraButtons[3]->isVisible());
    setCameraSlots({0, 1});
    settings().tabButtons()[12]->click();
    settings().tabButtons()[kCameraPage]->click();
    EXPECT_TRUE(block().cameraButtons[2]->isVisible()) << "never hidden again";

    // The speed is stored by the page itself.
    page().slider(CameraParamsWidget::Speed)->setValue(7);
    settings().storePages();
    EXPECT_EQ(gpWParaBak->capture_speed, 7);
}

TEST_F(CameraPages, TheExposureBlockFloatsOverTheViews)
{
    startOnCameraPage();
    auto* column = qobject_cast<QVBoxLayout*>(page().layout());
    const QSize attached = block().size();
    EXPECT_FALSE(block().previousButton->isVisible());

    block().viewButton->toggle();
    EXPECT_TRUE(block().isWindow());
    EXPECT_TRUE(block().isVisible());
    EXPECT_EQ(block().pos(), QPoint(342, 653));
    EXPECT_EQ(block().size(), QSize(1105, 325));
    EXPECT_EQ(window->mainStack->currentIndex(), 0) << "the camera views show behind it";
    EXPECT_TRUE(block().previousButton->isVisible() && block().nextButton->isVisible());
    EXPECT_TRUE(camerahost::exposurePanelVisible()) << "the exposure setter reads the edit copy";
    saveShot(&block(), "camera-block-floating-en");

    emit block().nextButton->pressed();
    EXPECT_EQ(outSet, 1);
    emit block().nextButton->pressed();
    EXPECT_EQ(outSet, 1) << "no wrap past the last open camera";
    emit block().previousButton->pressed();
    emit block().previousButton->pressed();
    EXPECT_EQ(outSet, 0);

    block().viewButton->toggle();
    EXPECT_FALSE(block().isWindow());
    EXPECT_EQ(block().parentWidget(), &page());
    EXPECT_EQ(column->indexOf(&block()), 0) << "back at the top of the page";
    EXPECT_EQ(block().size(), attached);
    EXPECT_EQ(window->mainStack->currentIndex(), 1);
    EXPECT_FALSE(block().previousButton->isVisible());
    EXPECT_FALSE(camerahost::exposurePanelVisible());
}

TEST_F(CameraPages, TheTuneButtonOpensTheRenumberingDialog)
{
    startOnCameraPage();
    emit block().tuneButton->clicked();
    EXPECT_EQ(window->mainStack->currentIndex(), 0);
    EXPECT_TRUE(window->cameraOrderDialog->isVisible());
    saveShot(window->cameraOrderDialog, "renumbering-en");
}

TEST(Renumbering, TheFirstRepeatedNumber)
{
    struct Case {
        const char* shown; // as the combo boxes show the numbers
        std::vector<int> numbers;
        int repeated; // 0-based, -1 for none
    };
    const Case cases[] = {
        {"2 2 1", {1, 1, 0}, 1},
        {"1 2 1", {0, 1, 0}, 0},
        {"1 2 3", {0, 1, 2}, -1},
        {"3 1 1 3", {2, 0, 0, 2}, 2},
        {"1", {0}, -1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.shown);
        EXPECT_EQ(WidgetChangeCamera::firstRepeated(c.numbers.data(), int(c.numbers.size())), c.repeated);
    }
}

TEST_F(CameraPages, RenumberingStoresTheNewOrderThenAsksToPowerOff)
{
    startOnCameraPage();
    WidgetChangeCamera& dialog = *window->cameraOrderDialog;
    int shutDowns = 0;
    dialog.shutDown = [&] { ++shutDowns; };
    dialog.show();
    ASSERT_TRUE(dialog.combos[0] && dialog.combos[1]);
    EXPECT_FALSE(dialog.combos[2]);
    EXPECT_EQ(dialog.combos[0]->itemText(1), LanStr(394, 1).arg(2));
    EXPECT_EQ(dialog.okButton->geometry(), QRect(30, 490, 490, 50));

    dialog.combos[1]->setCurrentIndex(0);
    emit dialog.okButton->clicked();
    EXPECT_TRUE(boxes.last().contains(LanStr(361, 1).arg(1)));
    EXPECT_TRUE(dialog.isVisible()) << "the operator mends the numbers";
    EXPECT_EQ(shutDowns, 0);

    dialog.combos[0]->setCurrentIndex(1);
    emit dialog.okButton->clicked();
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(gCamNO[0], 1);
    EXPECT_EQ(gCamNO[1], 0);
    EXPECT_EQ(shutDowns, 1);
}

// The disk refuses the new numbers: the operator is told, nothing moves in
// memory and the power-off question is not asked; once the disk takes
// writes again the same choice is saved and asks it.
TEST_F(CameraPages, ARenumberingTheDiskRefusesStopsBeforeThePowerOffQuestion)
{
    startOnCameraPage();
    WidgetChangeCamera& dialog = *window->cameraOrderDialog;
    int shutDowns = 0;
    dialog.shutDown = [&] { ++shutDowns; };
    QSqlQuery serials(QSqlDatabase::database(QLatin1String(kSerialConnection)));
    ASSERT_TRUE(serials.exec("PRAGMA query_only=1"));
    dialog.show();
    dialog.combos[0]->setCurrentIndex(1);
    dialog.combos[1]->setCurrentIndex(0);
    boxes.clear();
    const int savedBefore = storedRecords().filter(QRegularExpression("^Save SN")).size();
    emit dialog.okButton->clicked();
    EXPECT_EQ(shutDowns, 0);
    EXPECT_TRUE(shown(cameratext::kSerialsNotSaved));
    EXPECT_EQ(gCamNO[0], 0) << "memory keeps the binding on disk";
    EXPECT_EQ(gCamNO[1], 1);
    EXPECT_FALSE(dialog.isVisible()) << "the operator is back at the settings";
    const QStringList journal = storedRecords();
    EXPECT_TRUE(journal.contains(LanStr(cameratext::kSerialsNotSaved)));
    EXPECT_EQ(journal.filter(QRegularExpression("^Save SN")).size(), savedBefore) << "nothing journaled as saved";

    ASSERT_TRUE(serials.exec("PRAGMA query_only=0"));
    dialog.show();
    emit dialog.okButton->clicked();
    EXPECT_EQ(shutDowns, 1);
    EXPECT_EQ(gCamNO[0], 1);
    EXPECT_EQ(gCamNO[1], 0);
    EXPECT_GT(storedRecords().filter(QRegularExpression("^Save SN")).size(), savedBefore);
}

// "SN.db" could not be read at the start: a lock another connection held
// past the busy timeout, or a damaged page under a stored serial. The views
// may then show the cameras in the order found, and a renumbering saved
// from the camera page would write that order over the binding on disk: it
// is refused, the operator told and the journal keeps it, and "SN.db" is as
// it was, also once the lock has ended. A start that reads it lifts the hold.
TEST_F(CameraPages, ARenumberingIsRefusedWhileTheStoredBindingIsUnread)
{
    enum Fault { Locked, Damaged };
    for (Fault fault : {Locked, Damaged}) {
        SCOPED_TRACE(fault == Locked ? "locked past the busy timeout" : "damaged page");
        beforeWindow = [fault] {
            OpenSqlite("serials", "SN.db");
            QSqlQuery q(QSqlDatabase::database("serials"));
            q.exec("update sysparam set value='SERIAL-STORED-B' where name='serialNB0'");
            q.prepare("update sysparam set value=? where name='serialNB1'");
            q.addBindValue(fault == Damaged ? sqlfaults::spillingValue("SERIAL-STORED-A", "#serial1#")
                                            : QString("SERIAL-STORED-A"));
            q.exec();
            CloseSqlite("serials");
        };
        answers = {QDialog::Rejected}; // no camera found: the stored serials are kept
        startOnCameraPage();
        ASSERT_FALSE(serialSavesHeld());
        ASSERT_EQ(QByteArray(gSerialNB[0]), QByteArray("SERIAL-STORED-B"));

        // The start-up's read of the parameters and the binding, with the fault.
        QSqlDatabase serials = QSqlDatabase::database(QLatin1String(kSerialConnection));
        std::unique_ptr<sqlfaults::Lock> lock;
        if (fault == Damaged) {
            serials.close();
            ASSERT_TRUE(sqlfaults::damagePageHolding("SN.db", "#serial1#"));
            ASSERT_TRUE(serials.open());
        } else {
            ASSERT_TRUE(QSqlQuery(serials).exec("PRAGMA busy_timeout=50"));
            lock = std::make_unique<sqlfaults::Lock>("SN.db", sqlfaults::Lock::Exclusive);
            ASSERT_TRUE(lock->held());
        }
        gpWPara->LoadDatafromFile();
        lock.reset(); // the lock ends; memory still holds no binding read from disk
        ASSERT_TRUE(serialSavesHeld());
        QCoreApplication::processEvents();
        const QString unread = LanStr(kLanSerialsUnread);
        const int toldBefore = boxes.filter(unread).size();
        const int journaledBefore = storedRecords().filter(unread).size();
        const QByteArray onDisk = fileText("SN.db");

        WidgetChangeCamera& dialog = *window->cameraOrderDialog;
        int shutDowns = 0;
        dialog.shutDown = [&] { ++shutDowns; };
        emit block().tuneButton->clicked();
        ASSERT_TRUE(dialog.isVisible());
        dialog.combos[0]->setCurrentIndex(1);
        dialog.combos[1]->setCurrentIndex(0);
        emit dialog.okButton->clicked();
        QCoreApplication::processEvents();
        EXPECT_EQ(shutDowns, 0) << "no power-off question without a saved binding";
        EXPECT_EQ(boxes.filter(unread).size(), toldBefore + 1) << "told";
        EXPECT_EQ(storedRecords().filter(unread).size(), journaledBefore + 1) << "journaled";
        EXPECT_FALSE(shown(cameratext::kSerialsNotSaved)) << "refused by the hold, not by the disk";
        EXPECT_EQ(fileText("SN.db"), onDisk) << "SN.db unchanged";
        EXPECT_EQ(QByteArray(gSerialNB[0]), QByteArray("SERIAL-STORED-B"));
        EXPECT_EQ(gCamNO[0], 0);
        EXPECT_EQ(gCamNO[1], 1);

        // Read whole again (a new file in place of the damaged one): saves go through.
        serials.close();
        QFile::remove("SN.db");
        ASSERT_TRUE(CreateSerialDatabase("SN.db"));
        ASSERT_TRUE(serials.open());
        gpWPara->LoadDatafromFile();
        EXPECT_FALSE(serialSavesHeld());
        nextCase();
    }
}

TEST_F(Maintenance, HardwareConfigurationView)
{
    putFile("conf.txt", "Camera_Model\tUSB_3.0\nSpare\n\nCount\t4\nKey\t\tword\nCount\t9\n");
    startMaintenance();
    HardwareConfigurationWidget view;
    QList<QPair<QString, QString>> list;
    HardwareConfigurationWidget::loadConfiguration(list);
    EXPECT_EQ(list, (QList<QPair<QString, QString>>{
                        {"Camera Model", "USB 3.0"}, {"Spare", ""}, {"Count", "4"}, {"Key", ""}, {"Count", "9"}}));
    QMap<QString, QString> map;
    HardwareConfigurationWidget::loadConfiguration(map);
    EXPECT_EQ(map.value("Camera_Model"), QString("USB 3.0"));
    EXPECT_EQ(map.value("Count"), QString("9"));

    auto cell = [&](int row, int column) {
        return qobject_cast<QLabel*>(view.grid->itemAtPosition(row, column)->widget());
    };
    EXPECT_EQ(cell(0, 0)->text(), QString("Camera Model"));
    EXPECT_TRUE(cell(0, 1)->styleSheet().contains("yellow"));
    EXPECT_TRUE(cell(1, 1)->styleSheet().contains("cyan"));
    ASSERT_EQ(view.countLabel, cell(4, 1)) << "the last Count row";
    view.show();
    EXPECT_EQ(view.countLabel->text(), QString("0")) << "no camera back-end";
    view.hide();
    const int backend = gCameraID;
    gCameraID = kCameraV4l2;
    view.show();
    EXPECT_EQ(view.countLabel->text(), QString::number(numCamera));
    gCameraID = backend;

    // The settings window gives way to the window's view and comes back.
    settings().SlotShowHardwareConfigurationWidget();
    EXPECT_FALSE(settings().isVisible());
    EXPECT_TRUE(window->hardwareConfigWidget->isVisible());
    emit window->hardwareConfigWidget->confirmButton->clicked();
    EXPECT_FALSE(window->hardwareConfigWidget->isVisible());
    EXPECT_TRUE(settings().isVisible());
}

TEST_F(CameraPages, Screenshots)
{
    for (int lan : {1, 0}) {
        startOnCameraPage(lan);
        settings().advanceFunctions->boxes[advancefunctions::kFactory]->setValue(1);
        settings().tabButtons()[12]->click();
        settings().tabButtons()[kCameraPage]->click();
        saveShot(&settings(), lan ? "camera-page-en" : "camera-page-zh");
        settings().tabButtons()[4]->click();
        saveShot(&settings(), lan ? "camera-functions-en" : "camera-functions-zh");
        settings().clockDialog->editor()->ShowDateTime();
        saveShot(settings().clockDialog, lan ? "clock-dialog-en" : "clock-dialog-zh");
        nextCase();
    }
}

// Cameras in slots 0 and 2 (the camera of slot 1 did not open): the dialog
// lists two views and binds each to the slot of the number chosen.
TEST_F(CameraPages, RenumberingWithAGapInTheSlotsKeepsEachCameraInItsSlot)
{
    startOnCameraPage();
    setCameraSlots({0, 2});
    WidgetChangeCamera dialog;
    dialog.shutDown = [] {};
    ASSERT_TRUE(dialog.combos[1]);
    EXPECT_FALSE(dialog.combos[2]);

    emit dialog.okButton->clicked();
    EXPECT_EQ(gCamNO[0], 0);
    EXPECT_EQ(gCamNO[2], 2) << "OK without a change keeps the camera of slot 2 there";

    dialog.combos[0]->setCurrentIndex(1);
    emit dialog.okButton->clicked();
    EXPECT_TRUE(boxes.last().contains(LanStr(361, 1).arg(2))) << "the number as the boxes show it";
    dialog.combos[1]->setCurrentIndex(0);
    emit dialog.okButton->clicked();
    EXPECT_EQ(gCamNO[0], 2);
    EXPECT_EQ(gCamNO[2], 0);
}
