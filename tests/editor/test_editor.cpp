// The region editor in the real main window (two demonstration cameras, no
// board): entering and leaving editing, saving with its question and change
// records, the alarm review with its option bar, re-checks, templates, and
// screenshots of the editing screen and the alarm screen.
#include "cyclefixture.h"

#include "cameradriver/cameraglobals.h"
#include "editor/alarmoption.h"
#include "editor/drawroiwidget.h"
#include "editor/regionpanel.h"
#include "editor/regioption.h"
#include "editor/roioperation.h"
#include "inspection/changelog.h"
#include "params/procedures.h"
#include "captions.h"
#include "programlook.h"
#include "widgets/keyboards.h"
#include "widgets/passwordbox.h"
#include "widgets/uihost.h"
#include "viewfixture.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QCryptographicHash>
#include <QMouseEvent>
#include <QStackedLayout>

namespace {

QByteArray digest(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return QByteArray();
    return QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha1);
}

class Editor : public CycleWindow {
protected:
    void SetUp() override
    {
        CycleWindow::SetUp();
        para.is_psw_used = 0;
        para.enable_disarm_before_open = 0;
        para.add_template_protect = 0;
    }
    DrawROIWidget* editor() { return window->roiEditor; }
    RegiOption* regionBar() { return window->regionOptionBar; }
    AlarmOption* alarmBar() { return window->alarmOptionBar; }
    int page() { return window->sideStack->currentIndex(); }
    // The camera chosen in the alarm bar's list (as after the bar showed).
    void alarmCamera(int k)
    {
        alarmBar()->cameraList->setCurrentIndex(-1);
        alarmBar()->SetCamera(k);
    }

    void touch(CammerWidget* v, QEvent::Type type, QPoint p)
    {
        const Qt::MouseButtons held = type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton;
        QMouseEvent e(type, p, type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton, held, Qt::NoModifier);
        QCoreApplication::sendEvent(v, &e);
    }
    void drag(CammerWidget* v, QPoint from, QPoint to)
    {
        touch(v, QEvent::MouseButtonPress, from);
        touch(v, QEvent::MouseMove, (from + to) / 2);
        touch(v, QEvent::MouseMove, to);
        touch(v, QEvent::MouseButtonRelease, to);
    }
    QString row(int camera, const QString& name)
    {
        QSqlQuery q(QSqlDatabase::database("dbIn"));
        q.prepare(QString("select value from cammer%1 where name=?").arg(camera));
        q.addBindValue(name);
        return q.exec() && q.next() ? q.value(0).toString() : QString();
    }
    // Every file of the first two steps' template folders with its digest.
    QMap<QString, QByteArray> folders()
    {
        QMap<QString, QByteArray> files;
        for (const char* folder : {"cammer11", "cammer12", "cammer21", "cammer22"})
            for (const QFileInfo& f : QDir(folder).entryInfoList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot))
                files.insert(f.filePath(), f.isDir() ? QByteArray("folder") : digest(f.filePath()));
        return files;
    }
    // An alarm of camera 1 on the mold step with one NG region of 100 marked
    // pixels, shown in the alarm bar.
    void alarmWithMarkedPixels()
    {
        moldCycle(false, true);
        ASSERT_EQ(window->displayState, 2);
        alarmCamera(0);
        CammerWidget* v = view(0);
        const cv::Rect mark(100, 100, 10, 10);
        v->NgOverlay().setTo(0);
        v->roiOK[1][0] = false;
        v->roiValue[1][0] = 300;
        v->ngRects[1][0][0][0] = 1;
        int* box = v->ngRects[1][0][1];
        box[0] = mark.x - 2, box[1] = mark.y - 2, box[2] = mark.br().x + 2, box[3] = mark.br().y + 2;
        v->ngOverlay(mark).setTo(255);
    }
    // Boxes shown so far (some wait for the event loop) holding the text.
    int shownWith(const QString& text)
    {
        QCoreApplication::processEvents();
        return boxes.filter(text).size();
    }

    // The demonstration mold as every view's template of the first two steps.
    void moldTemplates()
    {
        const QString mold = testenv::sourceDir() + "/resources/programdir/cammer15/template0.bmp";
        for (const char* folder : {"cammer11", "cammer12", "cammer21", "cammer22"}) {
            QDir().mkpath(folder);
            QFile::remove(QString(folder) + "/template0.bmp");
            ASSERT_TRUE(QFile::copy(mold, QString(folder) + "/template0.bmp"));
        }
    }
};

} // namespace

TEST_F(Editor, AreaSettingsEnterEditingAndEndSetLeavesIt)
{
    start();
    watchStep(0);
    window->SlotAdjustArea();
    EXPECT_EQ(window->displayState, 3);
    EXPECT_EQ(page(), 1);
    EXPECT_EQ(gSource, 0);
    EXPECT_EQ(window->selectedCamera, 0) << "the split view gives way to camera 1";
    EXPECT_EQ(window->editStep, 0);
    EXPECT_TRUE(SameStore(*view(0)->editRegions, *view(0)->liveRegions));
    EXPECT_FALSE(view(0)->drawingBar->isHidden());
    EXPECT_FALSE(regionBar()->deleteButton->isHidden());
    EXPECT_TRUE(regionBar()->addButton->isHidden());

    regionBar()->endButton->click();
    EXPECT_TRUE(boxes.isEmpty()) << "nothing changed, nothing asked";
    EXPECT_EQ(window->displayState, 0);
    EXPECT_EQ(gSource, -1);
    EXPECT_EQ(page(), 0);
    EXPECT_TRUE(view(0)->drawingBar->isHidden());
}

TEST_F(Editor, TheBarsNameCamerasBySlotAndTheRecentNgSourceOffersAddingOnly)
{
    gLan = 1;
    start();
    setCameraSlots({0, 2}); // the camera of slot 1 failed: the second camera is slot 2
    RegiOption bar;
    QStringList names;
    for (int i = 0; i < bar.cameraList->count(); ++i)
        names << bar.cameraList->itemText(i);
    EXPECT_EQ(names, (QStringList{"Camera 1", "Camera 3", "All Camera"}));
    EXPECT_EQ(bar.sourceList->itemText(0), "Template");
    setCameraSlots({0, 1});

    window->SlotAdjustArea();
    regionBar()->sourceList->setCurrentIndex(2); // "Recent NG"
    EXPECT_EQ(gSource, 2);
    EXPECT_FALSE(regionBar()->addButton->isHidden());
    EXPECT_TRUE(regionBar()->deleteButton->isHidden());
    EXPECT_FALSE(view(0)->previousTemplateButton->isHidden());
    EXPECT_TRUE(view(0)->drawingBar->isHidden());

    regionBar()->sourceList->setCurrentIndex(1); // "Live Image"
    EXPECT_TRUE(view(0)->previousTemplateButton->isHidden());
    regionBar()->cameraList->setCurrentIndex(2); // "All Camera"
    EXPECT_EQ(window->selectedCamera, numCamera);
    regionBar()->sourceList->setCurrentIndex(0);
    EXPECT_EQ(window->selectedCamera, 0) << "templates are edited one camera at a time";
}

TEST_F(Editor, ARefusedSaveLeavesTheStoredRegionsAndBitmapsUntouched)
{
    start();
    watchStep(0);
    CammerWidget* v = view(0);
    ASSERT_TRUE(v->liveRegions->SaveDatatoFile());
    v->CammerData::IgnoreMask(0)(cv::Rect(300, 300, 40, 40)).setTo(255);
    ASSERT_TRUE(v->SaveIgnorePoint(0));
    const QString storedRow = row(0, "ROI0-0");
    const QByteArray bitmap = digest("cammer11/ignorepoint.bmp");
    const int recordCount = records().size();

    // Delete all, then draw one new rectangle.
    auto edit = [&] {
        window->SlotAdjustArea();
        editor()->SlotDeleteAllROI();
        editor()->SlotDrawRect();
        drag(v, QPoint(900, 500), QPoint(1100, 650));
        ASSERT_EQ(v->editRegions->roiCount[0], 1);
        EXPECT_EQ(v->editRegions->rects[0][0].viewRect, QRect(QPoint(900, 500), QPoint(1100, 650)));
        EXPECT_EQ(digest("cammer11/ignorepoint.bmp"), bitmap) << "nothing is written before the save";
    };
    edit();
    answer = QDialog::Rejected;
    boxes.clear();
    regionBar()->endButton->click();
    EXPECT_EQ(boxes.size(), 1);
    EXPECT_TRUE(boxes.value(0).contains(LanStr(72)));
    EXPECT_EQ(row(0, "ROI0-0"), storedRow);
    EXPECT_EQ(digest("cammer11/ignorepoint.bmp"), bitmap);
    EXPECT_EQ(cv::countNonZero(v->ignoreMask[0]), 40 * 40);
    EXPECT_EQ(v->liveRegions->rects[0][0].viewRect, QRect(200, 200, 400, 300));
    EXPECT_EQ(records().size(), recordCount);

    // The next entry starts again from what is stored.
    window->SlotAdjustArea();
    EXPECT_TRUE(SameStore(*v->editRegions, *v->liveRegions));
    boxes.clear();
    regionBar()->endButton->click();
    EXPECT_TRUE(boxes.isEmpty());

    // Saved: one record per changed region, the rows and the cleared ignore points.
    gLan = 1;
    answer = QDialog::Accepted;
    edit();
    regionBar()->endButton->click();
    const QStringList added = records().mid(recordCount);
    ASSERT_EQ(added.size(), 1);
    EXPECT_TRUE(added[0].startsWith("Detection Prod of camera 1 Changed the rectangular  area 1, "));
    EXPECT_NE(row(0, "ROI0-0"), storedRow);
    EXPECT_NE(digest("cammer11/ignorepoint.bmp"), bitmap);
    EXPECT_EQ(cv::countNonZero(v->ignoreMask[0]), 0);
    EXPECT_TRUE(SameStore(*v->editRegions, *v->liveRegions));
    EXPECT_EQ(v->liveMasks[0][0].data, v->editMasks[0][0].data);
}

TEST_F(Editor, ARegionSaveTheDatabaseRefusesTakesNoEffect)
{
    start();
    watchStep(0);
    CammerWidget* v = view(0);
    ASSERT_TRUE(v->liveRegions->SaveDatatoFile());
    const QRect box = v->liveRegions->ImageRect(0, 0);
    v->CammerData::IgnoreMask(0)(cv::Rect(box.x() + 5, box.y() + 5, 10, 10)).setTo(255);
    ASSERT_TRUE(v->SaveIgnorePoint(0));
    const QString storedRow = row(0, "detect0");
    const QByteArray bitmap = digest("cammer11/ignorepoint.bmp");
    const int regions = v->liveRegions->roiCount[0];
    const int recordCount = records().size();

    window->SlotAdjustArea();
    ASSERT_TRUE(v->DeleteROI(0));
    QSqlQuery db(QSqlDatabase::database("dbIn"));
    ASSERT_TRUE(db.exec("PRAGMA query_only=1"));
    answer = QDialog::Accepted;
    boxes.clear();
    regionBar()->endButton->click();
    EXPECT_TRUE(boxes.join('|').contains(LanStr(kLanRegionSaveFailed))) << boxes.join('|').toStdString();
    EXPECT_EQ(v->liveRegions->roiCount[0], regions);
    EXPECT_EQ(row(0, "detect0"), storedRow);
    EXPECT_EQ(cv::countNonZero(v->ignoreMask[0]), 100) << "the ignore points stay with the region";
    EXPECT_EQ(digest("cammer11/ignorepoint.bmp"), bitmap);
    EXPECT_EQ(records().size(), recordCount);
    EXPECT_EQ(gSource, 0) << "still editing";
    EXPECT_EQ(v->editRegions->roiCount[0], regions - 1) << "the edit is kept for another try";

    ASSERT_TRUE(db.exec("PRAGMA query_only=0"));
    regionBar()->endButton->click();
    EXPECT_EQ(v->liveRegions->roiCount[0], regions - 1);
    EXPECT_EQ(cv::countNonZero(v->ignoreMask[0]), 0);
    EXPECT_NE(digest("cammer11/ignorepoint.bmp"), bitmap);
    EXPECT_EQ(records().size(), recordCount + 1);
}

TEST_F(Editor, AnAlarmOpensTheAlarmBarAndStartStopWaitsForIt)
{
    moldOnly();
    start();
    watchStep(1);
    window->show();
    moldCycle(false, true);
    ASSERT_EQ(window->displayState, 2);
    EXPECT_EQ(page(), 2);
    EXPECT_TRUE(alarmBar()->isVisible());
    EXPECT_EQ(gSource, 1);
    EXPECT_EQ(alarmBar()->sourceList->currentIndex(), 1);
    EXPECT_TRUE(alarmBar()->buttons[4]->isHidden()) << "ignore-point buttons are not offered";
    EXPECT_TRUE(SameStore(*view(0)->editRegions, *view(0)->liveRegions));

    window->SlotStartStop();
    EXPECT_EQ(window->runState, 3) << "detection does not restart under the alarm";
    EXPECT_EQ(window->displayState, 2);

    // "Template" on the alarm bar: the region bar takes over the column.
    alarmCamera(0);
    alarmBar()->sourceList->setCurrentIndex(0);
    EXPECT_EQ(page(), 1);
    EXPECT_EQ(gSource, 0);
    EXPECT_FALSE(regionBar()->switchButton->isHidden());
    regionBar()->switchButton->click(); // Live <-> Temp: back to the alarm image
    EXPECT_EQ(gSource, 1);
    EXPECT_EQ(page(), 2);
}

TEST_F(Editor, AReCheckShowsTheNextCameraStillInAlarm)
{
    struct Case {
        int shown;
        bool cam0Ok, cam1Ok;
        int selected;
        int display;
    };
    const Case cases[] = {
        {0, false, false, 0, 2},
        {1, false, true, 0, 2},
        {0, true, false, 1, 2},
        {1, true, true, 1, 1}, // passed: the OK result shows
    };
    bool first = true;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.shown * 100 + c.cam0Ok * 10 + c.cam1Ok);
        if (!first)
            nextCase();
        first = false;
        moldOnly();
        para.is_psw_used = 0;
        start();
        watchStep(1);
        moldCycle(false, false);
        ASSERT_EQ(window->displayState, 2);
        alarmCamera(c.shown);
        ASSERT_EQ(window->selectedCamera, c.shown);
        alarmBar()->buttons[AlarmOption::RE_DETECT - 1]->click();
        newFrames(c.cam0Ok, c.cam1Ok); // the re-check judges frames taken after it
        EXPECT_EQ(window->displayState, c.display);
        EXPECT_EQ(window->selectedCamera, c.selected);
        EXPECT_EQ(gSource, c.display == 2 ? 1 : -1);
    }
}

TEST_F(Editor, TheSafetyDoorClearsAnAlarmReviewedOnRecentNgBackToTheLiveImage)
{
    moldOnly();
    start();
    watchStep(1);
    moldCycle(false, true);
    ASSERT_EQ(window->displayState, 2);
    ASSERT_TRUE(out(2));
    alarmCamera(0);
    alarmBar()->sourceList->setCurrentIndex(2); // "Recent NG"
    EXPECT_EQ(gSource, 2);
    window->Run();
    EXPECT_FALSE(out(2)) << "looking at other images silences the alarm";

    edge(1); // the safety door
    newFrames(true, true);
    EXPECT_EQ(window->displayState, 1) << "the OK result shows";
    EXPECT_EQ(gSource, -1) << "live frames are shown again";
    EXPECT_EQ(page(), 0);
}

TEST_F(Editor, DontDetectSkipsTheAlarmCameraForThisCycle)
{
    moldOnly();
    start();
    watchStep(1);
    gLan = 1;
    moldCycle(false, true);
    ASSERT_EQ(window->displayState, 2);
    alarmCamera(1);
    frames(false, true);
    window->Run();
    editor()->SlotNoCheckCur();
    EXPECT_TRUE(boxes.last().contains("Tip: Please switch to the alarm")) << "camera 2 is not in alarm";
    EXPECT_EQ(window->displayState, 2);

    alarmCamera(0);
    editor()->SlotNoCheckCur();
    newFrames(false, true);
    EXPECT_TRUE(view(0)->noDetect[1]);
    EXPECT_EQ(window->displayState, 1) << "the other camera passes";
    EXPECT_TRUE(records().contains("Camera 1 do not detect the mold"));
}

// With "Open the safety door to lift the alarm" on, the alarm camera is
// released only once the door has opened.
TEST_F(Editor, DontDetectWaitsForTheSafetyDoorWhenTheOptionIsOn)
{
    moldOnly();
    para.enable_disarm_before_open = 1;
    start();
    watchStep(1);
    gLan = 1;
    setInput(1, true); // the door closed
    moldCycle(false, true);
    ASSERT_EQ(window->displayState, 2);
    alarmCamera(0);
    boxes.clear();
    editor()->SlotNoCheckCur();
    ASSERT_EQ(boxes.size(), 1);
    EXPECT_TRUE(boxes[0].contains(LanStr(195))) << boxes[0].toStdString();
    EXPECT_FALSE(view(0)->noDetect[1]);
    EXPECT_EQ(window->displayState, 2);

    setInput(1, false); // the door opens
    window->Run();
    boxes.clear();
    editor()->SlotNoCheckCur();
    EXPECT_TRUE(boxes.filter(LanStr(195)).isEmpty());
    EXPECT_TRUE(view(0)->noDetect[1]);
    EXPECT_TRUE(records().contains("Camera 1 do not detect the mold"));
}

// With "ignore alarm point" protected, a wrong password ignores nothing and
// the right one lets the points be ignored.
TEST_F(Editor, IgnoringAlarmPointsAsksForThePasswordWhenProtected)
{
    moldOnly();
    para.is_psw_used = 1;
    para.ignore_alarm_protect = 1;
    ASSERT_TRUE(setParamText(para.password, "2468"));
    start();
    watchStep(1);
    moldCycle(false, true);
    ASSERT_EQ(window->displayState, 2);
    alarmCamera(0);
    CammerWidget* v = view(0);
    const cv::Rect mark(100, 100, 10, 10);
    v->NgOverlay().setTo(0);
    v->roiOK[1][0] = false;
    v->roiValue[1][0] = 300;
    v->ngRects[1][0][0][0] = 1;
    int* box = v->ngRects[1][0][1];
    box[0] = mark.x - 2, box[1] = mark.y - 2, box[2] = mark.br().x + 2, box[3] = mark.br().y + 2;
    v->ngOverlay(mark).setTo(255);
    v->CammerData::IgnoreMask(1).setTo(0);

    QString typed;
    int asked = 0;
    setModalRunner([&](QDialog& d) {
        if (auto* login = dynamic_cast<PasswordBox*>(&d)) {
            ++asked;
            login->show();
            login->passwordField()->setText(typed);
            login->accept();
            login->hide();
            return login->result();
        }
        return int(QDialog::Accepted);
    });
    uiHost().userLevel = 0;
    typed = "1357";
    editor()->SlotIgnoreAlarmPoint();
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(cv::countNonZero(v->ignoreMask[1]), 0) << "a wrong password ignores nothing";
    EXPECT_FALSE(records().contains(LanStr(114).arg(1)));

    typed = "2468";
    editor()->SlotIgnoreAlarmPoint();
    EXPECT_EQ(asked, 2);
    EXPECT_EQ(cv::countNonZero(v->ignoreMask[1]), 100);
    EXPECT_TRUE(records().contains(LanStr(114).arg(1)));
    uiHost().userLevel = 0;
}

TEST_F(Editor, TheAlarmImageBecomesATemplateAndTheStepPassesForItsCamera)
{
    moldOnly();
    para.max_mold_num = 3;
    start();
    watchStep(1);
    gLan = 1;
    moldCycle(false, true);
    ASSERT_EQ(window->displayState, 2);
    alarmCamera(0);
    ASSERT_EQ(view(0)->templateCount[1], 1);
    alarmBar()->buttons[AlarmOption::ADD_TEMP - 1]->click();
    EXPECT_TRUE(QFile::exists("cammer12/template1.bmp"));
    EXPECT_EQ(view(0)->templateCount[1], 2);
    newFrames(false, true);
    EXPECT_TRUE(view(0)->noDetect[1]);
    EXPECT_TRUE(records().contains("Camerar 1 added a template"));
    EXPECT_EQ(window->displayState, 1) << "the re-check passes without camera 1";
}

TEST_F(Editor, ResamplingKeepsOnlyTheFirstTemplateOfEveryStep)
{
    para.max_mold_num = 3;
    moldTemplates();
    for (const char* extra : {"cammer11/template1.bmp", "cammer11/template2.bmp", "cammer22/template2.bmp"})
        ASSERT_TRUE(QFile::copy("cammer11/template0.bmp", extra));
    start();
    ASSERT_EQ(view(0)->templateCount[0], 3);
    window->SlotReTrain();
    EXPECT_EQ(window->runState, 2);
    EXPECT_EQ(QDir("cammer11").entryList({"template*"}), QStringList{"template0.bmp"});
    EXPECT_EQ(QDir("cammer22").entryList({"template*"}), QStringList{"template0.bmp"});
    EXPECT_EQ(view(0)->templateCount[0], 1);
    EXPECT_TRUE(records().contains(LanStr(71)));
}

// In every language, with no caption of the bars, the region panel or the
// drawing toolbar cut off.
TEST_F(Editor, ScreenshotsOfTheEditorAndTheAlarmBar)
{
    const ProgramLook look;
    const char* const suffix[3] = {"_zh", "_en", "_tw"};
    auto screen = [&](const char* name) {
        QCoreApplication::processEvents();
        shoot(QString(name) + suffix[gLan], window->grab().toImage());
        const QStringList cut = clippedCaptions(window);
        EXPECT_TRUE(cut.isEmpty()) << name << suffix[gLan] << ": " << cut.join(" | ").toStdString();
    };
    for (int lan : {1, 0, 2}) {
        if (lan != 1)
            nextCase();
        gLan = lan;
        para.is_psw_used = 0;
        para.enable_display_detail = 1;
        para.enable_spot_detect = 1;
        moldOnly();
        para.detect_product = 1;
        moldTemplates();
        start();
        window->show();
        window->SlotAdjustArea();
        CammerWidget* v = view(0);
        // One region of each shape, drawn with the toolbar.
        editor()->SlotDrawRect();
        drag(v, QPoint(250, 150), QPoint(520, 330));
        editor()->SlotDrawCircle();
        drag(v, QPoint(1000, 150), QPoint(1240, 390));
        editor()->SlotDrawPloygn();
        for (QPoint p : {QPoint(300, 600), QPoint(600, 560), QPoint(700, 800), QPoint(350, 850), QPoint(302, 603)}) {
            touch(v, QEvent::MouseButtonPress, p);
            touch(v, QEvent::MouseButtonRelease, p);
        }
        editor()->SlotDrawHand();
        touch(v, QEvent::MouseButtonPress, QPoint(1200, 600));
        for (int i = 0; i <= 36; ++i) {
            const double a = i * 2 * M_PI / 36;
            touch(v, QEvent::MouseMove, QPoint(1300 + int(110 * std::cos(a)), 700 + int(80 * std::sin(a))));
        }
        touch(v, QEvent::MouseButtonRelease, QPoint(1410, 700));
        ASSERT_EQ(v->editRegions->roiCount[0], 4);
        touch(v, QEvent::MouseButtonPress, QPoint(1650, 900)); // nothing selected: every region shows
        touch(v, QEvent::MouseButtonRelease, QPoint(1650, 900));
        screen("regions");
        // The ring selected, its panel beside it.
        touch(v, QEvent::MouseButtonPress, QPoint(1120, 270));
        touch(v, QEvent::MouseButtonRelease, QPoint(1120, 270));
        ASSERT_EQ(v->selectedRegion, 1);
        screen("editor");

        // The alarm screen.
        regionBar()->endButton->click();
        moldCycle(false, true);
        newFrames(false, true); // the product step judges frames taken after its own start
        ASSERT_EQ(window->displayState, 2);
        screen("alarm");
        window->hide();
    }
}

TEST_F(Editor, DeletingTheTemplateShownMovesToTheNextOne)
{
    para.max_mold_num = 6;
    moldTemplates();
    for (const char* extra : {"cammer11/template3.bmp", "cammer11/template5.bmp"})
        ASSERT_TRUE(QFile::copy("cammer11/template0.bmp", extra));
    gLan = 1;
    start();
    window->SlotAdjustArea();
    CammerWidget* v = view(0);
    ASSERT_EQ(v->templateCount[0], 3);

    editor()->SlotTempDeleteCur();
    EXPECT_TRUE(boxes.last().contains("If you want to delete the first")) << "the reference stays";

    regionBar()->SlotTempNext();
    EXPECT_EQ(v->curTemplate, 3);
    EXPECT_FALSE(gTempTime.isEmpty());
    editor()->SlotTempDeleteCur();
    EXPECT_EQ(v->curTemplate, 5);
    EXPECT_EQ(v->templateCount[0], 2);
    EXPECT_FALSE(QFile::exists("cammer11/template3.bmp"));
    EXPECT_TRUE(records().contains("Camera 1 has deleted the 4 template "));
    regionBar()->SlotTempNext();
    EXPECT_EQ(v->curTemplate, 0);
    regionBar()->SlotTempLast();
    EXPECT_EQ(v->curTemplate, 5);
}

TEST_F(Editor, IgnoringAlarmPointsRefusesLargeAreasOneByOne)
{
    moldOnly();
    start();
    watchStep(1);
    watchStep(1);
    moldCycle(false, true);
    ASSERT_EQ(window->displayState, 2);
    alarmCamera(0);
    CammerWidget* v = view(0);
    // Two NG regions: 2500 and 300 pixels, each with one NG box of marked pixels.
    const int values[2] = {2500, 300};
    const cv::Rect marks[2] = {cv::Rect(10, 10, 10, 10), cv::Rect(100, 100, 10, 10)};
    v->NgOverlay().setTo(0);
    for (int r = 0; r < 2; ++r) {
        v->roiOK[1][r] = false;
        v->roiValue[1][r] = values[r];
        v->ngRects[1][r][0][0] = 1;
        int* box = v->ngRects[1][r][1];
        box[0] = marks[r].x - 2, box[1] = marks[r].y - 2, box[2] = marks[r].br().x + 2, box[3] = marks[r].br().y + 2;
        v->ngOverlay(marks[r]).setTo(255);
    }
    v->CammerData::IgnoreMask(1).setTo(0);
    boxes.clear();
    editor()->SlotIgnoreAlarmPoint();
    EXPECT_EQ(boxes.filter(LanStr(115).arg(2000)).size(), 1);
    EXPECT_EQ(cv::countNonZero(v->ignoreMask[1]), 100);
    EXPECT_EQ(cv::countNonZero(v->ignoreMask[1](marks[1])), 100);
    EXPECT_TRUE(QFile::exists("cammer12/ignorepoint.bmp"));
    EXPECT_TRUE(records().contains(LanStr(114).arg(1)));

    editor()->SlotDeleteIgnorePoint();
    EXPECT_EQ(cv::countNonZero(v->ignoreMask[1]), 0);
    EXPECT_TRUE(records().contains(LanStr(117).arg(1)));
}

TEST_F(Editor, StepChangesWarnOfADisabledProductStepAndNoteTwoSameParametersOnce)
{
    para.detect_product = 0;
    start();
    window->SlotAdjustArea();
    ASSERT_EQ(window->editStep, 1) << "no product step to edit";
    boxes.clear();
    regionBar()->stepList->setCurrentIndex(0);
    EXPECT_EQ(regionBar()->stepList->currentIndex(), 1);
    EXPECT_EQ(window->editStep, 1);
    ASSERT_EQ(boxes.size(), 1);
    EXPECT_TRUE(boxes[0].contains(LanStr(118)));

    nextCase();
    para.is_psw_used = 0;
    para.enabe_two_test = 1;
    start();
    window->SlotAdjustArea();
    ASSERT_EQ(window->editStep, 0) << "the product step's parameters count";
    boxes.clear();
    regionBar()->stepList->setCurrentIndex(1);
    regionBar()->stepList->setCurrentIndex(0);
    regionBar()->stepList->setCurrentIndex(1);
    EXPECT_EQ(boxes.size(), 1);
    EXPECT_TRUE(boxes.value(0).contains(LanStr(119).left(8)));
    EXPECT_EQ(window->editStep, 1);
}

TEST_F(Editor, TheDrawHintTimesOut)
{
    start();
    gDrawHint = 3;
    window->drawHintTimer->start(3000);
    window->SlotDrawHint();
    EXPECT_EQ(gDrawHint, 0);
    EXPECT_FALSE(window->drawHintTimer->isActive());
}

// While saves are held (here: a restored group waits for its restart),
// re-sampling, template deletion, the automatic template update, ignoring
// and clearing alarm points and adding a template refuse to write into the
// camera folders, and say so; nothing in them or in memory changes.
TEST_F(Editor, WhileSavesAreHeldNoCommandWritesTheCameraFolders)
{
    moldOnly();
    para.procedure = para.procedure_requested = ProcAutoParts;
    para.template_auto_update = 1;
    para.max_mold_num = 3;
    moldTemplates();
    ASSERT_TRUE(QFile::copy("cammer12/template0.bmp", "cammer12/template1.bmp"));
    start();
    watchStep(1);
    CammerWidget* v = view(0);
    ASSERT_EQ(v->templateCount[1], 2);
    const QMap<QString, QByteArray> before = folders();
    holdParamSaves();
    const QString held = LanStr(kLanSavesHeldRestored);

    window->SlotReTrain();
    EXPECT_EQ(shownWith(held), 1) << "re-sampling";
    EXPECT_NE(window->runState, 2);

    window->SlotAdjustArea();
    regionBar()->SlotTempNext();
    ASSERT_EQ(v->curTemplate, 1);
    editor()->SlotTempDeleteCur();
    EXPECT_EQ(shownWith(held), 2) << "deleting a template";
    EXPECT_EQ(v->templateCount[1], 2);
    regionBar()->endButton->click();

    moldCycle(true, true);
    moldCycle(true, true);
    EXPECT_EQ(shownWith(held), 3) << "the automatic update, told once";

    alarmWithMarkedPixels();
    editor()->SlotIgnoreAlarmPoint();
    v->CammerData::IgnoreMask(1)(cv::Rect(0, 0, 4, 4)).setTo(255);
    editor()->SlotDeleteIgnorePoint();
    alarmBar()->buttons[AlarmOption::ADD_TEMP - 1]->click();
    EXPECT_EQ(shownWith(held), 6) << "ignoring, clearing, adding";
    EXPECT_EQ(cv::countNonZero(v->ignoreMask[1]), 16);
    EXPECT_EQ(v->templateCount[1], 2);

    EXPECT_EQ(folders(), before);
    const QStringList journal = records();
    for (const QString& done : {LanStr(139), LanStr(71), LanStr(70).arg("1", "2"), LanStr(114).arg(1),
                                LanStr(117).arg(1), LanStr(109).arg(1)})
        EXPECT_FALSE(journal.contains(done)) << done.toStdString();
    holdParamSaves(false);
}

// A bitmap the disk refuses (a folder in the file's place) is told and
// journaled, nothing is journaled as done, and memory keeps what the disk
// has: the template count, the ignore points, a template that stays.
TEST_F(Editor, BitmapWritesTheDiskRefusesAreToldAndChangeNothing)
{
    moldOnly();
    para.max_mold_num = 3;
    moldTemplates();
    ASSERT_TRUE(QFile::copy("cammer12/template0.bmp", "cammer12/template2.bmp"));
    start();
    watchStep(1);
    watchStep(1);
    CammerWidget* v = view(0);
    ASSERT_EQ(v->templateCount[1], 2);
    ASSERT_TRUE(QFile::remove("cammer12/template2.bmp"));
    ASSERT_TRUE(QDir().mkpath("cammer12/template2.bmp"));
    ASSERT_TRUE(QDir().mkpath("cammer12/template1.bmp")); // the slot a new template takes
    ASSERT_TRUE(QDir().mkpath("cammer12/ignorepoint.bmp"));
    const QString templateText = LanStr(kLanTemplateNotWritten).arg(1).arg(2);
    const QString ignoreText = LanStr(kLanIgnorePointsNotWritten).arg(1).arg(2);
    const QString notDeleted = LanStr(kLanTemplateNotDeleted).arg(1).arg(2).arg(3);

    // Editing: a template whose file cannot be deleted stays in use; a
    // deleted region's ignore points stay while its deletion is saved.
    window->SlotAdjustArea();
    regionBar()->SlotTempNext();
    ASSERT_EQ(v->curTemplate, 2);
    editor()->SlotTempDeleteCur();
    EXPECT_EQ(shownWith(notDeleted), 1);
    EXPECT_EQ(v->templateCount[1], 2);
    EXPECT_EQ(v->templateUsed[1][2], 1);
    const QRect box = v->liveRegions->ImageRect(1, 0);
    v->CammerData::IgnoreMask(1)(cv::Rect(box.x(), box.y(), 5, 5)).setTo(255);
    ASSERT_TRUE(v->DeleteROI(0));
    regionBar()->endButton->click();
    EXPECT_EQ(v->liveRegions->roiCount[1], 1) << "the regions are saved";
    EXPECT_EQ(shownWith(ignoreText), 1);
    EXPECT_EQ(cv::countNonZero(v->ignoreMask[1]), 25);

    // The alarm bar.
    alarmWithMarkedPixels();
    alarmBar()->buttons[AlarmOption::ADD_TEMP - 1]->click();
    EXPECT_EQ(shownWith(templateText), 1);
    EXPECT_EQ(v->templateCount[1], 2);
    EXPECT_EQ(v->templateUsed[1][1], 0);
    editor()->SlotIgnoreAlarmPoint();
    EXPECT_EQ(shownWith(ignoreText), 2);
    EXPECT_EQ(cv::countNonZero(v->ignoreMask[1]), 25);
    editor()->SlotDeleteIgnorePoint();
    EXPECT_EQ(shownWith(ignoreText), 3);
    EXPECT_EQ(cv::countNonZero(v->ignoreMask[1]), 25);

    const QStringList journal = records();
    EXPECT_EQ(journal.filter(notDeleted).size(), 1);
    EXPECT_EQ(journal.filter(ignoreText).size(), 3);
    EXPECT_EQ(journal.filter(templateText).size(), 1);
    for (const QString& done : {LanStr(109).arg(1), LanStr(114).arg(1), LanStr(117).arg(1), LanStr(70).arg("1", "3")})
        EXPECT_FALSE(journal.contains(done)) << done.toStdString();
}

// The automatic template update rewrites template 0 of the mold step after
// every OK cycle: a write that fails is told once, until one succeeds, and
// the template in memory stays the one on disk.
TEST_F(Editor, TheAutomaticTemplateUpdateTellsAFailedWriteOnce)
{
    moldOnly();
    para.procedure = para.procedure_requested = ProcAutoParts;
    para.template_auto_update = 1;
    moldTemplates();
    start();
    watchStep(1);
    const QString failed = LanStr(kLanTemplateNotWritten).arg(1).arg(2);
    const QByteArray stored = digest("cammer12/template0.bmp");
    moldCycle(true, true);
    ASSERT_TRUE(trained()); // written and trained off the GUI thread
    EXPECT_NE(digest("cammer12/template0.bmp"), stored) << "the OK frame is the new template";

    ASSERT_TRUE(QFile::remove("cammer12/template0.bmp"));
    ASSERT_TRUE(QDir().mkpath("cammer12/template0.bmp"));
    const cv::Mat kept = view(0)->TemplatePlane(1, 0).clone();
    // OK cycles on another picture than the template's.
    auto okCycle = [&] {
        edge(0);
        deliver(0, 190);
        deliver(1, 200);
        tick();
        ASSERT_TRUE(trained());
    };
    okCycle();
    okCycle();
    EXPECT_EQ(shownWith(failed), 1);
    EXPECT_EQ(cv::countNonZero(view(0)->TemplatePlane(1, 0) != kept), 0) << "memory keeps the template on disk";

    ASSERT_TRUE(QDir("cammer12/template0.bmp").removeRecursively());
    okCycle();
    EXPECT_TRUE(QFileInfo("cammer12/template0.bmp").isFile());
    ASSERT_TRUE(QFile::remove("cammer12/template0.bmp"));
    ASSERT_TRUE(QDir().mkpath("cammer12/template0.bmp"));
    okCycle();
    EXPECT_EQ(shownWith(failed), 2) << "told again after a write succeeded";
    EXPECT_EQ(records().filter(failed).size(), 2);
}
