#pragma once
// The link's records for the management system, as plain values: the
// production statistics (file "./cnt_net/data/Statistics"), the manual-stop
// record ("./cnt_net/data/ManualStop") and the reminders
// ("./cnt_net/data/Remind"). Each converts to and from the JSON that is both
// sent and stored; the arithmetic is in 64 bits. No locks, sockets or
// widgets here: the link serialises access.
#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QVector>
#include <map>
#include <string>

struct cJSON;

// Adds one member to a JSON object: texts as strings of their UTF-8 (or
// stored) bytes, integers as numbers.
void ccJSON_AddItemToObject(cJSON* object, const char* name, const char* value);
void ccJSON_AddItemToObject(cJSON* object, const char* name, const qint64& value);
void ccJSON_AddItemToObject(cJSON* object, const char* name, const QString& value);
void ccJSON_AddItemToObject(cJSON* object, const char* name, const std::string& value);

namespace linkrecord {

constexpr const char* kStatisticsFile = "./cnt_net/data/Statistics";
constexpr const char* kManualStopFile = "./cnt_net/data/ManualStop";
constexpr const char* kRemindFile = "./cnt_net/data/Remind";

enum class Load { NoFile, Unparsable, MissingKey, Complete };

// The whole file, or an empty array when it cannot be read.
QByteArray readFile(const QString& path, bool* exists = nullptr);
// Writes a temporary file beside it and renames it over, so a reader never
// sees half a record. False (and a log line) when it could not be written.
bool writeFileAtomically(const QString& path, const QByteArray& bytes);

// cJSON's formatted print of a tree as UTF-8 bytes; the tree is deleted.
QByteArray printAndDelete(cJSON* root);

} // namespace linkrecord

struct CNT_Path_Statistics_Alarm {
    int alarm_area_num = 0; // region number from 1
    std::string alarm_algorithm_type = "----";
    qint64 alarm_result = 0; // alarms the region raised
};

struct CNT_Path_Statistics_Detect {
    int time = 0; // step number from 1
    qint64 ng_sum = 0;
    qint64 produce = 0;
    qint64 monitor_times = 0;
    qint64 ok_num = 0;
    qint64 ok_rate = 0; // 1/10,000
    qint64 not_ok_num = 0;
    qint64 not_ok_rate = 0;
    std::map<int, CNT_Path_Statistics_Alarm> alarms; // by region index
};

struct CNT_Path_Statistics_Camera {
    std::string camera_id = "1";
    qint64 disalarm_timeout_time = 0;
    qint64 last_monitor_period = 0;
    qint64 now_monitor_period = 0;
    qint64 average_monitor_period = 0;
    std::map<int, CNT_Path_Statistics_Detect> detects; // by step index
};

// What a statistics update reads of the rest of the system.
struct StatisticsInputs {
    qint64 nowMs = 0;
    qint64 stopMinutes = 0;        // accumulated manual stop
    QVector<int> cameras;          // slots of the cameras in use
    qint64 all[8] = {};            // judged cycles per slot
    qint64 fail[8] = {};           // NG cycles per slot
    qint64 cavities = 0;           // per cycle
    qint64 capacity = 0;           // expected capacity
    qint64 cycleTenths = 0;        // last cycle time
    std::string productName;
    qint64 productSerial = 0;
};

class CNT_Path_Statistics {
public:
    explicit CNT_Path_Statistics(qint64 nowMs = 0);

    bool complete = true;
    std::string product_name = "no set";
    std::string product_serial = "1";
    qint64 products_num = 10000;
    qint64 start_utc = 0;
    qint64 real_produce = 0;
    qint64 utc_watch_total = 0;
    qint64 total_stop_alarm_timelen = 0;
    qint64 watch_count_total = 0;
    qint64 ng_count_total = 0;
    qint64 ng_notification_rate = 0; // 1/10,000
    qint64 watch_circle = 0;         // ms
    std::map<int, CNT_Path_Statistics_Camera> cameras; // by camera slot

    // Everything back to a new period starting now: totals, alarm counts
    // and per-camera figures zeroed.
    void reset(qint64 nowMs);
    // Reads a stored record over the reset values. A missing top-level key
    // stops the reading (the values read before it stay); an element that
    // lacks a key ends its list.
    linkrecord::Load load(const QByteArray& json);

    // One alarm of a region (all 0-based).
    void countAlarm(int camera, int step, int region);

    // The figures of a send: totals from the busiest camera, rates, good
    // output, and per camera and step the counts. latestMs and averageMs are
    // the alarm durations. False when a camera or step key lies outside 0..7
    // (the record is then to be discarded).
    bool update(const StatisticsInputs& in, qint64 latestMs, qint64 averageMs);

    // Kind 7 and the stored file: state 1 stopped, 0 detecting, 2 otherwise.
    cJSON* toJson(const QString& deviceId, int state, qint64 utcMs, const QString& ngImage) const;
};

// The mean of the recent alarm durations: drops the oldest when more than
// 100 are kept (one per call), then averages what is left (0 for none).
qint64 MeanAlarmDuration(QVector<qint64>& ngTimes);

class CNT_Path_ManualStop {
public:
    CNT_Path_ManualStop();

    bool complete = true;
    qint64 utc = 0; // start of the current or last stop, ms
    std::string stop_check_timeslot; // "hh:mm---:--" while stopped, "hh:mm-hh:mm" after
    qint64 stop_check_timelen = 0;   // minutes stopped in all
    qint64 timeout_time = 0;
    std::string operator_id = "--";
    std::string disalarm_operator_id = "--";
    std::string stop_check_reason = "--";

    static qint64 defaultUtc();
    void reset();
    linkrecord::Load load(const QByteArray& json);

    // Detection stopped at `now`: the slot opens.
    void stopped(const QDateTime& now);
    // Detection runs again: an open slot closes and its whole minutes count.
    void restarted(const QDateTime& now);
    bool open() const { return QString::fromStdString(stop_check_timeslot).contains(QLatin1String("--:--")); }

    cJSON* toJson(const QString& deviceId, int state) const;
};

struct CNT_Path_Remind {
    qint64 utc = 1520307723012;
    qint64 notification_utc = 1520307874012;
    qint64 duration = 3600000;
    std::string description = "reminder";
    std::string operator_id = "--";

    cJSON* toJson(const QString& deviceId) const;
};

namespace linkrecord {

// The reminder file with one more reminder (printed JSON) at the end of its
// "remind" array; a file that does not parse starts a new array.
QByteArray appendReminder(const QByteArray& file, const QByteArray& reminder);
// The reminder file without its first reminder of that utc; *ok false (and
// the text unchanged) when the file does not parse.
QByteArray deleteReminder(const QByteArray& file, qint64 utc, bool* ok);

} // namespace linkrecord
