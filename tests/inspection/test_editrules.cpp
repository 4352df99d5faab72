// The region editor's plain rules: the step it opens on, the camera it shows
// after a re-check, the operation records of a save, and the template
// library's slots and files.
#include "inspection/cammerdata.h"
#include "inspection/changelog.h"
#include "inspection/editrules.h"
#include "inspection/templatelibrary.h"
#include "params/geometry.h"
#include "params/lanstr.h"
#include "params/paramdb.h"
#include "params/procedures.h"
#include "params/wizardpara.h"
#include "testenv.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <functional>
#include <set>

namespace {

class EditRules : public InTempFolder {
protected:
    void SetUp() override
    {
        InTempFolder::SetUp();
        LoadTextTable();
        gLan = 1;
        params = FactoryParams();
        gpWPara = &params;
        gShowW = 1725;
        gShowH = 982;
        SetImageGeometry(575, 491, false);
    }
    void TearDown() override
    {
        gpWPara = nullptr;
        gLan = 0;
        InTempFolder::TearDown();
    }
    WizardPara params;
};

// ---- the step the editor opens on

TEST_F(EditRules, EditStepPerProcedure)
{
    struct Case {
        const char* name;
        int procedure;
        bool step0;
        bool twoSame;
        int cavity;
        bool anyOrder;
        int steps;
        int current;
        bool alarm;
        int selected;
        int cameras;
        int expected;
    };
    const Case cases[] = {
        {"mode 0, product step off", ProcStandard, false, false, 0, false, 2, 0, false, 0, 1, 1},
        {"mode 0, two same parameters", ProcStandard, true, true, 0, false, 2, 1, false, 0, 1, 0},
        {"mode 0, mold step stays", ProcStandard, true, false, 0, false, 2, 1, false, 0, 1, 1},
        {"mode 5 like mode 0", ProcStandardNoRecheck, false, false, 0, false, 2, 0, false, 0, 1, 1},
        {"alarm keeps the current step", ProcStandard, false, false, 0, false, 2, 0, true, 0, 1, 0},
        {"mode 4, step 0 off", ProcMultiDetect, false, false, 0, false, 5, 0, false, 0, 1, 1},
        {"mode 4, later step stays", ProcMultiDetect, false, false, 0, false, 5, 3, false, 0, 1, 3},
        {"mode 1, right cavity, product", ProcTwoColor, true, false, 1, false, 4, 0, false, 0, 1, 2},
        {"mode 1, right cavity, no product", ProcTwoColor, false, false, 1, false, 4, 0, false, 0, 1, 3},
        {"mode 1, right cavity beyond the steps", ProcTwoColor, true, false, 1, false, 2, 1, false, 0, 1, 0},
        {"mode 1, all cavities, right mold", ProcTwoColor, true, true, 0, false, 4, 3, false, 0, 1, 1},
        {"mode 1, all cavities, right product", ProcTwoColor, true, true, 0, false, 4, 2, false, 0, 1, 0},
        {"mode 2, right product without product", ProcTurntable, false, true, 0, false, 4, 2, false, 0, 1, 1},
        {"mode 2, right cavity stays right", ProcTurntable, true, false, 2, false, 4, 2, false, 0, 1, 2},
        {"any order, second half edits the mold", ProcStandard, true, false, 0, true, 2, 0, false, 1, 2, 1},
        {"any order, first half edits the product", ProcStandard, true, false, 0, true, 2, 1, false, 0, 2, 0},
        {"any order, split view counts as second half", ProcStandard, true, false, 0, true, 2, 0, false, 2, 2, 1},
        {"any order without cameras", ProcStandard, true, false, 0, true, 2, 1, false, 0, 0, 0},
    };
    for (const Case& c : cases) {
        params.procedure = c.procedure;
        params.step_enabled[0] = c.step0;
        params.enabe_two_test = c.twoSame;
        params.cavity_position = c.cavity;
        params.detect_any_order = c.anyOrder;
        EXPECT_EQ(ChooseEditStep(c.current, c.alarm, params, c.steps, c.selected, c.cameras), c.expected) << c.name;
    }
}

TEST_F(EditRules, AReCheckShowsTheFirstNgCameraFromTheOneShown)
{
    struct Case {
        int shown;
        std::set<int> ng;
        int expected;
    } cases[] = {
        {1, {0, 2}, 2}, {1, {0}, 0}, {2, {2}, 2}, {0, {}, 0}, {2, {1}, 1},
    };
    for (const Case& c : cases)
        EXPECT_EQ(NextNGCamera(c.shown, 3, [&](int k) { return c.ng.count(k) > 0; }), c.expected) << c.shown;
}

// ---- operation records of a save

class Records : public EditRules {
protected:
    void SetUp() override
    {
        EditRules::SetUp();
        // Step 0: a defect rectangle, a spot ring (grey 0 .. 50), a positioning polygon.
        addRect(saved, 0, QRect(100, 100, 90, 60), MethodDefect, 5, 25, 100);
        const int ring = add(saved, 0, ShapeRing, MethodSpot, 50 << 8, 80, 500);
        Circle& c = saved.circles[0][ring];
        c.centreX = 400;
        c.centreY = 300;
        c.radius = 60;
        c.UpdateRect();
        c.setImageRect();
        const int poly = add(saved, 0, ShapePolygon, MethodPosition, 10, 10, 10);
        saved.polygons[0][poly].SetPoints({{600, 100}, {700, 120}, {650, 220}});
        saved.polygons[0][poly].setImageRect();
        addRect(saved, 1, QRect(800, 500, 90, 60), MethodDefect, 5, 25, 100);
    }
    static int add(CammerSingleton& s, int step, int kind, int method, int minSize, int sens, int area)
    {
        const int r = s.roiCount[step]++;
        s.shapeType[step][r] = kind;
        s.algorithm[step][r] = method;
        s.min_size[step][r] = minSize;
        s.sensibility[step][r] = sens;
        s.max_area[step][r] = area;
        return r;
    }
    static int addRect(CammerSingleton& s, int step, QRect v, int method, int minSize, int sens, int area)
    {
        const int r = add(s, step, ShapeRect, method, minSize, sens, area);
        s.rects[step][r].viewRect = v;
        s.rects[step][r].setImageRect();
        return r;
    }
    CammerSingleton saved{0};
};

TEST_F(Records, OneRecordPerAddedDeletedOrChangedRegion)
{
    const QString prod = QStringLiteral("Detection Prod of camera 1 ");
    struct Case {
        const char* name;
        std::function<void(CammerSingleton&)> edit;
        QStringList records;
        bool sameStore;
        bool positioning;
    };
    const Case cases[] = {
        {"nothing", [](CammerSingleton&) {}, {}, true, true},
        {"an output number only", [](CammerSingleton& e) { e.output_point[0] = 2; }, {}, false, true},
        {"a cavity box only", [](CammerSingleton& e) { e.checkFlags[1][4] = 2; }, {}, false, true},
        {"moved and moved back by a handle",
         [](CammerSingleton& e) {
             e.rects[0][0].Resize(4, QPoint(0, 0), QPoint(5, 0));
             e.rects[0][0].Resize(4, QPoint(5, 0), QPoint(0, 0));
         },
         {prod + "Changed the rectangular  area 1, The function is Defect detection,Detection position has been "
                 "modified"},
         false, true},
        {"to ignore area, not moved", [](CammerSingleton& e) { e.algorithm[0][0] = MethodIgnore; }, {}, false, true},
        {"to ignore area and moved",
         [](CammerSingleton& e) {
             e.algorithm[0][0] = MethodIgnore;
             e.rects[0][0].viewRect.translate(3, 0);
         },
         {prod + "Changed the rectangular  area 1, Changing the function from Defectto Ignore Area,Detection "
                 "position has been modified"},
         false, true},
        {"spot grey range 0 .. 50 to 10 .. 50", [](CammerSingleton& e) { e.min_size[0][1] = (50 << 8) | 10; },
         {prod + "Changed the circle area 2, The function is Spot detection , Changing the minimum gradation from 0 "
                 "to 10"},
         false, true},
        {"defect sensitivity and area",
         [](CammerSingleton& e) {
             e.sensibility[1][0] = 30;
             e.max_area[1][0] = 90;
         },
         {"Detection Mold of camera 1 Changed the rectangular  area 1, The function is Defect detection, Changing "
          "the sensitivity  from 25 to 30, Changing the area  from 100 to 90"},
         false, true},
        {"a rectangle added",
         [](CammerSingleton& e) { addRect(e, 0, QRect(900, 100, 90, 60), MethodDefect, 5, 25, 100); },
         {prod + "Added rectangular  area 4, function is Defect Detection,the sensitivity is 25,, the filter size is "
                 "5, the alarm area is 100"},
         false, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CammerSingleton edited = saved;
        c.edit(edited);
        const StoreChanges log = ChangeRecords(saved, edited, 1, 2);
        EXPECT_EQ(log.records, c.records);
        EXPECT_EQ(SameStore(saved, edited), c.sameStore);
        EXPECT_EQ(log.positioning, c.positioning);
    }
}

TEST_F(Records, DeletingTheSecondOfThreeChangesAreaTwoAndDeletesAreaThree)
{
    CammerSingleton edited = saved;
    edited.CopyRegion(edited, 0, 2, 0, 1);
    edited.roiCount[0] = 2;
    const StoreChanges log = ChangeRecords(saved, edited, 3, 2);
    ASSERT_EQ(log.records.size(), 2);
    EXPECT_TRUE(log.records[0].startsWith("Detection Prod of camera 3 Changed the Polygon area 2, Changing the "
                                          "function from Spot Detto Target positioning"))
        << log.records[0].toStdString();
    EXPECT_TRUE(log.records[0].endsWith(",Detection position has been modified"));
    EXPECT_EQ(log.records[1], "Detection Prod of camera 3 Deleted Polygon area 3, function is Position");
    EXPECT_TRUE(log.positioning);
}

TEST_F(Records, StepNamesAndLanguagesFollowTheRecord)
{
    params.procedure = ProcMultiDetect;
    CammerSingleton edited = saved;
    edited.roiCount[1] = 0;
    EXPECT_EQ(ChangeRecords(saved, edited, 2, 2).records,
              QStringList{"Detection 2nd of camera 2 Deleted rectangular  area 1, function is Defect"});
    gLan = 0;
    params.procedure = ProcStandard;
    EXPECT_EQ(ChangeRecords(saved, edited, 2, 2).records, QStringList{LanStr(73).arg("2", LanStr(264)) +
                                                                      LanStr(81).arg(LanStr(74), "1", LanStr(25))});
    EXPECT_TRUE(ChangeRecords(saved, edited, 2, 1).records.isEmpty()) << "only the steps in use";
}

// ---- template library

class Templates : public EditRules {
protected:
    void SetUp() override
    {
        EditRules::SetUp();
        QDir().mkpath(view.Folder(0));
    }
    void use(std::initializer_list<int> flags)
    {
        view.templateUsed[0].assign(flags.begin(), flags.end());
        view.templateCount[0] = 0;
        for (int f : flags)
            view.templateCount[0] += f;
    }
    // A file of the step's folder, modified `minutes` after a fixed time.
    void file(const QString& name, int minutes)
    {
        const QString path = view.Folder(0) + '/' + name;
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("bmp");
        f.close();
        ASSERT_TRUE(f.open(QIODevice::ReadWrite));
        ASSERT_TRUE(f.setFileTime(QDateTime(QDate(2026, 3, 1), QTime(8, 0)).addSecs(60 * minutes),
                                  QFileDevice::FileModificationTime));
    }
    QStringList files() { return QDir(view.Folder(0)).entryList(QDir::Files, QDir::Name); }

    CammerData view{0};
};

TEST_F(Templates, AFreeSlotIsTheLowestFreeOne)
{
    use({1, 0, 1, 0});
    EXPECT_EQ(TakeTemplateSlot(view, 0, 4), 1);
    EXPECT_EQ(view.templateCount[0], 3);
    EXPECT_EQ(view.templateUsed[0][1], 1);
    EXPECT_EQ(TakeTemplateSlot(view, 0, 4), 3);
    EXPECT_EQ(view.templateCount[0], 4);
    EXPECT_EQ(TakeTemplateSlot(view, 0, 1), -1) << "one slot: only the reference";
}

TEST_F(Templates, AFullStepReplacesItsOldestTemplateButNeverTheReference)
{
    struct Case {
        const char* name;
        std::vector<std::pair<QString, int>> files; // name, minutes
        int expected;
        QStringList removed;
        QStringList left;
    };
    const Case cases[] = {
        {"oldest of slots 1 .. 3",
         {{"template0.bmp", 0}, {"template1.bmp", 30}, {"template2.bmp", 10}, {"template3.bmp", 20}}, 2, {},
         {"template0.bmp", "template1.bmp", "template2.bmp", "template3.bmp"}},
        {"a used slot without its file goes first", {{"template0.bmp", 0}, {"template1.bmp", 5}, {"template3.bmp", 9}},
         2, {}, {"template0.bmp", "template1.bmp", "template3.bmp"}},
        {"names that are no slot number are ignored",
         {{"template0.bmp", 0}, {"templateX.bmp", 1}, {"template.bmp", 1}, {"template1a.bmp", 1},
          {"template1.bmp", 40}, {"template2.bmp", 30}, {"template3.bmp", 20}},
         3, {}, {"template.bmp", "template0.bmp", "template1.bmp", "template1a.bmp", "template2.bmp",
                 "template3.bmp", "templateX.bmp"}},
        {"a bitmap past the slot count is deleted",
         {{"template0.bmp", 0}, {"template11.bmp", 1}, {"template1.bmp", 40}, {"template2.bmp", 30},
          {"template3.bmp", 50}},
         2, {"template11"}, {"template0.bmp", "template1.bmp", "template2.bmp", "template3.bmp"}},
        {"no files at all", {}, 1, {}, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QDir(view.Folder(0)).removeRecursively();
        QDir().mkpath(view.Folder(0));
        for (const auto& f : c.files)
            file(f.first, f.second);
        use({1, 1, 1, 1});
        QStringList removed;
        EXPECT_EQ(TakeTemplateSlot(view, 0, 4, &removed), c.expected);
        EXPECT_EQ(view.templateCount[0], 4) << "a full step keeps its count";
        EXPECT_EQ(removed, c.removed);
        EXPECT_EQ(files(), c.left);
    }
}

TEST_F(Templates, BrowsingVisitsUsedSlotsAndAlwaysStopsAtTheReference)
{
    use({1, 0, 1, 1, 0});
    EXPECT_EQ(BrowseTemplate(view, 0, 0, true, 5), 2);
    EXPECT_EQ(BrowseTemplate(view, 0, 3, true, 5), 0);
    EXPECT_EQ(BrowseTemplate(view, 0, 0, false, 5), 3);
    EXPECT_EQ(BrowseTemplate(view, 0, 2, false, 5), 0);
    use({1, 0, 0});
    EXPECT_EQ(BrowseTemplate(view, 0, 0, true, 3), 0);
    EXPECT_EQ(BrowseTemplate(view, 0, 0, false, 3), 0);
}

TEST_F(Templates, KeepingTheFirstTemplateDeletesTheOtherFiles)
{
    use({1, 1, 1, 1});
    for (const char* name : {"template0.bmp", "template1.bmp", "template10.bmp", "template2.bmp"})
        file(name, 1);
    EXPECT_EQ(KeepFirstTemplate(view, 0, 4), (QStringList{"template1.bmp", "template10.bmp", "template2.bmp"}));
    EXPECT_EQ(files(), QStringList{"template0.bmp"});
    EXPECT_EQ(view.templateCount[0], 1);
    EXPECT_EQ(view.templateUsed[0], (std::vector<int>{1, 0, 0, 0}));

    // A folder without the reference keeps the first name instead.
    QFile::remove(view.Folder(0) + "/template0.bmp");
    file("template3.bmp", 1);
    file("template2.bmp", 1);
    KeepFirstTemplate(view, 0, 4);
    EXPECT_EQ(files(), QStringList{"template2.bmp"});
    EXPECT_EQ(TemplateFileTime(view, 0, 2), "2026-03-01 08.01.00");
    EXPECT_EQ(TemplateFileTime(view, 0, 3), QString());
}

} // namespace
