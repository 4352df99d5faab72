#include "params/wizardpara.h"

#include "params/lanstr.h"
#include "params/paramdb.h"
#include "params/procedures.h"
#include "platform/host.h"

#include <QDebug>
#include <QFile>
#include <QSaveFile>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTextStream>
#include <atomic>
#include <cstring>
#include <vector>

WizardPara* gpWPara = nullptr;
WizardPara* gpWParaBak = nullptr;
int gDNum = 2;
QString gaName[18];
char gSerialNB[8][WizardPara::TextLen];
int* gpLeftMoldActive = nullptr;

namespace {

ParamSavedHook gSavedHook = nullptr;

// One value position of a numeric key: where the load puts it and where the
// save takes it from (they differ only for the procedure).
struct Slot {
    int32_t* load;
    int32_t* save;
};

struct NumericKey {
    const char* name;
    std::vector<Slot> positions;
    const char* insertWhenMissing; // value inserted by the load when the row is missing
    // The step rows: missing or unreadable, their fields go toward off (no
    // step enabled, no output row, no trigger, no name), and a missing row is
    // inserted holding just that.
    void (*towardOff)(WizardPara&);
};

enum class Encoding { Latin1, Utf8 };

struct TextKey {
    const char* name;
    char (*field)[WizardPara::TextLen];
    Encoding enc;
};

void add(std::vector<Slot>& s, int32_t* p) { s.push_back({p, p}); }
void addArr(std::vector<Slot>& s, int32_t* p, int from, int to)
{
    for (int i = from; i <= to; ++i)
        s.push_back({p + i, p + i});
}

const char* kTwentyZeros = "0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0";

// -1 is "none" for every one of these.
void triggersOff(WizardPara& p) { std::fill(p.row_trigger, p.row_trigger + 8, -1); }
void outputRowsOff(WizardPara& p) { std::fill(p.output_row, p.output_row + 8, -1); }
void namesOff(WizardPara& p)
{
    std::fill(p.input_name_index, p.input_name_index + 8, -1);
    std::fill(p.output_name_index, p.output_name_index + 8, -1);
}

// The keys in the order the load reads them.
std::vector<NumericKey> numericKeys(WizardPara& p)
{
    std::vector<NumericKey> keys;
    auto key = [&](const char* name, const char* insert = nullptr,
                   void (*off)(WizardPara&) = nullptr) -> std::vector<Slot>& {
        keys.push_back({name, {}, insert, off});
        return keys.back().positions;
    };
    addArr(key("trigInDelay"), p.detect_delay, 0, 7);
    addArr(key("exposeTime"), p.expose_time, 0, 3);
    addArr(key("adjustPlus"), p.adjust_plus, 0, 3);
    {
        auto& s = key("numFailDetect");
        s.push_back({&p.procedure, &p.procedure_requested});
        for (int32_t* f : {&p.cavity_position, &p.auto_exposure, &p.auto_shading, &p.save_ok_record,
                           &p.enable_black_area, &p.enable_white_area, &p.enable_similarity})
            add(s, f);
    }
    addArr(key("numAllDetect"), p.gamma, 0, 7);
    add(key("isPswUsed"), &p.is_psw_used);
    {
        auto& s = key("system1");
        for (int32_t* f : {&p.semi_auto, &p.detect_product, &p.enabe_two_test, &p.enable_correct,
                           &p.enable_stop_mold, &p.enable_screen_alert, &p.pre_cut,
                           &p.front_auto_check_time, &p.ok_record_max_num, &p.auto_generate_area})
            add(s, f);
    }
    {
        auto& s = key("system2");
        for (int32_t* f : {&p.mold_cutoff, &p.max_mold_num, &p.min_spot, &p.ng_max_num, &p.thimble_pulse,
                           &p.mold_pulse, &p.enable_stop_not_alarm, &p.is_cut_ontime,
                           &p.enable_cutoff_ontime, &p.enable_pass_protect, &p.add_template_protect,
                           &p.ignore_alarm_protect})
            add(s, f);
        s.push_back({&gLan, &gLan});
        for (int32_t* f : {&p.enable_mold_backup, &p.location_adge, &p.location_level, &p.capture_speed,
                           &p.input_timeout_len})
            add(s, f);
    }
    {
        auto& s = key("system3");
        for (int32_t* f : {&p.enable_output_thimble_pulse, &p.enable_disarm_before_open,
                           &p.difference_multiplier, &p.enable_defect_detect, &p.enable_spot_detect,
                           &p.enable_ignore_area, &p.enable_manual_edit, &p.enable_display_detail,
                           &p.auto_cancel_timelen, &p.enable_one_not_mold, &p.enable_trigger_safety})
            add(s, f);
    }
    {
        auto& s = key("system4");
        add(s, &p.template_auto_update);
        addArr(s, p.local_addr, 0, 3);
        addArr(s, p.net_mask, 0, 3);
        addArr(s, p.gateway, 0, 3);
        add(s, &p.minimum_size);
        add(s, &p.minimum_area);
    }
    addArr(key("sharp"), p.sharp, 0, 3);
    addArr(key("contrast"), p.contrast, 0, 3);
    {
        auto& s = key("system5");
        addArr(s, p.expose_time, 4, 5);
        addArr(s, p.adjust_plus, 4, 5);
        addArr(s, p.sharp, 4, 5);
        addArr(s, p.contrast, 4, 5);
        for (int32_t* f : {&p.pulse_output, &p.rotate_angle, &p.cut_ejector_on_prod_alarm,
                           &p.use_external_trigger})
            add(s, f);
    }
    {
        auto& s = key("system6");
        addArr(s, p.expose_time, 6, 7);
        addArr(s, p.adjust_plus, 6, 7);
        addArr(s, p.sharp, 6, 7);
        addArr(s, p.contrast, 6, 7);
        for (int32_t* f : {&p.input_debounce_time, &p.spare_1, &p.temp_alarm_cuts_clamp,
                           &p.stop_detect_protect})
            add(s, f);
    }
    {
        auto& s = key("system7", "0 0 0 0 0 0 1 0 0 0 0 0 0 0 0 0 0 0 0 0");
        for (int32_t* f : {&p.serial_port, &p.enable_color_camera, &p.enable_gray_channel, &p.snap_shot})
            add(s, f);
        addArr(s, p.output_initial_state, 0, 2);
        add(s, &p.prohibit_optimize);
        add(s, &p.output_initial_state[3]);
        for (int32_t* f : {&p.factory_param, &p.template_is_ng_image, &p.spare_2, &p.show_live_regions,
                           &p.show_cavity_number})
            add(s, f);
        addArr(s, p.output_initial_state, 4, 8);
        add(s, &p.enable_white_num);
    }
    {
        auto& s = key("system8", nullptr, triggersOff);
        add(s, &p.detect_count);
        addArr(s, p.row_trigger, 0, 7);
        addArr(s, p.row_cut_mode, 0, 7);
        add(s, &p.is_cut_ontime_thimble);
        add(s, &p.enable_log);
        add(s, &p.enable_direction_check);
    }
    {
        auto& s = key("system9", nullptr, outputRowsOff);
        addArr(s, p.output_row, 0, 7);
        add(s, &p.cut_clamp_on_mold_alarm);
        add(s, &p.detect_any_order);
        for (int i = 0; i < 10; ++i)
            add(s, &p.spare_3);
    }
    {
        auto& s = key("system10", nullptr, namesOff);
        addArr(s, p.input_name_index, 0, 7);
        addArr(s, p.output_name_index, 0, 7);
        for (int i = 0; i < 4; ++i)
            add(s, &p.spare_3);
    }
    {
        auto& s = key("system11", kTwentyZeros);
        addArr(s, p.temp_alarm_min, 0, 7);
        addArr(s, p.temp_alarm_max, 0, 7);
        for (int i = 0; i < 4; ++i)
            add(s, &p.spare_3);
    }
    {
        auto& s = key("CntNet");
        for (int32_t* f : {&p.cntnet_enable, &p.video_type, &p.video_fps, &p.record_ng_video, &p.alarm_sms,
                           &p.product_moldcavity, &p.product_num, &p.product_serial})
            add(s, f);
    }
    return keys;
}

std::vector<TextKey> textKeys(WizardPara& p)
{
    return {
        {"password", &p.password, Encoding::Latin1},
        {"CntNet_UseName", &p.CntNet_UseName, Encoding::Latin1},
        {"CntNet_MsgTechName", &p.CntNet_MsgTechName, Encoding::Latin1},
        {"CntNet_MsgTechNum", &p.CntNet_MsgTechNum, Encoding::Latin1},
        {"CntNet_ProName", &p.CntNet_ProName, Encoding::Utf8},
        {"CntNet_Operator", &p.CntNet_Operator, Encoding::Utf8},
    };
}

QByteArray encode(const QString& s, Encoding e) { return e == Encoding::Latin1 ? s.toLatin1() : s.toUtf8(); }

QString decode(const char* field, Encoding e)
{
    return e == Encoding::Latin1 ? QString::fromLatin1(field) : QString::fromUtf8(field);
}

// Runs a statement with its values bound in order; a failure is logged
// (`action` and the key) unless `action` is null.
bool run(QSqlQuery& q, const QString& sql, std::initializer_list<QString> values, const char* action,
         const QString& key)
{
    q.prepare(sql);
    for (const QString& v : values)
        q.addBindValue(v);
    if (q.exec())
        return true;
    if (action)
        qWarning() << action << key << q.lastError().text();
    return false;
}

// Reads rows of a sysparam table by key. Only a row that is not there is
// missing: a select that fails is tried again while another connection's
// lock keeps it out, and is then a failure, as is every key after a lock
// outlasted all tries (each try waits the busy timeout).
class KeyReader {
public:
    enum Result { Found, Missing, Failed };
    explicit KeyReader(const char* connection) : db_(QSqlDatabase::database(QLatin1String(connection), false)) {}

    Result read(const QString& key, QString* value)
    {
        if (!db_.isOpen())
            return fail(key, QStringLiteral("database not open"));
        if (lockedOut_)
            return fail(key, QStringLiteral("database locked"));
        Result result = Missing;
        const auto select = [&](QSqlError& error) {
            // The key's own fixed statement (keys are the program's names):
            // a lock that keeps out the statement's preparation is reported
            // as such only this way.
            QSqlQuery q(db_);
            if (q.exec(QStringLiteral("select value from sysparam where name='%1'").arg(key)) && q.next()) {
                *value = q.value(0).toString();
                result = Found;
                return true;
            }
            error = q.lastError();
            return !error.isValid(); // no row, and no error: missing
        };
        QSqlError error;
        if (RetryWhileBusy(select, &error))
            return result;
        lockedOut_ = SqlBusy(error); // a lock outlasted every try
        return fail(key, error.text());
    }
    QSqlDatabase& db() { return db_; }
    bool open() const { return db_.isOpen(); }
    QStringList failures; // "key: reason"

private:
    Result fail(const QString& key, const QString& why)
    {
        failures << key + QStringLiteral(": ") + why;
        return Failed;
    }
    QSqlDatabase db_;
    bool lockedOut_ = false;
};

bool insertValue(QSqlDatabase& db, const QString& key, const QString& value)
{
    QSqlQuery q(db);
    return run(q, QStringLiteral("insert into sysparam values(?, ?)"), {key, value}, "cannot insert parameter", key);
}

// Update, or insert when the row is missing.
bool writeValue(QSqlDatabase& db, const QString& key, const QString& value)
{
    QSqlQuery q(db);
    if (!run(q, QStringLiteral("update sysparam set value=? where name=?"), {value, key}, "cannot update parameter",
             key))
        return false;
    if (q.numRowsAffected() > 0)
        return true;
    return insertValue(db, key, value);
}

// Integers separated by white space with the text-stream rules: a missing or
// malformed position reads as 0, and so does everything after a malformed one;
// 0x, 0b and a leading 0 select base 16, 2 and 8.
std::vector<int32_t> parseValues(const QString& text, size_t count)
{
    std::vector<int32_t> out(count, 0);
    QString copy = text;
    QTextStream in(&copy, QIODevice::ReadOnly);
    for (size_t i = 0; i < count; ++i) {
        int v = 0;
        in >> v;
        out[i] = in.status() == QTextStream::Ok ? v : 0;
    }
    return out;
}

bool inRange(int32_t v, uint32_t lo, uint32_t hi)
{
    uint32_t u = static_cast<uint32_t>(v);
    return u >= lo && u <= hi;
}

void repair(int32_t& v, uint32_t lo, uint32_t hi, int32_t replacement)
{
    if (!inRange(v, lo, hi))
        v = replacement;
}

void repairArr(int32_t* v, int n, uint32_t lo, uint32_t hi, int32_t replacement)
{
    for (int i = 0; i < n; ++i)
        repair(v[i], lo, hi, replacement);
}

void repairSigned(int32_t& v, int32_t lo, int32_t hi, int32_t replacement)
{
    if (v < lo || v > hi)
        v = replacement;
}

void readSysAdd(WizardPara& p)
{
    p.para_group = 0;
    QFile f(QStringLiteral("sysadd.txt"));
    if (f.open(QIODevice::ReadOnly)) {
        QTextStream in(&f);
        int v = 0;
        in >> v;
        if (in.status() == QTextStream::Ok)
            p.para_group = v;
        return;
    }
    QFile w(QStringLiteral("sysadd.txt"));
    if (w.open(QIODevice::WriteOnly | QIODevice::Truncate))
        w.write(QByteArray::number(p.para_group));
    else
        qWarning() << "cannot create sysadd.txt";
}

std::atomic<int> gHeld{0}; // SaveHold bits
std::atomic<bool> gSerialsHeld{false};

void setHold(SaveHold why, bool on)
{
    if (on)
        gHeld.fetch_or(int(why));
    else
        gHeld.fetch_and(~int(why));
}

// Tells the operator (from the event loop: the load runs during the start-up)
// and the journal.
void tellUnread(const char* what, const QStringList& failures, int row)
{
    qWarning().noquote() << what << "could not be read:" << failures.join(QStringLiteral("; "));
    host::insertRecord(LanStr(row));
    host::showWarningLater(LanStr(row));
}

void readSerials(WizardPara& p)
{
    p.serial_count = 0;
    KeyReader reader(kSerialConnection);
    for (int i = 0; i < 8; ++i) {
        const QString key = QStringLiteral("serialNB%1").arg(i);
        QString value;
        switch (reader.read(key, &value)) {
        case KeyReader::Found: {
            const QByteArray bytes = value.toLatin1();
            if (bytes.size() >= 9 && setParamText(gSerialNB[i], bytes))
                ++p.serial_count;
            break;
        }
        case KeyReader::Missing:
            setParamText(gSerialNB[i], "0");
            insertValue(reader.db(), key, QStringLiteral("0"));
            break;
        case KeyReader::Failed:
            break; // the slot keeps what it has: nothing says it is unbound
        }
    }
    gSerialsHeld = !reader.failures.isEmpty();
    if (gSerialsHeld)
        tellUnread("camera serials", reader.failures, kLanSerialsUnread);
}

} // namespace

void setParamSavedHook(ParamSavedHook hook) { gSavedHook = hook; }

bool setParamText(char (&field)[WizardPara::TextLen], const QByteArray& bytes)
{
    if (bytes.size() > WizardPara::TextLen - 1)
        return false;
    std::memset(field, 0, WizardPara::TextLen);
    std::memcpy(field, bytes.constData(), bytes.size());
    return true;
}

WizardPara::WizardPara()
{
    std::memset(static_cast<void*>(this), 0, sizeof(*this));
    step_enabled[1] = 1;
    video_type = 1;
    video_fps = 3;
    product_serial = 10000;
    product_moldcavity = 6;
    product_num = 1;
    detect_count = 2;
}

bool WizardPara::sameAs(const WizardPara& other) const
{
    return std::memcmp(this, &other, sizeof(*this)) == 0;
}

bool WizardPara::LoadDatafromFile()
{
    readSysAdd(*this);

    KeyReader reader(kParamConnection);
    if (!reader.open())
        qWarning() << "parameter database is not open; built-in defaults stay";
    std::vector<NumericKey> keys = numericKeys(*this);
    for (NumericKey& k : keys) {
        const QString name = QLatin1String(k.name);
        QString value;
        switch (reader.read(name, &value)) {
        case KeyReader::Found: {
            const std::vector<int32_t> v = parseValues(value, k.positions.size());
            for (size_t i = 0; i < k.positions.size(); ++i)
                *k.positions[i].load = v[i];
            break;
        }
        case KeyReader::Missing:
            if (k.towardOff) {
                k.towardOff(*this);
                QStringList parts;
                for (const Slot& s : k.positions)
                    parts << QString::number(*s.load);
                insertValue(reader.db(), name, parts.join(' '));
            } else if (k.insertWhenMissing) {
                insertValue(reader.db(), name, QLatin1String(k.insertWhenMissing));
            }
            break;
        case KeyReader::Failed:
            if (k.towardOff)
                k.towardOff(*this);
            break;
        }
    }
    for (const TextKey& k : textKeys(*this)) {
        QString value;
        if (reader.read(QLatin1String(k.name), &value) == KeyReader::Found)
            setParamText(*k.field, encode(value, k.enc));
    }

    RepairRanges();
    DeriveProcedure();
    FillDisplayNames(*this);
    readSerials(*this);

    const bool unread = !reader.failures.isEmpty();
    setHold(SaveHold::ParamsUnread, unread);
    if (unread)
        tellUnread("parameters", reader.failures, kLanParamsUnread);
    return !unread && !gSerialsHeld;
}

void WizardPara::RepairRanges()
{
    repairArr(expose_time, 8, 0, 10000, 30);
    repairArr(adjust_plus, 8, 0, 10000, 32);
    repairArr(sharp, 8, 0, 10000, 0);
    repairArr(contrast, 8, 1, 10000, 100);
    repairArr(gamma, 8, 1, 10000, 100);
    if (enable_correct != 0 && enable_correct != -1)
        enable_correct = -1;
    repair(max_mold_num, 1, 100, 10);
    repair(ng_max_num, 0, 10000, 0);
    repair(ok_record_max_num, 0, 10000, 0);
    if (location_level != 0 && !inRange(location_level, 10, 9999))
        location_level = 600;
    repair(capture_speed, 0, 100, 12);
    repair(difference_multiplier, 0, 4, 0);
    repair(auto_cancel_timelen, 0, 10000, 0);
    repair(front_auto_check_time, 0, 10000, 0);
    repair(thimble_pulse, 0, 10000, 0);
    repair(mold_pulse, 0, 10000, 0);
    repair(input_timeout_len, 0, 100000000, 60);
    repair(minimum_size, 1, 100, 3);
    repair(minimum_area, 1, 100000, 100);
    repair(location_adge, 1, 8000, 8000);
    repair(serial_port, 0, 100, 0);
    repair(min_spot, 1, 100, 3);
    repair(procedure, 0, 5, 0);
    if (procedure == ProcTwoColor || procedure == ProcTurntable)
        repair(cavity_position, 0, 3, 0);
    repair(pre_cut, 0, 10000, 0);
    repair(rotate_angle, 0, 180, 0);
    repair(spare_3, 0, 100000000, 0);
    repair(detect_count, 2, 8, 2);
    repair(gLan, 0, 2, 0);

    // Fields that later code uses as indexes.
    repair(enable_output_thimble_pulse, 0, 3, 0);
    repair(enable_mold_backup, 0, 3, 0);
    repair(video_type, 0, 2, 0); // no video rather than sharing the screen
    repair(video_fps, 0, 4, 3);
    repairArr(row_cut_mode, 8, 0, 2, 0);
    for (int32_t& r : output_row)
        repairSigned(r, -1, 7, -1);
    // Toward off and empty: a bad trigger choice leaves its step off and a
    // bad name index names nothing, rather than turning on the first entry.
    for (int32_t& t : row_trigger)
        repairSigned(t, -1, 7, -1);
    for (int32_t& n : input_name_index)
        repairSigned(n, -1, 15, -1);
    for (int32_t& n : output_name_index)
        repairSigned(n, -1, 13, -1);

    // Direction recognition builds on the defect method.
    if (!enable_defect_detect && !enable_spot_detect && !enable_black_area && !enable_white_area
        && !enable_similarity && !enable_white_num && enable_direction_check)
        enable_defect_detect = 1;
}

void WizardPara::DeriveProcedure()
{
    procedure_requested = procedure;
    switch (procedure) {
    case ProcTwoColor:
    case ProcTurntable: {
        gDNum = 4;
        if (!inRange(cavity_position, 0, 3))
            cavity_position = 0;
        const int p = detect_product ? 1 : 0;
        const bool turntable = procedure == ProcTurntable;
        if (cavity_position == 0) {
            const int e[4] = {p, 1, 0, 0};
            std::copy(e, e + 4, step_enabled);
            if (gpLeftMoldActive)
                *gpLeftMoldActive = 1;
            step_trigger_input[0] = 0;
            step_trigger_input[1] = turntable ? (semi_auto ? 2 : 0) : 2;
        } else if (cavity_position == 1) {
            const int e[4] = {0, 0, p, 1};
            std::copy(e, e + 4, step_enabled);
            if (gpLeftMoldActive)
                *gpLeftMoldActive = 0;
            step_trigger_input[0] = turntable ? 3 : 0;
            step_trigger_input[1] = turntable ? (semi_auto ? 2 : 3) : 3;
        } else {
            const int e[4] = {p, 1, p, 1};
            std::copy(e, e + 4, step_enabled);
            step_trigger_input[0] = turntable ? kEitherMoldInput : 0;
            step_trigger_input[1] = turntable ? (semi_auto ? 2 : kEitherMoldInput) : kEitherMoldInput;
        }
        break;
    }
    case ProcMultiDetect:
        gDNum = detect_count;
        for (int k = 0; k < 8; ++k) {
            if (k >= detect_count) {
                step_enabled[k] = 0;
                step_trigger_input[k] = -1;
                continue;
            }
            step_row[k] = output_row[k];
            const int row = output_row[k];
            const bool rowValid = row >= 0 && row < 8;
            const bool trigValid = rowValid && row_trigger[row] >= 0 && row_trigger[row] < 8;
            if (!trigValid || (k == 0 && !detect_product)) {
                step_enabled[k] = 0;
                step_trigger_input[k] = -1;
            } else {
                step_enabled[k] = 1;
                step_trigger_input[k] = TriginNo[row_trigger[row]] - 1;
            }
        }
        break;
    default: // standard, auto parts and standard without re-checks
        gDNum = 2;
        step_enabled[0] = detect_product;
        step_enabled[1] = 1;
        step_trigger_input[0] = 0;
        step_trigger_input[1] = semi_auto ? 2 : 0;
        for (int i = 4; i <= 7; ++i)
            output_initial_state[i] = enable_stop_not_alarm == 0 ? 1 : 0;
        if (procedure == ProcStandardNoRecheck)
            front_auto_check_time = 0;
        break;
    }
}

void holdParamSaves(bool held, SaveHold why)
{
    if (held)
        setHold(why, true);
    else
        gHeld = 0;
}

bool paramSavesHeld() { return gHeld.load() != 0; }

QString paramSavesHeldText()
{
    const int held = gHeld.load();
    if (held & int(SaveHold::GroupRestored))
        return LanStr(kLanSavesHeldRestored);
    if (held & int(SaveHold::ParamsUnread))
        return LanStr(kLanSavesHeldUnread);
    return QString();
}

bool serialSavesHeld() { return gSerialsHeld.load(); }

bool WizardPara::SaveDatatoFile()
{
    if (paramSavesHeld()) {
        qWarning() << "parameters not saved: saves are held until the restart";
        return false;
    }
    QSqlDatabase db = QSqlDatabase::database(QLatin1String(kParamConnection), false);
    if (!db.isOpen()) {
        qWarning() << "parameters not saved: the parameter database is not open";
        return false;
    }
    static const char* const saveOrder[] = {
        "trigInDelay", "exposeTime", "sharp", "contrast", "adjustPlus", "numFailDetect", "numAllDetect",
        "isPswUsed", "system1", "system2", "system3", "system4", "system5", "system6", "system7",
        "system8", "system9", "system10", "system11", "CntNet"};
    const std::vector<NumericKey> keys = numericKeys(*this);
    auto valueOf = [&](const char* name) {
        for (const NumericKey& k : keys) {
            if (std::strcmp(k.name, name) != 0)
                continue;
            QStringList parts;
            for (const Slot& s : k.positions)
                parts << QString::number(*s.save);
            return parts.join(' ');
        }
        return QString();
    };

    // Without a transaction of its own the writes would land in one left
    // open elsewhere and could vanish with it: no save is reported then.
    if (!db.transaction()) {
        qWarning() << "parameters not saved: no transaction:" << db.lastError().text();
        return false;
    }
    bool ok = true;
    for (const char* name : saveOrder) {
        ok = ok && writeValue(db, QLatin1String(name), valueOf(name));
        if (std::strcmp(name, "isPswUsed") == 0)
            ok = ok && writeValue(db, QStringLiteral("password"), decode(password, Encoding::Latin1));
    }
    for (const TextKey& k : textKeys(*this)) {
        if (std::strcmp(k.name, "password") != 0)
            ok = ok && writeValue(db, QLatin1String(k.name), decode(*k.field, k.enc));
    }
    if (ok) {
        QString why;
        ok = CommitOrRollback(db, &why);
        if (!ok)
            qWarning() << "parameters not saved:" << why;
    } else {
        db.rollback();
    }
    if (!ok) {
        qWarning() << "parameters not saved";
        return false;
    }
    if (gSavedHook)
        gSavedHook(*this);
    return true;
}

bool WizardPara::SaveAddFile()
{
    // Replaced whole, so a power cut leaves the old number or the new one.
    QSaveFile f(QStringLiteral("sysadd.txt"));
    const QByteArray data = QByteArray::number(para_group) + '\n';
    if (!f.open(QIODevice::WriteOnly) || f.write(data) != data.size() || !f.commit()) {
        qWarning() << "cannot write sysadd.txt:" << f.errorString();
        return false;
    }
    return true;
}

bool WizardPara::SaveChkDBItem(const QString& key)
{
    KeyReader reader(kParamConnection);
    QString value;
    switch (reader.read(key, &value)) {
    case KeyReader::Found:
        return true;
    case KeyReader::Missing:
        return insertValue(reader.db(), key, QStringLiteral("0"));
    default:
        return false; // unreadable is not missing: nothing is inserted
    }
}
