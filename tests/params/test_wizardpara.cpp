#include "params/lanstr.h"
#include "params/paramdb.h"
#include "params/procedures.h"
#include "params/wizardpara.h"
#include "platform/host.h"
#include "sqlfaults.h"
#include "testenv.h"

#include <QCoreApplication>
#include <QFile>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTextStream>
#include <algorithm>
#include <cstring>
#include <memory>

namespace {

// A program folder with a real "PARAM.db" and "SN.db", opened under the
// connection names the load uses.
class ParamFolder : public InTempFolder {
protected:
    void SetUp() override
    {
        InTempFolder::SetUp();
        LoadTextTable();
        lan_ = gLan;
        ASSERT_TRUE(CreateParamDatabase(file("PARAM.db"), WizardPara()));
        ASSERT_TRUE(CreateSerialDatabase(file("SN.db")));
        open();
        host::Hooks h;
        h.insertRecord = [this](const QString& t) { records << t; };
        h.showWarning = [this](const QString& t) { warnings << t; };
        host::install(h);
    }
    void TearDown() override
    {
        close();
        host::install({});
        holdParamSaves(false);
        gLan = lan_;
        gpLeftMoldActive = nullptr;
        InTempFolder::TearDown();
    }
    // The warnings the load asked for (shown from the event loop).
    QStringList told()
    {
        QCoreApplication::processEvents();
        return warnings;
    }
    void open()
    {
        ASSERT_TRUE(OpenSqlite(kParamConnection, file("PARAM.db")));
        ASSERT_TRUE(OpenSqlite(kSerialConnection, file("SN.db")));
    }
    void close()
    {
        CloseSqlite(kParamConnection);
        CloseSqlite(kSerialConnection);
    }
    static QSqlDatabase db() { return QSqlDatabase::database(kParamConnection); }
    static QSqlDatabase sn() { return QSqlDatabase::database(kSerialConnection); }

    static void put(QSqlDatabase d, const QString& key, const QString& value)
    {
        QSqlQuery q(d);
        q.prepare("update sysparam set value=? where name=?");
        q.addBindValue(value);
        q.addBindValue(key);
        ASSERT_TRUE(q.exec());
        if (q.numRowsAffected() == 0) {
            q.prepare("insert into sysparam values(?, ?)");
            q.addBindValue(key);
            q.addBindValue(value);
            ASSERT_TRUE(q.exec());
        }
    }
    static void drop(QSqlDatabase d, const QString& key)
    {
        QSqlQuery q(d);
        q.prepare("delete from sysparam where name=?");
        q.addBindValue(key);
        ASSERT_TRUE(q.exec());
    }
    static QString get(QSqlDatabase d, const QString& key, bool* found = nullptr)
    {
        QSqlQuery q(d);
        q.prepare("select value from sysparam where name=?");
        q.addBindValue(key);
        const bool ok = q.exec() && q.next();
        if (found)
            *found = ok;
        return ok ? q.value(0).toString() : QString();
    }
    static int rowCount(QSqlDatabase d, const QString& key)
    {
        QSqlQuery q(d);
        q.prepare("select count(*) from sysparam where name=?");
        q.addBindValue(key);
        q.exec();
        q.next();
        return q.value(0).toInt();
    }
    WizardPara load()
    {
        WizardPara p;
        p.LoadDatafromFile();
        return p;
    }

    QStringList records;
    QStringList warnings;

private:
    int lan_ = 0;
};

QString zeros(int n, int onePos = 0)
{
    QStringList v;
    for (int i = 1; i <= n; ++i)
        v << (i == onePos ? "1" : "0");
    return v.join(' ');
}

} // namespace

TEST(WizardParaRecord, FreshRecordHoldsOnlyTheSevenDefaults)
{
    WizardPara p;
    WizardPara expected;
    std::memset(static_cast<void*>(&expected), 0, sizeof(expected));
    expected.step_enabled[1] = 1;
    expected.video_type = 1;
    expected.video_fps = 3;
    expected.product_serial = 10000;
    expected.product_moldcavity = 6;
    expected.product_num = 1;
    expected.detect_count = 2;
    EXPECT_TRUE(p.sameAs(expected));
    EXPECT_STREQ(p.password, "");
    EXPECT_STREQ(p.CntNet_Operator, "");
}

TEST(WizardParaRecord, ByteCompareSeesEveryTextByteAndIgnoresNothing)
{
    WizardPara a, b;
    ASSERT_TRUE(setParamText(a.password, "abcdef"));
    ASSERT_TRUE(setParamText(a.password, "ab"));   // shorter text leaves no stale tail
    ASSERT_TRUE(setParamText(b.password, "ab"));
    EXPECT_TRUE(a.sameAs(b));
    b.temp_alarm_max[7] = 1; // the last member counts too
    EXPECT_FALSE(a.sameAs(b));
    EXPECT_FALSE(setParamText(a.password, QByteArray(100, 'x')));
    EXPECT_STREQ(a.password, "ab");
    EXPECT_TRUE(setParamText(a.password, QByteArray(99, 'x')));
}

struct RepairCase {
    const char* name;
    int32_t WizardPara::*field;
    int32_t stored;
    int32_t expected;
};

class LoadRepairs : public ::testing::TestWithParam<RepairCase> {};

TEST_P(LoadRepairs, OutOfRangeValuesAreReplaced)
{
    const RepairCase& c = GetParam();
    WizardPara p;
    p.*c.field = c.stored;
    const int lan = gLan;
    p.RepairRanges();
    gLan = lan;
    EXPECT_EQ(p.*c.field, c.expected) << c.name << " stored " << c.stored;
}

INSTANTIATE_TEST_SUITE_P(
    Table, LoadRepairs,
    ::testing::Values(
        RepairCase{"max_mold_num", &WizardPara::max_mold_num, 0, 10},
        RepairCase{"max_mold_num", &WizardPara::max_mold_num, 100, 100},
        RepairCase{"location_level", &WizardPara::location_level, 5, 600},
        RepairCase{"location_level", &WizardPara::location_level, 0, 0},
        RepairCase{"location_level", &WizardPara::location_level, 10, 10},
        RepairCase{"location_level", &WizardPara::location_level, 10000, 600},
        RepairCase{"enable_correct", &WizardPara::enable_correct, 1, -1},
        RepairCase{"enable_correct", &WizardPara::enable_correct, 0, 0},
        RepairCase{"enable_correct", &WizardPara::enable_correct, -1, -1},
        RepairCase{"capture_speed", &WizardPara::capture_speed, -1, 12},
        RepairCase{"difference_multiplier", &WizardPara::difference_multiplier, 5, 0},
        RepairCase{"input_timeout_len", &WizardPara::input_timeout_len, -3, 60},
        RepairCase{"input_timeout_len", &WizardPara::input_timeout_len, 100000000, 100000000},
        RepairCase{"minimum_size", &WizardPara::minimum_size, 0, 3},
        RepairCase{"minimum_area", &WizardPara::minimum_area, 100001, 100},
        RepairCase{"location_adge", &WizardPara::location_adge, 0, 8000},
        RepairCase{"serial_port", &WizardPara::serial_port, 101, 0},
        RepairCase{"min_spot", &WizardPara::min_spot, 0, 3},
        RepairCase{"procedure", &WizardPara::procedure, 9, 0},
        RepairCase{"procedure", &WizardPara::procedure, 5, 5},
        RepairCase{"rotate_angle", &WizardPara::rotate_angle, 181, 0},
        RepairCase{"spare_3", &WizardPara::spare_3, -7, 0},
        RepairCase{"detect_count", &WizardPara::detect_count, 9, 2},
        RepairCase{"detect_count", &WizardPara::detect_count, 8, 8},
        RepairCase{"pre_cut", &WizardPara::pre_cut, 10001, 0},
        // fields used as indexes elsewhere
        RepairCase{"enable_output_thimble_pulse", &WizardPara::enable_output_thimble_pulse, 4, 0},
        RepairCase{"enable_output_thimble_pulse", &WizardPara::enable_output_thimble_pulse, 3, 3},
        RepairCase{"enable_mold_backup", &WizardPara::enable_mold_backup, -1, 0},
        RepairCase{"video_type", &WizardPara::video_type, 3, 0},
        RepairCase{"video_type", &WizardPara::video_type, 2, 2},
        RepairCase{"video_fps", &WizardPara::video_fps, 5, 3}));

TEST(WizardParaRepairs, PerCameraArraysAndIndexTables)
{
    WizardPara p;
    p.expose_time[0] = -5;
    p.expose_time[7] = 10001;
    p.adjust_plus[3] = 10000;
    p.contrast[2] = 0;
    p.gamma[5] = 0;
    p.row_cut_mode[1] = 3;
    p.output_row[0] = -1;
    p.output_row[1] = 8;
    p.output_row[2] = -2;
    p.row_trigger[4] = 8;
    p.input_name_index[6] = 16;
    p.output_name_index[7] = 14;
    p.output_name_index[0] = 13;
    p.RepairRanges();
    EXPECT_EQ(p.expose_time[0], 30);
    EXPECT_EQ(p.expose_time[7], 30);
    EXPECT_EQ(p.adjust_plus[3], 10000);
    EXPECT_EQ(p.adjust_plus[0], 0);
    EXPECT_EQ(p.contrast[2], 100);
    EXPECT_EQ(p.gamma[5], 100);
    EXPECT_EQ(p.row_cut_mode[1], 0);
    EXPECT_EQ(p.output_row[0], -1);
    EXPECT_EQ(p.output_row[1], -1);
    EXPECT_EQ(p.output_row[2], -1);
    EXPECT_EQ(p.row_trigger[4], -1);
    EXPECT_EQ(p.input_name_index[6], -1);
    EXPECT_EQ(p.output_name_index[7], -1);
    EXPECT_EQ(p.output_name_index[0], 13);
}

// A stored trigger choice or name index that cannot be used is repaired
// toward off and empty: the step it would start stays off, the name is blank.
TEST(WizardParaRepairs, BadTriggerChoicesAndNameIndexesTurnOffAndEmpty)
{
    struct Case {
        const char* name;
        int32_t stored;
        int32_t trigger;  // row_trigger[0] after the repair
        bool stepOn;      // step 1, driven by row 0
        int32_t nameIndex; // input_name_index[0] and output_name_index[1]
    };
    const Case cases[] = {
        {"in range", 3, 3, true, 3},
        {"none", -1, -1, false, -1},
        {"past the table", 99, -1, false, -1},
        {"negative", -7, -1, false, -1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        WizardPara p;
        p.procedure = 4;
        p.detect_count = 2;
        p.detect_product = 1;
        p.output_row[0] = 1;
        p.output_row[1] = 0;
        p.row_trigger[1] = 0;
        p.row_trigger[0] = c.stored;
        p.input_name_index[0] = c.stored;
        p.output_name_index[1] = c.stored;
        p.RepairRanges();
        p.DeriveProcedure();
        FillMultiDetectNames(p);
        EXPECT_EQ(p.row_trigger[0], c.trigger);
        EXPECT_EQ(p.step_enabled[1] != 0, c.stepOn);
        EXPECT_EQ(p.step_enabled[0], 1) << "the other step is untouched";
        EXPECT_EQ(p.input_name_index[0], c.nameIndex);
        EXPECT_EQ(p.output_name_index[1], c.nameIndex);
        EXPECT_EQ(gaName[0].isEmpty(), c.nameIndex < 0);
        EXPECT_EQ(gaName[10].isEmpty(), c.nameIndex < 0);
    }
}

TEST(WizardParaRepairs, CavityPositionOnlyInTwoColourAndTurntable)
{
    for (int proc : {0, 1, 2, 3, 4, 5}) {
        WizardPara p;
        p.procedure = proc;
        p.cavity_position = 7;
        p.RepairRanges();
        EXPECT_EQ(p.cavity_position, (proc == 1 || proc == 2) ? 0 : 7) << proc;
    }
}

TEST(WizardParaRepairs, DirectionRecognitionBringsDefectDetection)
{
    WizardPara allOff;
    allOff.RepairRanges();
    EXPECT_EQ(allOff.enable_defect_detect, 0);

    WizardPara onlyDirection;
    onlyDirection.enable_direction_check = 1;
    onlyDirection.RepairRanges();
    EXPECT_EQ(onlyDirection.enable_defect_detect, 1);

    WizardPara withSpot;
    withSpot.enable_direction_check = 1;
    withSpot.enable_spot_detect = 1;
    withSpot.RepairRanges();
    EXPECT_EQ(withSpot.enable_defect_detect, 0);

    WizardPara ignoreOnly; // ignore-area and positioning take no part
    ignoreOnly.enable_direction_check = 1;
    ignoreOnly.enable_ignore_area = 1;
    ignoreOnly.enable_manual_edit = 1;
    ignoreOnly.RepairRanges();
    EXPECT_EQ(ignoreOnly.enable_defect_detect, 1);
}

TEST_F(ParamFolder, StoredValueListsParseWithTextStreamRules)
{
    put(db(), "trigInDelay", "5 10");
    put(db(), "system2", "1 2 x 4 5 6 7 8 9 10 11 12 1");
    put(db(), "exposeTime", "0x1F 010 0b11 -5");
    put(db(), "adjustPlus", "  7\t8\n9   ");
    WizardPara p = load();
    EXPECT_EQ(std::vector<int>(p.detect_delay, p.detect_delay + 8), (std::vector<int>{5, 10, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(p.mold_cutoff, 1);
    EXPECT_EQ(p.max_mold_num, 2);
    EXPECT_EQ(p.min_spot, 3);     // malformed position read as 0, then repaired
    EXPECT_EQ(p.ng_max_num, 0);   // everything after it reads 0
    EXPECT_EQ(p.mold_pulse, 0);
    EXPECT_EQ(gLan, 0);
    EXPECT_EQ(p.input_timeout_len, 0);
    EXPECT_EQ(p.expose_time[0], 31);
    EXPECT_EQ(p.expose_time[1], 8);
    EXPECT_EQ(p.expose_time[2], 3);
    EXPECT_EQ(p.expose_time[3], 30);
    EXPECT_EQ(p.adjust_plus[0], 7);
    EXPECT_EQ(p.adjust_plus[2], 9);
    EXPECT_EQ(p.adjust_plus[3], 0);
}

TEST_F(ParamFolder, LanguageAndProcedureComeFromTheirPositions)
{
    put(db(), "system2", "0 10 3 0 0 0 0 0 0 0 0 0 2 0 8000 600 12 60");
    put(db(), "numFailDetect", "9 0 0 0 0 0 0 0");
    WizardPara p = load();
    EXPECT_EQ(gLan, 2);
    EXPECT_EQ(p.procedure, 0);
    EXPECT_EQ(p.procedure_requested, 0);
    put(db(), "system2", "0 10 3 0 0 0 0 0 0 0 0 0 7 0 8000 600 12 60");
    load();
    EXPECT_EQ(gLan, 0);
}

TEST_F(ParamFolder, SaveThenLoadGivesTheSameRecordByteForByte)
{
    WizardPara p = load();
    for (int i = 0; i < 8; ++i) {
        p.expose_time[i] = 100 + i;
        p.adjust_plus[i] = 200 + i;
        p.sharp[i] = 300 + i;
        p.contrast[i] = 400 + i;
        p.gamma[i] = 500 + i;
        p.detect_delay[i] = i * 3;
        p.temp_alarm_min[i] = -i;
        p.temp_alarm_max[i] = 1000 + i;
        p.row_trigger[i] = 7 - i;
        p.row_cut_mode[i] = i % 3;
        p.input_name_index[i] = 15 - i;
        p.output_name_index[i] = 13 - i;
    }
    p.output_initial_state[8] = 1;
    p.use_external_trigger = 1;
    p.spare_1 = 77;
    p.spare_2 = 88;
    p.spare_3 = 99;
    p.rotate_angle = 15;
    p.min_spot = 42;
    p.local_addr[0] = 192;
    p.gateway[3] = 254;
    p.cntnet_enable = 1;
    p.product_serial = 12345;
    gLan = 1;
    ASSERT_TRUE(setParamText(p.password, QString::fromUtf8("pa'ss\"wörd").toLatin1()));
    ASSERT_TRUE(setParamText(p.CntNet_UseName, QByteArray(99, 'n')));
    ASSERT_TRUE(setParamText(p.CntNet_MsgTechName, "O'Brien"));
    ASSERT_TRUE(setParamText(p.CntNet_MsgTechNum, "+86 (0)21; drop table sysparam;--"));
    ASSERT_TRUE(setParamText(p.CntNet_ProName, QString::fromUtf8("齿轮盖 ‘A’").toUtf8()));
    ASSERT_TRUE(setParamText(p.CntNet_Operator, QString::fromUtf8("王 'x'").toUtf8()));
    ASSERT_TRUE(p.SaveDatatoFile());

    gLan = 0;
    WizardPara again = load();
    EXPECT_EQ(gLan, 1);
    EXPECT_TRUE(again.sameAs(p)) << "a save and a load must give back the same bytes";
    EXPECT_STREQ(again.CntNet_MsgTechName, "O'Brien");
    EXPECT_EQ(QString::fromUtf8(again.CntNet_ProName), QString::fromUtf8("齿轮盖 ‘A’"));
    EXPECT_EQ(QString::fromLatin1(again.password), QString::fromUtf8("pa'ss\"wörd"));
    EXPECT_EQ(get(db(), "spare_3").isEmpty(), true);
    EXPECT_EQ(get(db(), "system9"), "0 0 0 0 0 0 0 0 0 0 99 99 99 99 99 99 99 99 99 99");
}

TEST_F(ParamFolder, TextsLongerThanTheFieldAreNotTaken)
{
    put(db(), "CntNet_ProName", QString(34, QChar(0x4E2D))); // 102 bytes in UTF-8
    put(db(), "CntNet_Operator", QString(33, QChar(0x4E2D))); // 99 bytes
    put(db(), "password", QString::fromUtf8("密码")); // not Latin-1
    put(db(), "CntNet_UseName", QString(100, 'u'));
    WizardPara p = load();
    EXPECT_STREQ(p.CntNet_UseName, "");
    EXPECT_STREQ(p.CntNet_ProName, "");
    EXPECT_EQ(QString::fromUtf8(p.CntNet_Operator), QString(33, QChar(0x4E2D)));
    EXPECT_STREQ(p.password, "??");
}

TEST_F(ParamFolder, MissingRowsAreCreatedByTheLoadOrRestoredByTheSave)
{
    for (const char* k : {"system7", "system9", "trigInDelay", "CntNet_Operator", "password"})
        drop(db(), k);
    WizardPara p = load();
    EXPECT_EQ(get(db(), "system7"), zeros(20, 7));
    // No output row is driven by any step: -1 is "none".
    EXPECT_EQ(get(db(), "system9"), "-1 -1 -1 -1 -1 -1 -1 -1 0 0 0 0 0 0 0 0 0 0 0 0");
    EXPECT_EQ(p.output_row[0], -1);
    bool found = true;
    get(db(), "trigInDelay", &found);
    EXPECT_FALSE(found);
    EXPECT_FALSE(paramSavesHeld()) << "a missing row is not a failed read";
    EXPECT_TRUE(told().isEmpty());

    p.detect_delay[0] = 25;
    ASSERT_TRUE(p.SaveDatatoFile());
    EXPECT_EQ(get(db(), "trigInDelay"), "25 0 0 0 0 0 0 0");
    EXPECT_EQ(rowCount(db(), "password"), 1);
    EXPECT_EQ(rowCount(db(), "CntNet_Operator"), 1);
    ASSERT_TRUE(p.SaveDatatoFile());
    EXPECT_EQ(rowCount(db(), "trigInDelay"), 1) << "a second save must not duplicate rows";
}

// Multi-detection with three steps on their inputs, then one of the step
// rows missing, unreadable (a damaged page under it) or out of range: the
// repair is always toward off, a missing row is stored as repaired, and an
// unreadable one holds the saves, so no default reaches the disk.
TEST_F(ParamFolder, StepRowsThatCannotBeUsedRepairTowardOff)
{
    enum Fault { Missing, Unreadable, OutOfRange };
    struct Case {
        const char* key;
        Fault fault;
        const char* stored;   // the out-of-range value
        bool stepsOn;         // steps 1..3 stay enabled
        bool named;           // the IO names stay
        const char* inserted; // the row a missing one is stored as
    };
    const QString good8 = "3 1 2 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0";
    const QString good9 = "0 1 2 -1 -1 -1 -1 -1 0 0 0 0 0 0 0 0 0 0 0 0";
    const QString good10 = "1 2 3 4 5 6 7 8 1 2 3 4 5 6 7 8 0 0 0 0";
    const Case cases[] = {
        {"system8", Missing, nullptr, false, true, "2 -1 -1 -1 -1 -1 -1 -1 -1 0 0 0 0 0 0 0 0 0 0 0"},
        {"system8", Unreadable, nullptr, false, true, nullptr},
        {"system8", OutOfRange, "3 9 -5 8 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0", false, true, nullptr},
        {"system9", Missing, nullptr, false, true, "-1 -1 -1 -1 -1 -1 -1 -1 0 0 0 0 0 0 0 0 0 0 0 0"},
        {"system9", Unreadable, nullptr, false, true, nullptr},
        {"system9", OutOfRange, "8 -2 99 -1 -1 -1 -1 -1 0 0 0 0 0 0 0 0 0 0 0 0", false, true, nullptr},
        {"system10", Missing, nullptr, true, false, "-1 -1 -1 -1 -1 -1 -1 -1 -1 -1 -1 -1 -1 -1 -1 -1 0 0 0 0"},
        {"system10", Unreadable, nullptr, true, false, nullptr},
        {"system10", OutOfRange, "16 99 -3 -9 -9 -9 -9 -9 14 99 -3 -9 -9 -9 -9 -9 0 0 0 0", true, false, nullptr},
    };
    for (const Case& c : cases) {
        const char* faults[] = {"missing", "unreadable", "out of range"};
        SCOPED_TRACE(std::string(c.key) + " " + faults[c.fault]);
        holdParamSaves(false);
        close();
        QFile::remove(file("PARAM.db"));
        ASSERT_TRUE(CreateParamDatabase(file("PARAM.db"), WizardPara()));
        open();
        put(db(), "numFailDetect", "4 0 0 0 0 0 0 0");
        put(db(), "system1", "0 1 0 0 0 0 0 0 0 0");
        put(db(), "system8", good8);
        put(db(), "system9", good9);
        put(db(), "system10", good10);
        const QByteArray marker = QByteArray("#damaged-") + c.key + '#';
        if (c.fault == Missing) {
            drop(db(), c.key);
        } else if (c.fault == OutOfRange) {
            put(db(), c.key, c.stored);
        } else {
            const QString value = QString(c.key) == "system8" ? good8 : QString(c.key) == "system9" ? good9 : good10;
            put(db(), c.key, sqlfaults::spillingValue(value, marker));
            close();
            ASSERT_TRUE(sqlfaults::damagePageHolding(file("PARAM.db"), marker));
            open();
        }
        warnings.clear();
        records.clear();

        WizardPara p;
        EXPECT_EQ(p.LoadDatafromFile(), c.fault != Unreadable);
        ASSERT_EQ(p.procedure, 4);
        for (int k = 0; k < 3; ++k)
            EXPECT_EQ(p.step_enabled[k] != 0, c.stepsOn) << "step " << k + 1;
        for (int k = 0; k < 8; ++k)
            if (!p.step_enabled[k])
                EXPECT_EQ(p.step_trigger_input[k], -1) << "step " << k + 1;
        if (QString(c.key) == "system8" && c.fault != OutOfRange)
            EXPECT_EQ(std::count(p.row_trigger, p.row_trigger + 8, -1), 8) << "no row has a trigger";
        if (QString(c.key) == "system9")
            EXPECT_EQ(std::count(p.output_row, p.output_row + 8, -1), 8) << "no step drives an output";
        EXPECT_EQ(!gaName[0].isEmpty(), c.named);
        EXPECT_EQ(!gaName[9].isEmpty(), c.named);
        if (c.inserted)
            EXPECT_EQ(get(db(), c.key), c.inserted);
        EXPECT_EQ(rowCount(db(), c.key), 1);

        const bool unreadable = c.fault == Unreadable;
        EXPECT_EQ(paramSavesHeld(), unreadable);
        const QStringList expectedTold = unreadable ? QStringList{LanStr(kLanParamsUnread)} : QStringList();
        EXPECT_EQ(told(), expectedTold);
        EXPECT_EQ(records, expectedTold);
        EXPECT_EQ(p.SaveDatatoFile(), !unreadable);
        if (unreadable) {
            EXPECT_EQ(get(db(), "system1"), "0 1 0 0 0 0 0 0 0 0") << "nothing written back";
            EXPECT_EQ(paramSavesHeldText(), LanStr(kLanSavesHeldUnread));
        }
    }
}

// Reads kept out by a lock past the busy timeout or by a damaged page load
// the defaults only into memory: every save is held for the run (serial
// saves for the serial rows), the operator and the journal are told, and
// the stored values stay. A lock that ends within the tries loses nothing.
TEST_F(ParamFolder, FailedReadsHoldTheSavesInsteadOfStoringDefaults)
{
    enum Fault { ParamsLocked, ExposureDamaged, SerialsLocked, LockEndsInTime };
    const char* names[] = {"parameters locked", "exposure row damaged", "serials locked", "lock ends in time"};
    for (Fault fault : {ParamsLocked, ExposureDamaged, SerialsLocked, LockEndsInTime}) {
        SCOPED_TRACE(names[fault]);
        close();
        QFile::remove(file("PARAM.db"));
        QFile::remove(file("SN.db"));
        ASSERT_TRUE(CreateParamDatabase(file("PARAM.db"), WizardPara()));
        ASSERT_TRUE(CreateSerialDatabase(file("SN.db")));
        open();
        put(db(), "isPswUsed", "1");
        put(db(), "password", "4321");
        put(db(), "numFailDetect", "3 0 0 0 0 0 0 0");
        put(sn(), "serialNB0", "SN12345678");
        if (fault == ExposureDamaged) {
            put(db(), "exposeTime", sqlfaults::spillingValue("1234 0 0 0", "#exposure#"));
            close();
            ASSERT_TRUE(sqlfaults::damagePageHolding(file("PARAM.db"), "#exposure#"));
            open();
        } else {
            put(db(), "exposeTime", "1234 0 0 0");
        }
        ASSERT_TRUE(sqlfaults::reopenWithBusyTimeout(kParamConnection, file("PARAM.db"), 50));
        ASSERT_TRUE(sqlfaults::reopenWithBusyTimeout(kSerialConnection, file("SN.db"), 50));
        std::unique_ptr<sqlfaults::Lock> lock;
        if (fault == ParamsLocked || fault == LockEndsInTime)
            lock.reset(new sqlfaults::Lock(file("PARAM.db"), sqlfaults::Lock::Exclusive));
        // The lock outlasts the first try's busy timeout and ends before the next.
        static sqlfaults::Lock* ending = nullptr;
        ending = fault == LockEndsInTime ? lock.get() : nullptr;
        gSqlBeforeRetry = fault == LockEndsInTime ? +[] { ending->release(); } : nullptr;
        if (fault == SerialsLocked)
            lock.reset(new sqlfaults::Lock(file("SN.db"), sqlfaults::Lock::Exclusive));
        if (lock)
            ASSERT_TRUE(lock->held());
        warnings.clear();
        records.clear();
        std::memset(gSerialNB, 0, sizeof(gSerialNB));

        WizardPara p;
        const bool loaded = p.LoadDatafromFile();
        gSqlBeforeRetry = nullptr;
        if (lock)
            lock->release();
        const bool paramsFail = fault == ParamsLocked || fault == ExposureDamaged;
        const bool serialsFail = fault == SerialsLocked;
        EXPECT_EQ(loaded, !paramsFail && !serialsFail);
        EXPECT_EQ(p.expose_time[0], paramsFail ? 0 : 1234);
        EXPECT_EQ(p.is_psw_used, fault == ParamsLocked ? 0 : 1);
        EXPECT_EQ(p.procedure, fault == ParamsLocked ? 0 : 3);
        EXPECT_STREQ(gSerialNB[0], serialsFail ? "" : "SN12345678") << "a slot is not unbound by a failed read";
        EXPECT_EQ(p.serial_count, serialsFail ? 0 : 1);
        EXPECT_EQ(paramSavesHeld(), paramsFail);
        EXPECT_EQ(serialSavesHeld(), serialsFail);
        QStringList expected;
        if (paramsFail)
            expected << LanStr(kLanParamsUnread);
        if (serialsFail)
            expected << LanStr(kLanSerialsUnread);
        EXPECT_EQ(told(), expected);
        EXPECT_EQ(records, expected);

        p.expose_time[1] = 77;
        EXPECT_EQ(p.SaveDatatoFile(), !paramsFail);
        EXPECT_EQ(get(db(), "isPswUsed"), "1");
        EXPECT_EQ(get(db(), "password"), "4321");
        EXPECT_EQ(get(db(), "numFailDetect").left(2), "3 ");
        if (fault != ExposureDamaged)
            EXPECT_EQ(get(db(), "exposeTime"), paramsFail ? "1234 0 0 0" : "1234 77 0 0");
        EXPECT_EQ(get(sn(), "serialNB0"), "SN12345678");
        EXPECT_EQ(rowCount(sn(), "serialNB0"), 1);
        holdParamSaves(false);
    }
}

TEST_F(ParamFolder, ASaveThatTheDatabaseRefusesIsReported)
{
    close();
    QFile::setPermissions(file("PARAM.db"), QFile::ReadOwner);
    ASSERT_TRUE(OpenSqlite(kSerialConnection, file("SN.db")));
    {
        QSqlDatabase ro = QSqlDatabase::addDatabase("QSQLITE", kParamConnection);
        ro.setDatabaseName(file("PARAM.db"));
        ro.setConnectOptions("QSQLITE_OPEN_READONLY");
        ASSERT_TRUE(ro.open());
    }
    WizardPara p;
    p.detect_delay[0] = 9;
    EXPECT_FALSE(p.SaveDatatoFile());
    CloseSqlite(kParamConnection);
    EXPECT_FALSE(p.SaveDatatoFile()) << "no open database is a failure too";
}

TEST_F(ParamFolder, SaveChkDBItemInsertsOnlyMissingKeys)
{
    WizardPara p;
    drop(db(), "CntNet");
    EXPECT_TRUE(p.SaveChkDBItem("CntNet"));
    EXPECT_EQ(get(db(), "CntNet"), "0");
    put(db(), "CntNet", "1 2 3");
    EXPECT_TRUE(p.SaveChkDBItem("CntNet"));
    EXPECT_EQ(get(db(), "CntNet"), "1 2 3");
    EXPECT_EQ(rowCount(db(), "CntNet"), 1);
}

TEST_F(ParamFolder, SerialNumbersBindOnlyNineToNinetyNineCharacters)
{
    put(sn(), "serialNB0", "ABC");
    put(sn(), "serialNB1", "123456789");
    put(sn(), "serialNB2", QString(99, 'S'));
    put(sn(), "serialNB3", QString(100, 'S'));
    drop(sn(), "serialNB4");
    std::memset(gSerialNB, 0, sizeof(gSerialNB));
    WizardPara p = load();
    EXPECT_EQ(p.serial_count, 2);
    EXPECT_STREQ(gSerialNB[0], "");
    EXPECT_STREQ(gSerialNB[1], "123456789");
    EXPECT_EQ(QByteArray(gSerialNB[2]), QByteArray(99, 'S'));
    EXPECT_STREQ(gSerialNB[3], "");
    EXPECT_STREQ(gSerialNB[4], "0");
    EXPECT_EQ(get(sn(), "serialNB4"), "0");
}

TEST_F(ParamFolder, ParameterGroupFileIsCreatedAndRewritten)
{
    ASSERT_FALSE(QFile::exists("sysadd.txt"));
    WizardPara p = load();
    EXPECT_EQ(p.para_group, 0);
    QFile f("sysadd.txt");
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), QByteArray("0"));
    f.close();

    p.para_group = 4;
    ASSERT_TRUE(p.SaveAddFile());
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), QByteArray("4\n"));
    f.close();
    EXPECT_EQ(load().para_group, 4);
}

TEST_F(ParamFolder, LoadWithoutDatabasesKeepsDefaults)
{
    close();
    WizardPara p = load();
    EXPECT_EQ(p.video_fps, 3);
    EXPECT_EQ(p.contrast[0], 100); // repaired from the construction value
    EXPECT_EQ(gDNum, 2);
}

// ---- step derivation -------------------------------------------------------

struct DeriveCase {
    const char* name;
    int procedure, cavity, detectProduct, semiAuto, leftBefore;
    int dnum;
    std::vector<int> enabled;  // entries 0..3
    std::vector<int> triggers; // entries 0..1
    int leftAfter;
    int cavityAfter;
};

class StepDerivation : public ::testing::TestWithParam<DeriveCase> {};

TEST_P(StepDerivation, Table)
{
    const DeriveCase& c = GetParam();
    WizardPara p;
    p.procedure = c.procedure;
    p.cavity_position = c.cavity;
    p.detect_product = c.detectProduct;
    p.semi_auto = c.semiAuto;
    int left = c.leftBefore;
    gpLeftMoldActive = &left;
    p.DeriveProcedure();
    gpLeftMoldActive = nullptr;
    EXPECT_EQ(gDNum, c.dnum) << c.name;
    EXPECT_EQ(std::vector<int>(p.step_enabled, p.step_enabled + c.enabled.size()), c.enabled) << c.name;
    EXPECT_EQ(std::vector<int>(p.step_trigger_input, p.step_trigger_input + 2), c.triggers) << c.name;
    EXPECT_EQ(left, c.leftAfter) << c.name;
    EXPECT_EQ(p.cavity_position, c.cavityAfter) << c.name;
    EXPECT_EQ(p.procedure_requested, c.procedure) << c.name;
}

INSTANTIATE_TEST_SUITE_P(
    Procedures, StepDerivation,
    ::testing::Values(
        DeriveCase{"standard semi-auto", 0, 0, 0, 1, 9, 2, {0, 1}, {0, 2}, 9, 0},
        DeriveCase{"standard", 0, 0, 1, 0, 9, 2, {1, 1}, {0, 0}, 9, 0},
        DeriveCase{"auto parts", 3, 0, 1, 1, 9, 2, {1, 1}, {0, 2}, 9, 0},
        DeriveCase{"no-recheck standard", 5, 0, 0, 0, 9, 2, {0, 1}, {0, 0}, 9, 0},
        DeriveCase{"two-colour left", 1, 0, 1, 0, 0, 4, {1, 1, 0, 0}, {0, 2}, 1, 0},
        DeriveCase{"two-colour right", 1, 1, 1, 1, 1, 4, {0, 0, 1, 1}, {0, 3}, 0, 1},
        DeriveCase{"two-colour all", 1, 2, 0, 0, 7, 4, {0, 1, 0, 1}, {0, 255}, 7, 2},
        DeriveCase{"two-colour all (3)", 1, 3, 1, 0, 7, 4, {1, 1, 1, 1}, {0, 255}, 7, 3},
        DeriveCase{"two-colour bad cavity", 1, 7, 1, 0, 0, 4, {1, 1, 0, 0}, {0, 2}, 1, 0},
        DeriveCase{"turntable left", 2, 0, 1, 0, 0, 4, {1, 1, 0, 0}, {0, 0}, 1, 0},
        DeriveCase{"turntable left semi", 2, 0, 1, 1, 0, 4, {1, 1, 0, 0}, {0, 2}, 1, 0},
        DeriveCase{"turntable right", 2, 1, 1, 0, 1, 4, {0, 0, 1, 1}, {3, 3}, 0, 1},
        DeriveCase{"turntable right semi", 2, 1, 0, 1, 1, 4, {0, 0, 0, 1}, {3, 2}, 0, 1},
        DeriveCase{"turntable all", 2, 2, 1, 0, 5, 4, {1, 1, 1, 1}, {255, 255}, 5, 2},
        DeriveCase{"turntable all semi", 2, 2, 1, 1, 5, 4, {1, 1, 1, 1}, {255, 2}, 5, 2}));

TEST(StepDerivationDetails, StandardProceduresSetIdleStatesAndRecheck)
{
    for (int stopNotAlarm : {0, 1}) {
        WizardPara p;
        p.procedure = 5;
        p.enable_stop_not_alarm = stopNotAlarm;
        p.front_auto_check_time = 4;
        p.step_enabled[5] = 1;
        p.DeriveProcedure();
        for (int i = 4; i <= 7; ++i)
            EXPECT_EQ(p.output_initial_state[i], stopNotAlarm ? 0 : 1);
        EXPECT_EQ(p.front_auto_check_time, 0);
        EXPECT_EQ(p.step_enabled[5], 1) << "entries 2..7 keep their values";
    }
    WizardPara p;
    p.procedure = 0;
    p.front_auto_check_time = 4;
    p.DeriveProcedure();
    EXPECT_EQ(p.front_auto_check_time, 4);
}

TEST(StepDerivationDetails, MultiDetectionTable)
{
    WizardPara p;
    p.procedure = 4;
    p.detect_product = 1;
    p.detect_count = 3;
    const int rows[8] = {0, -1, 1, 2, 3, 4, 5, 6};
    std::copy(rows, rows + 8, p.output_row);
    p.row_trigger[0] = 2;
    p.row_trigger[1] = 5;
    p.step_row[5] = 42;
    p.DeriveProcedure();
    EXPECT_EQ(gDNum, 3);
    EXPECT_EQ(std::vector<int>(p.step_enabled, p.step_enabled + 8), (std::vector<int>{1, 0, 1, 0, 0, 0, 0, 0}));
    EXPECT_EQ(std::vector<int>(p.step_trigger_input, p.step_trigger_input + 8),
              (std::vector<int>{3, -1, 6, -1, -1, -1, -1, -1}));
    EXPECT_EQ(p.step_row[0], 0);
    EXPECT_EQ(p.step_row[1], -1);
    EXPECT_EQ(p.step_row[2], 1);
    EXPECT_EQ(p.step_row[5], 42) << "steps past the count keep their row";

    p.detect_product = 0;
    p.DeriveProcedure();
    EXPECT_EQ(p.step_enabled[0], 0);
    EXPECT_EQ(p.step_trigger_input[0], -1);
}

TEST(StepDerivationDetails, MultiDetectionBadIndexesTurnTheStepOff)
{
    WizardPara p;
    p.procedure = 4;
    p.detect_product = 1;
    p.detect_count = 4;
    p.output_row[0] = 9;     // no such row
    p.output_row[1] = 0;
    p.row_trigger[0] = 12;   // no such trigger choice
    p.output_row[2] = -5;
    p.output_row[3] = 1;
    p.row_trigger[1] = 7;
    p.DeriveProcedure();
    EXPECT_EQ(std::vector<int>(p.step_enabled, p.step_enabled + 4), (std::vector<int>{0, 0, 0, 1}));
    EXPECT_EQ(p.step_trigger_input[3], 8);

    // The load repairs the indexes before deriving: a bad row becomes "no
    // row", a bad trigger choice "none".
    p.RepairRanges();
    EXPECT_EQ(p.output_row[0], -1);
    EXPECT_EQ(p.row_trigger[0], -1);
}

// ---- display names ----------------------------------------------------------

class DisplayNames : public InTempFolder {
protected:
    void SetUp() override
    {
        InTempFolder::SetUp();
        LoadTextTable();
        lan_ = gLan;
        for (QString& n : gaName)
            n = "old";
    }
    void TearDown() override
    {
        gLan = lan_;
        InTempFolder::TearDown();
    }
    int lan_ = 0;
};

TEST_F(DisplayNames, NameFileGivesTheFirstEightLines)
{
    QFile f("name.txt");
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(QString::fromUtf8("开模\nSafety door\n顶针退\n").toUtf8());
    f.close();
    WizardPara p;
    p.procedure = 4;
    FillDisplayNames(p);
    EXPECT_EQ(gaName[0], QString::fromUtf8("开模"));
    EXPECT_EQ(gaName[1], "Safety door");
    EXPECT_EQ(gaName[2], QString::fromUtf8("顶针退"));
    for (int i = 3; i < 8; ++i)
        EXPECT_TRUE(gaName[i].isEmpty()) << i;
    EXPECT_EQ(gaName[8], "old");
}

TEST_F(DisplayNames, ByProcedureFromTheTextTable)
{
    struct Case {
        int procedure;
        std::vector<int> rows;
    };
    const Case cases[] = {
        {0, {301, 302, 303, 304, 305, 306, 307, 304}},
        {3, {301, 302, 303, 304, 305, 306, 307, 304}},
        {1, {301, 302, 376, 377, 305, 378, 307, 304}},
        {2, {379, 380, 381, 382, 378, 306, 307, 304}},
    };
    gLan = 1;
    for (const Case& c : cases) {
        WizardPara p;
        p.procedure = c.procedure;
        FillDisplayNames(p);
        for (int i = 0; i < 8; ++i)
            EXPECT_EQ(gaName[i], gaLanStr[c.rows[i]][1]) << "procedure " << c.procedure << " entry " << i;
    }
}

TEST_F(DisplayNames, MultiDetectionNamesFollowTheNameIndexes)
{
    gLan = 2;
    WizardPara p;
    p.procedure = 4;
    for (int i = 0; i < 8; ++i) {
        p.input_name_index[i] = i + 8;
        p.output_name_index[i] = i + 6;
    }
    p.output_name_index[7] = 99; // outside the table: empty name, no crash
    FillDisplayNames(p);
    EXPECT_EQ(gaName[0], QString::fromUtf8(gInName[8][2]));
    EXPECT_EQ(gaName[1], gaLanStr[302][2]);
    EXPECT_EQ(gaName[8], QString::fromUtf8(gInName[15][2]));
    EXPECT_EQ(gaName[9], QString::fromUtf8(gOutName[6][2]));
    EXPECT_EQ(gaName[10], QString::fromUtf8(gOutName[7][2]));
    EXPECT_EQ(gaName[11], gaLanStr[307][2]);
    EXPECT_EQ(gaName[16], QString::fromUtf8(gOutName[12][2]));
    EXPECT_TRUE(gaName[17].isEmpty());
}

TEST(FactoryDatabase, HoldsEveryKeyWithLoadableValues)
{
    const QStringList keys{"trigInDelay", "exposeTime", "adjustPlus", "numFailDetect", "numAllDetect",
                           "isPswUsed", "password", "system1", "system2", "system3", "system4", "sharp",
                           "contrast", "system5", "system6", "system7", "system8", "system9", "system10",
                           "system11", "CntNet", "CntNet_UseName", "CntNet_MsgTechName", "CntNet_MsgTechNum",
                           "CntNet_ProName", "CntNet_Operator"};
    QTemporaryDir dir;
    const QString path = dir.filePath("PARAM.db");
    const WizardPara factory = FactoryParams();
    ASSERT_TRUE(CreateParamDatabase(path, factory));
    ASSERT_TRUE(OpenSqlite("check", path));
    {
        QSqlQuery q(QSqlDatabase::database("check"));
        ASSERT_TRUE(q.exec("select name from sysparam"));
        QStringList found;
        while (q.next())
            found << q.value(0).toString();
        for (const QString& k : keys)
            EXPECT_EQ(found.count(k), 1) << qPrintable(k);
    }
    CloseSqlite("check");
    EXPECT_EQ(factory.output_initial_state[2], 1);
    EXPECT_EQ(factory.contrast[0], 100);
    WizardPara repaired = factory;
    repaired.RepairRanges();
    EXPECT_TRUE(repaired.sameAs(factory)) << "factory values need no repair";
}
