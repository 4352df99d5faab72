#include "inspectionfixture.h"

#include "inspection/cammerrecongnize.h"
#include "inspection/paramroi.h"
#include "params/lanstr.h"
#include "sqlfaults.h"

#include <QCoreApplication>
#include <QDir>
#include <gtest/gtest.h>

namespace {

using Store = InspectionFolder;

QRect corners(int x1, int y1, int x2, int y2) { return QRect(QPoint(x1, y1), QPoint(x2, y2)); }

// Step 1 of a store: a rectangle, a ring and a polygon with their parameters.
void fillThreeShapes(CammerSingleton& s)
{
    s.roiCount[1] = 3;
    for (int k = 0; k < 8; ++k)
        s.checkFlags[1][k] = k % 2 ? 2 : 0;
    s.shapeType[1][0] = ShapeRect;
    s.rects[1][0].viewRect = corners(100, 120, 300, 220);
    s.min_size[1][0] = 4;
    s.sensibility[1][0] = 30;
    s.max_area[1][0] = 250;
    s.algorithm[1][0] = MethodBlackArea;
    s.output_point[0] = 2;
    s.shapeType[1][1] = ShapeRing;
    s.circles[1][1].centreX = 700;
    s.circles[1][1].centreY = 500;
    s.circles[1][1].radius = 300;
    s.circles[1][1].innerRadius = 120;
    s.circles[1][1].UpdateRect();
    s.algorithm[1][1] = MethodSimilarity;
    s.sensibility[1][1] = 70;
    s.shapeType[1][2] = ShapePolygon;
    s.polygons[1][2].SetPoints({{400, 100}, {600, 120}, {550, 300}, {420, 260}});
    s.algorithm[1][2] = MethodDirection;
    s.min_size[1][2] = 1;
    s.sensibility[1][2] = 50;
    s.max_area[1][2] = 900;
    s.output_point[2] = 3;
}

int gHookCalls = 0;
void countHook(int camera, int) { gHookCalls += camera == 3 ? 1 : 100; }

} // namespace

TEST_F(Store, FreshTableLoadsEmptyAndGetsItsStepRows)
{
    // Sixteen stores (two per camera) must stay small: no fixed vertex arrays.
    EXPECT_LT(sizeof(CammerSingleton), 256u * 1024u);

    CammerData view(0);
    CammerSingleton s(0);
    EXPECT_TRUE(s.LoadDatafromFile(&view));
    for (int d = 0; d < 8; ++d) {
        EXPECT_EQ(s.roiCount[d], 0);
        EXPECT_EQ(row(0, QStringLiteral("detect%1").arg(d)), QStringLiteral("0"));
    }
    EXPECT_TRUE(warnings.isEmpty());
}

TEST_F(Store, EachShapeRoundTripsWithItsMask)
{
    CammerSingleton s(2);
    fillThreeShapes(s);
    ASSERT_TRUE(s.SaveDatatoFile());
    EXPECT_EQ(row(2, "detect1"), QStringLiteral("3 0 2 0 2 0 2 0 2"));
    EXPECT_EQ(row(2, "ROI1-0"), QStringLiteral("4 30 250 4 1 2 0 100 120 300 220"));
    EXPECT_EQ(row(2, "ROI1-1"), QStringLiteral("0 70 0 6 4 0 0 700 500 %1").arg(120 * 65536 + 300));
    EXPECT_EQ(row(2, "ROI1-2"), QStringLiteral("1 50 900 8 2 3 4 400 100 600 120 550 300 420 260 "));

    CammerData view(2);
    CammerSingleton t(2);
    ASSERT_TRUE(t.LoadDatafromFile(&view));
    ASSERT_EQ(t.roiCount[1], 3);
    for (int k = 0; k < 8; ++k)
        EXPECT_EQ(t.checkFlags[1][k], s.checkFlags[1][k]);
    EXPECT_EQ(t.rects[1][0].viewRect, s.rects[1][0].viewRect);
    EXPECT_EQ(t.circles[1][1].radius, 300);
    EXPECT_EQ(t.circles[1][1].innerRadius, 120);
    EXPECT_EQ(t.polygons[1][2].viewPoints, s.polygons[1][2].viewPoints);
    EXPECT_EQ(t.output_point[0], 2);
    EXPECT_EQ(t.output_point[2], 3);
    for (int r = 0; r < 3; ++r) {
        EXPECT_EQ(t.algorithm[1][r], s.algorithm[1][r]);
        EXPECT_EQ(t.min_size[1][r], s.min_size[1][r]);
        EXPECT_EQ(t.sensibility[1][r], s.sensibility[1][r]);
        EXPECT_EQ(t.max_area[1][r], s.max_area[1][r]);
        const cv::Mat expected = s.UpdateMask(1, r);
        const cv::Mat& got = view.liveMasks[1][r];
        ASSERT_EQ(got.size(), expected.size()) << r;
        EXPECT_EQ(cv::countNonZero(got != expected), 0) << r;
    }
}

TEST_F(Store, LoadRepairsBadRows)
{
    struct Case {
        const char* detect;
        const char* roi; // row ROI0-0, null: missing
        int count;
        int shape, method, output;
        bool warned;
    } cases[] = {
        {"60 0 0 0 0 0 0 0 0", "1 2 3 0 1 0 0 1 1 50 50", 0, 0, 0, 0, true},
        {"-1", nullptr, 0, 0, 0, 0, true},
        {"1", nullptr, 1, ShapeRect, MethodDefect, 0, false},
        {"1", "9 9 9 5 1 7 0 10 10 60 60", 1, ShapeRect, MethodWhiteArea, 0, false},
        {"1", "9 9 9 5 2 1 0", 1, ShapeRect, MethodDefect, 0, false},
        {"1", "9 9 9 5 2 1 9000 1 1", 1, ShapeRect, MethodDefect, 0, false},
        {"1", "9 9 9 7", 1, 0, MethodWhiteNum, 0, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.roi ? c.roi : "missing row");
        exec("delete from cammer0");
        exec(QStringLiteral("insert into cammer0 values('detect0', '%1')").arg(c.detect));
        if (c.roi)
            exec(QStringLiteral("insert into cammer0 values('ROI0-0', '%1')").arg(c.roi));
        warnings.clear();
        CammerData view(0);
        CammerSingleton s(0);
        s.LoadDatafromFile(&view);
        EXPECT_EQ(s.roiCount[0], c.count);
        EXPECT_EQ(!warnings.isEmpty(), c.warned);
        if (c.warned) {
            EXPECT_EQ(warnings.first(), LanStr(0)) << "the camera-file warning";
        }
        if (!c.count)
            continue;
        EXPECT_EQ(s.shapeType[0][0], c.shape);
        EXPECT_EQ(s.algorithm[0][0], c.method);
        EXPECT_EQ(s.output_point[0], c.output);
        if (c.method == MethodDefect) {
            EXPECT_EQ(s.min_size[0][0], 5);
            EXPECT_EQ(s.sensibility[0][0], 25);
            EXPECT_EQ(s.max_area[0][0], 100);
            EXPECT_TRUE(view.liveMasks[0][0].empty()) << "a fresh slot's rectangle is empty";
        }
    }

    // Coordinates are brought into the display area before they are kept.
    exec("delete from cammer0");
    exec("insert into cammer0 values('detect0', '2')");
    exec("insert into cammer0 values('ROI0-0', '1 1 1 0 1 0 0 -50 10 5000 3000')");
    exec("insert into cammer0 values('ROI0-1', '1 1 1 0 4 0 0 1800 -5 65535')");
    CammerData view(0);
    CammerSingleton s(0);
    s.LoadDatafromFile(&view);
    EXPECT_EQ(s.rects[0][0].viewRect, corners(0, 10, 1724, 981));
    EXPECT_EQ(s.circles[0][1].centreX, 1724);
    EXPECT_EQ(s.circles[0][1].centreY, 0);
    EXPECT_EQ(s.circles[0][1].radius, 65535);
    EXPECT_EQ(view.liveMasks[0][1].size(), cv::Size(1725, 982)) << "mask cut to the image";
}

TEST_F(Store, SaveDeletesRowsPastTheCountAndTellsTheLink)
{
    for (int r = 0; r < 50; ++r)
        exec(QStringLiteral("insert into cammer3 values('ROI1-%1', '1 1 1 0 1 0 0 1 1 5 5')").arg(r));
    CammerSingleton s(3);
    fillThreeShapes(s);
    setRegionParamHook(countHook);
    gHookCalls = 0;
    params_.cntnet_enable = 0;
    ASSERT_TRUE(s.SaveDatatoFile());
    EXPECT_EQ(gHookCalls, 0) << "link off";
    EXPECT_EQ(rowCount(3, "ROI1-%"), 3);
    EXPECT_EQ(rowCount(3, "detect%"), 8) << "missing step rows are written, not lost";

    s.roiCount[1] = 50;
    for (int r = 3; r < 50; ++r)
        s.shapeType[1][r] = ShapeRect;
    params_.cntnet_enable = 1;
    ASSERT_TRUE(s.SaveDatatoFile());
    EXPECT_EQ(rowCount(3, "ROI1-%"), 50);
    EXPECT_EQ(gHookCalls, 8);
    setRegionParamHook(nullptr);
}

// A save either writes everything or nothing, and says so.
TEST_F(Store, FailedSaveChangesNothingAndIsReported)
{
    CammerSingleton s(1);
    fillThreeShapes(s);
    ASSERT_TRUE(s.SaveDatatoFile());
    ASSERT_TRUE(exec("create trigger refuse before insert on cammer1 when new.name = 'ROI5-0' "
                     "begin select raise(abort, 'disk full'); end"));
    s.roiCount[1] = 1;
    s.roiCount[5] = 1;
    s.shapeType[5][0] = ShapeRect;
    LoadTextTable();
    warnings.clear();
    EXPECT_FALSE(s.SaveDatatoFile());
    EXPECT_EQ(rowCount(1, "ROI1-%"), 3) << "the earlier step's deletions were rolled back";
    EXPECT_EQ(row(1, "detect1").left(2), QStringLiteral("3 "));
    ASSERT_EQ(warnings.size(), 1) << "the operator is told, not only the log";
    EXPECT_EQ(warnings.last(), LanStr(kLanRegionSaveFailed));
    EXPECT_FALSE(warnings.last().isEmpty());

    CloseSqlite(QLatin1String(kParamConnection));
    EXPECT_FALSE(s.SaveDatatoFile());
    EXPECT_EQ(warnings.size(), 2);
    CammerSingleton t(1);
    EXPECT_FALSE(t.LoadDatafromFile(nullptr));
    EXPECT_EQ(t.roiCount[1], 0);
}

TEST_F(Store, DeleteRegionShiftsAndIgnoresIndicesPastTheCount)
{
    CammerData view(0);
    view.BuildInspection();
    CammerSingleton& e = *view.editRegions;
    e.roiCount[0] = 3;
    for (int r = 0; r < 3; ++r) {
        e.shapeType[0][r] = ShapeRect;
        e.rects[0][r].viewRect = corners(10 + 100 * r, 10, 60 + 100 * r, 60);
        e.rects[0][r].setImageRect();
        view.editMasks[0][r] = e.rects[0][r].UpdateMask();
        e.min_size[0][r] = r;
        e.output_point[r] = r + 1;
    }
    view.CammerData::IgnoreMask(0).setTo(255);

    EXPECT_FALSE(view.DeleteROI(0, 3));
    EXPECT_FALSE(view.DeleteROI(0, -1));
    EXPECT_EQ(e.roiCount[0], 3);
    EXPECT_EQ(cv::countNonZero(view.ignoreMask[0]), 1725 * 982) << "nothing changed";
    EXPECT_FALSE(QFile::exists("cammer11/ignorepoint.bmp"));

    ASSERT_TRUE(view.DeleteROI(0, 0));
    EXPECT_EQ(e.roiCount[0], 2);
    EXPECT_EQ(e.min_size[0][0], 1);
    EXPECT_EQ(e.rects[0][0].viewRect, corners(110, 10, 160, 60));
    EXPECT_EQ(e.output_point[0], 2) << "step 0 moves the output numbers";
    EXPECT_EQ(view.editMasks[0][1].data, view.editMasks[0][2].data);
    EXPECT_EQ(cv::countNonZero(view.ignoreMask[0]), 1725 * 982) << "the ignore points wait for the save";
    EXPECT_FALSE(QFile::exists("cammer11/ignorepoint.bmp"));
    view.ApplyIgnoreClears();
    EXPECT_EQ(cv::countNonZero(view.ignoreMask[0]), 1725 * 982 - 51 * 51);
    EXPECT_TRUE(QFile::exists("cammer11/ignorepoint.bmp"));

    ASSERT_TRUE(view.DeleteROI(0, 1));
    EXPECT_EQ(e.roiCount[0], 1);
    EXPECT_EQ(e.min_size[0][0], 1);
}

// A camera's region table that cannot be read whole (a damaged page, a lock
// held past the busy timeout) never loads as "no regions": the store is
// marked unread, the camera's steps are judged NG with the reason shown, it
// is never saved over the table, and the operator and the journal are told.
// A lock that ends within the tries loses nothing.
TEST_F(Store, ARegionTableThatCannotBeReadRefusesTheCamera)
{
    LoadTextTable();
    enum Fault { Damaged, Locked, LockEndsInTime };
    const char* names[] = {"damaged page", "locked past the busy timeout", "lock ends in time"};
    for (Fault fault : {Damaged, Locked, LockEndsInTime}) {
        SCOPED_TRACE(names[fault]);
        CloseSqlite(QLatin1String(kParamConnection));
        QFile::remove(file("PARAM.db"));
        ASSERT_TRUE(CreateParamDatabase(file("PARAM.db"), params_));
        ASSERT_TRUE(OpenSqlite(QLatin1String(kParamConnection), file("PARAM.db")));
        CammerSingleton stored(2);
        fillThreeShapes(stored);
        ASSERT_TRUE(stored.SaveDatatoFile());
        const QString storedRow = row(2, "ROI1-2");
        if (fault == Damaged) {
            CloseSqlite(QLatin1String(kParamConnection));
            ASSERT_TRUE(sqlfaults::damagePageHolding(file("PARAM.db"), "ROI1-2"));
            ASSERT_TRUE(OpenSqlite(QLatin1String(kParamConnection), file("PARAM.db")));
        } else {
            ASSERT_TRUE(sqlfaults::reopenWithBusyTimeout(kParamConnection, file("PARAM.db"), 50));
        }
        std::unique_ptr<sqlfaults::Lock> lock;
        if (fault != Damaged)
            lock.reset(new sqlfaults::Lock(file("PARAM.db"), sqlfaults::Lock::Exclusive));
        // The lock outlasts the first try's busy timeout and ends before the next.
        static sqlfaults::Lock* ending = nullptr;
        ending = fault == LockEndsInTime ? lock.get() : nullptr;
        gSqlBeforeRetry = fault == LockEndsInTime ? +[] { ending->release(); } : nullptr;
        records.clear();
        warnings.clear();

        CammerData view(2);
        view.BuildInspection();
        gSqlBeforeRetry = nullptr;
        if (lock)
            lock->release();
        QCoreApplication::processEvents();
        const bool refused = fault != LockEndsInTime;
        EXPECT_EQ(view.liveRegions->unread, refused);
        EXPECT_EQ(view.liveRegions->roiCount[1], refused ? 0 : 3);
        const QStringList told = refused ? QStringList{LanStr(kLanRegionsUnread).arg(3)} : QStringList();
        EXPECT_EQ(records, told);
        EXPECT_EQ(warnings, told);

        view.curImage = CammerData::NewFrame();
        view.alignImage = CammerData::NewFrame();
        view.allOK = true;
        view.recong->Run(1);
        if (refused) {
            EXPECT_FALSE(view.allOK) << "never judged as a camera without regions";
            EXPECT_EQ(view.recong->AlignmentText(1), LanStr(kLanRegionsUnreadReason));
            // The editor works on a copy of the live store: neither is saved.
            *view.editRegions = *view.liveRegions;
            warnings.clear();
            EXPECT_FALSE(view.editRegions->SaveDatatoFile());
            EXPECT_EQ(warnings, QStringList{LanStr(kLanRegionsUnreadNotSaved).arg(3)});
        }
        if (fault == Locked)
            EXPECT_EQ(row(2, "ROI1-2"), storedRow) << "the stored regions are kept";
    }
}

// The region load adds the step rows a fresh table lacks in a transaction;
// a reader holding its shared lock keeps that commit out. The load rolls it
// back rather than leaving it open, so the next parameter save lands on the
// disk; and a save that cannot begin a transaction of its own is refused,
// never reported saved.
TEST_F(Store, ACommitKeptOutLeavesNoTransactionOpen)
{
    ASSERT_TRUE(sqlfaults::reopenWithBusyTimeout(kParamConnection, file("PARAM.db"), 50));
    {
        sqlfaults::Lock reader(file("PARAM.db"), sqlfaults::Lock::Shared);
        ASSERT_TRUE(reader.held());
        CammerSingleton s(4);
        EXPECT_TRUE(s.LoadDatafromFile(nullptr)) << "read whole; only the added step rows were not kept";
        EXPECT_EQ(rowCount(4, "detect%"), 0) << "rolled back, not waiting in an open transaction";
    }
    params_.expose_time[0] = 4321;
    ASSERT_TRUE(params_.SaveDatatoFile());
    auto storedExposure = [&] {
        CloseSqlite(QLatin1String(kParamConnection));
        EXPECT_TRUE(OpenSqlite(QLatin1String(kParamConnection), file("PARAM.db")));
        QSqlQuery q(QSqlDatabase::database(QLatin1String(kParamConnection)));
        q.exec("select value from sysparam where name='exposeTime'");
        return q.next() ? q.value(0).toString() : QString();
    };
    EXPECT_EQ(storedExposure(), "4321 0 0 0") << "on the disk once the connection closed";

    QSqlDatabase db = QSqlDatabase::database(QLatin1String(kParamConnection));
    ASSERT_TRUE(db.transaction()); // one left open by someone else
    params_.expose_time[0] = 5;
    EXPECT_FALSE(params_.SaveDatatoFile());
    db.rollback();
    EXPECT_EQ(storedExposure(), "4321 0 0 0");
}
