#include "netlink/linkrecords.h"

#include <QDebug>
#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <cerrno>
#include <cjson/cJSON.h>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <variant>

void ccJSON_AddItemToObject(cJSON* object, const char* name, const char* value)
{
    cJSON_AddItemToObject(object, name, cJSON_CreateString(value ? value : ""));
}

void ccJSON_AddItemToObject(cJSON* object, const char* name, const qint64& value)
{
    cJSON_AddItemToObject(object, name, cJSON_CreateNumber(double(value)));
}

void ccJSON_AddItemToObject(cJSON* object, const char* name, const QString& value)
{
    ccJSON_AddItemToObject(object, name, value.toUtf8().constData());
}

void ccJSON_AddItemToObject(cJSON* object, const char* name, const std::string& value)
{
    ccJSON_AddItemToObject(object, name, value.c_str());
}

namespace linkrecord {

QByteArray readFile(const QString& path, bool* exists)
{
    QFile f(path);
    const bool there = f.exists();
    if (exists)
        *exists = there;
    if (!there || !f.open(QIODevice::ReadOnly))
        return {};
    return f.readAll();
}

bool writeFileAtomically(const QString& path, const QByteArray& bytes)
{
    const QString temp = path + QStringLiteral(".tmp");
    QFile f(temp);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        qWarning().noquote() << QStringLiteral("reporting link: cannot write %1: %2").arg(path, f.errorString());
        return false;
    }
    const bool written = f.write(bytes) == bytes.size() && f.flush();
    f.close();
    if (!written || std::rename(QFile::encodeName(temp).constData(), QFile::encodeName(path).constData()) != 0) {
        qWarning().noquote() << QStringLiteral("reporting link: cannot write %1: %2")
                                    .arg(path, QString::fromLocal8Bit(std::strerror(errno)));
        QFile::remove(temp);
        return false;
    }
    return true;
}

QByteArray printAndDelete(cJSON* root)
{
    char* text = cJSON_Print(root);
    const QByteArray out(text ? text : "");
    cJSON_free(text);
    cJSON_Delete(root);
    return out;
}

} // namespace linkrecord

namespace {

cJSON* parse(const QByteArray& bytes)
{
    const int len = int(qstrnlen(bytes.constData(), uint(bytes.size())));
    return cJSON_ParseWithLength(bytes.constData(), size_t(len));
}

bool number(const cJSON* object, const char* key, qint64* out)
{
    const cJSON* item = cJSON_GetObjectItemCaseSensitive(object, key);
    if (!item)
        return false;
    *out = cJSON_IsNumber(item) ? qint64(std::llround(item->valuedouble)) : 0;
    return true;
}

bool number(const cJSON* object, const char* key, int* out)
{
    qint64 v = 0;
    if (!number(object, key, &v))
        return false;
    *out = int(v);
    return true;
}

bool text(const cJSON* object, const char* key, std::string* out)
{
    const cJSON* item = cJSON_GetObjectItemCaseSensitive(object, key);
    if (!item)
        return false;
    *out = cJSON_IsString(item) && item->valuestring ? item->valuestring : "";
    return true;
}

void add(cJSON* o, const char* key, qint64 v) { ccJSON_AddItemToObject(o, key, v); }
void add(cJSON* o, const char* key, int v) { ccJSON_AddItemToObject(o, key, qint64(v)); }
void add(cJSON* o, const char* key, const std::string& v) { ccJSON_AddItemToObject(o, key, v); }
void add(cJSON* o, const char* key, const QString& v) { ccJSON_AddItemToObject(o, key, v); }

bool read(const cJSON* o, const char* key, qint64* out) { return number(o, key, out); }
bool read(const cJSON* o, const char* key, int* out) { return number(o, key, out); }
bool read(const cJSON* o, const char* key, std::string* out) { return text(o, key, out); }

// A key of a record and the member that keeps it: one table both reads
// and writes the record, so the file and the message cannot drift apart.
template <typename R>
struct Field {
    const char* key;
    std::variant<int R::*, qint64 R::*, std::string R::*> member;
};

// Every key, in order, up to the first one missing; false when one is.
template <typename R, size_t N>
bool readFields(const cJSON* o, R* r, const Field<R> (&fields)[N])
{
    for (const Field<R>& f : fields)
        if (!std::visit([&](auto m) { return read(o, f.key, &(r->*m)); }, f.member))
            return false;
    return true;
}

template <typename R, size_t N>
void writeFields(cJSON* o, const R& r, const Field<R> (&fields)[N])
{
    for (const Field<R>& f : fields)
        std::visit([&](auto m) { add(o, f.key, r.*m); }, f.member);
}

using Statistics = CNT_Path_Statistics;
const Field<Statistics> kStatisticsFields[] = {
    {"product_name", &Statistics::product_name},
    {"product_serial", &Statistics::product_serial},
    {"products_num", &Statistics::products_num},
    {"start_utc", &Statistics::start_utc},
    {"real_produce", &Statistics::real_produce},
    {"utc_watch_total", &Statistics::utc_watch_total},
    {"total_stop_alarm_timelen", &Statistics::total_stop_alarm_timelen},
    {"watch_count_total", &Statistics::watch_count_total},
    {"ng_count_total", &Statistics::ng_count_total},
    {"ng_notification_rate", &Statistics::ng_notification_rate},
    {"watch_circle", &Statistics::watch_circle},
};

// "camera_id" comes first, apart: it is written from the camera's slot.
using Camera = CNT_Path_Statistics_Camera;
const Field<Camera> kCameraFields[] = {
    {"disalarm_timeout_time", &Camera::disalarm_timeout_time},
    {"last_monitor_period", &Camera::last_monitor_period},
    {"now_monitor_period", &Camera::now_monitor_period},
    {"average_monitor_period", &Camera::average_monitor_period},
};

using Detect = CNT_Path_Statistics_Detect;
const Field<Detect> kDetectFields[] = {
    {"time", &Detect::time},
    {"ng_sum", &Detect::ng_sum},
    {"produce", &Detect::produce},
    {"monitor_times", &Detect::monitor_times},
    {"ok_num", &Detect::ok_num},
    {"ok_rate", &Detect::ok_rate},
    {"not_ok_num", &Detect::not_ok_num},
    {"not_ok_rate", &Detect::not_ok_rate},
};

using Alarm = CNT_Path_Statistics_Alarm;
const Field<Alarm> kAlarmFields[] = {
    {"alarm_area_num", &Alarm::alarm_area_num},
    {"alarm_algorithm_type", &Alarm::alarm_algorithm_type},
    {"alarm_result", &Alarm::alarm_result},
};

using ManualStop = CNT_Path_ManualStop;
const Field<ManualStop> kManualStopFields[] = {
    {"utc", &ManualStop::utc},
    {"stop_check_timeslot", &ManualStop::stop_check_timeslot},
    {"stop_check_timelen", &ManualStop::stop_check_timelen},
    {"timeout_time", &ManualStop::timeout_time},
    {"operator_id", &ManualStop::operator_id},
    {"disalarm_operator_id", &ManualStop::disalarm_operator_id},
    {"stop_check_reason", &ManualStop::stop_check_reason},
};

using Remind = CNT_Path_Remind;
const Field<Remind> kRemindFields[] = {
    {"utc", &Remind::utc},
    {"notification_utc", &Remind::notification_utc},
    {"duration", &Remind::duration},
    {"description", &Remind::description},
    {"operator_id", &Remind::operator_id},
};

qint64 rate(qint64 part, qint64 whole) { return whole > 0 ? part * 10000 / whole : 0; }

} // namespace

// ---- statistics ---------------------------------------------------------------

CNT_Path_Statistics::CNT_Path_Statistics(qint64 nowMs) { reset(nowMs); }

void CNT_Path_Statistics::reset(qint64 nowMs)
{
    complete = true;
    product_name = "no set";
    product_serial = "1";
    products_num = 10000;
    start_utc = nowMs;
    real_produce = 0;
    utc_watch_total = 0;
    total_stop_alarm_timelen = 0;
    watch_count_total = 0;
    ng_count_total = 0;
    ng_notification_rate = 0;
    watch_circle = 0;
    cameras.clear();
}

linkrecord::Load CNT_Path_Statistics::load(const QByteArray& json)
{
    cJSON* root = parse(json);
    if (!root)
        return linkrecord::Load::Unparsable;
    complete = false;
    if (!readFields(root, this, kStatisticsFields)) {
        cJSON_Delete(root);
        return linkrecord::Load::MissingKey;
    }
    const cJSON* camera = cJSON_GetObjectItemCaseSensitive(root, "camera");
    const cJSON* ng = camera ? cJSON_GetObjectItemCaseSensitive(camera, "ng") : nullptr;
    const cJSON* c = nullptr;
    cJSON_ArrayForEach(c, ng)
    {
        CNT_Path_Statistics_Camera cam;
        if (!text(c, "camera_id", &cam.camera_id) || !readFields(c, &cam, kCameraFields))
            break;
        const cJSON* d = nullptr;
        cJSON_ArrayForEach(d, cJSON_GetObjectItemCaseSensitive(c, "ng_monitors"))
        {
            CNT_Path_Statistics_Detect det;
            if (!readFields(d, &det, kDetectFields))
                break;
            const cJSON* a = nullptr;
            cJSON_ArrayForEach(a, cJSON_GetObjectItemCaseSensitive(d, "alarm"))
            {
                CNT_Path_Statistics_Alarm alarm;
                if (!readFields(a, &alarm, kAlarmFields))
                    break;
                det.alarms[alarm.alarm_area_num - 1] = alarm;
            }
            cam.detects[det.time - 1] = det;
        }
        cameras[QString::fromStdString(cam.camera_id).toInt() - 1] = cam;
    }
    cJSON_Delete(root);
    complete = true;
    return linkrecord::Load::Complete;
}

void CNT_Path_Statistics::countAlarm(int camera, int step, int region)
{
    auto cam = cameras.find(camera);
    if (cam == cameras.end()) {
        CNT_Path_Statistics_Camera fresh;
        fresh.camera_id = std::to_string(camera + 1);
        cam = cameras.emplace(camera, fresh).first;
    }
    auto det = cam->second.detects.find(step);
    if (det == cam->second.detects.end()) {
        CNT_Path_Statistics_Detect fresh;
        fresh.time = step + 1;
        det = cam->second.detects.emplace(step, fresh).first;
    }
    auto alarm = det->second.alarms.find(region);
    if (alarm == det->second.alarms.end()) {
        CNT_Path_Statistics_Alarm fresh;
        fresh.alarm_area_num = region + 1;
        alarm = det->second.alarms.emplace(region, fresh).first;
    }
    ++alarm->second.alarm_result;
}

bool CNT_Path_Statistics::update(const StatisticsInputs& in, qint64 latestMs, qint64 averageMs)
{
    watch_count_total = 0;
    ng_count_total = 0;
    utc_watch_total = in.nowMs - start_utc - in.stopMinutes * 60000;
    for (int slot : in.cameras) {
        if (slot < 0 || slot > 7)
            continue;
        watch_count_total = std::max(watch_count_total, in.all[slot]);
        ng_count_total = std::max(ng_count_total, in.fail[slot]);
    }
    ng_notification_rate = rate(ng_count_total, watch_count_total);
    real_produce = (watch_count_total - ng_count_total) * in.cavities;
    watch_circle = in.cycleTenths * 100;
    product_name = in.productName;
    product_serial = std::to_string(in.productSerial);
    products_num = in.capacity;
    for (auto& [k, cam] : cameras) {
        if (k < 0 || k > 7)
            return false;
        cam.disalarm_timeout_time = 1;
        cam.last_monitor_period = total_stop_alarm_timelen;
        cam.now_monitor_period = latestMs;
        cam.average_monitor_period = averageMs;
        const qint64 all = in.all[k];
        const qint64 fail = in.fail[k];
        for (auto& [d, det] : cam.detects) {
            if (d < 0 || d > 7)
                return false;
            det.ng_sum = fail;
            det.produce = in.capacity;
            det.monitor_times = all;
            det.ok_num = all - fail;
            det.ok_rate = rate(all - fail, all);
            det.not_ok_num = fail;
            det.not_ok_rate = rate(fail, all);
        }
    }
    return true;
}

cJSON* CNT_Path_Statistics::toJson(const QString& deviceId, int state, qint64 utcMs, const QString& ngImage) const
{
    cJSON* root = cJSON_CreateObject();
    add(root, "device_id", deviceId);
    add(root, "state", qint64(state));
    writeFields(root, *this, kStatisticsFields);
    add(root, "utc", utcMs);
    add(root, "ng_image", ngImage);
    cJSON* camera = cJSON_AddObjectToObject(root, "camera");
    cJSON* ng = cJSON_AddArrayToObject(camera, "ng");
    for (const auto& [k, cam] : cameras) {
        cJSON* c = cJSON_CreateObject();
        cJSON_AddItemToArray(ng, c);
        add(c, "camera_id", std::to_string(k + 1));
        writeFields(c, cam, kCameraFields);
        cJSON* monitors = cJSON_AddArrayToObject(c, "ng_monitors");
        for (const auto& [d, det] : cam.detects) {
            cJSON* m = cJSON_CreateObject();
            cJSON_AddItemToArray(monitors, m);
            writeFields(m, det, kDetectFields);
            cJSON* alarms = cJSON_AddArrayToObject(m, "alarm");
            for (const auto& [r, alarm] : det.alarms) {
                cJSON* a = cJSON_CreateObject();
                cJSON_AddItemToArray(alarms, a);
                writeFields(a, alarm, kAlarmFields);
            }
        }
    }
    return root;
}

qint64 MeanAlarmDuration(QVector<qint64>& ngTimes)
{
    if (ngTimes.size() > 100)
        ngTimes.removeFirst();
    if (ngTimes.isEmpty())
        return 0;
    qint64 sum = 0;
    for (qint64 ms : ngTimes)
        sum += ms;
    return sum / ngTimes.size();
}

// ---- manual stop ---------------------------------------------------------------

CNT_Path_ManualStop::CNT_Path_ManualStop() { reset(); }

qint64 CNT_Path_ManualStop::defaultUtc()
{
    return QDateTime::fromString(QStringLiteral("1970-11-12 13:14:15"), QStringLiteral("yyyy-MM-dd hh:mm:ss"))
        .toMSecsSinceEpoch();
}

void CNT_Path_ManualStop::reset()
{
    complete = true;
    utc = defaultUtc();
    stop_check_timeslot.clear();
    stop_check_timelen = 0;
    timeout_time = 0;
    operator_id = "--";
    disalarm_operator_id = "--";
    stop_check_reason = "--";
}

linkrecord::Load CNT_Path_ManualStop::load(const QByteArray& json)
{
    cJSON* root = parse(json);
    if (!root)
        return linkrecord::Load::Unparsable;
    complete = false;
    const bool all = readFields(root, this, kManualStopFields);
    cJSON_Delete(root);
    if (!all)
        return linkrecord::Load::MissingKey;
    complete = true;
    return linkrecord::Load::Complete;
}

void CNT_Path_ManualStop::stopped(const QDateTime& now)
{
    utc = now.toMSecsSinceEpoch();
    stop_check_timeslot = (now.toString(QStringLiteral("hh:mm")) + QStringLiteral("---:--")).toStdString();
}

void CNT_Path_ManualStop::restarted(const QDateTime& now)
{
    if (!open())
        return;
    // A clock set back while stopped counts no time rather than a negative one.
    stop_check_timelen += std::max<qint64>(0, now.toMSecsSinceEpoch() - utc) / 60000;
    stop_check_timeslot = (QDateTime::fromMSecsSinceEpoch(utc).toString(QStringLiteral("hh:mm")) + QLatin1Char('-')
                           + now.toString(QStringLiteral("hh:mm")))
                              .toStdString();
}

cJSON* CNT_Path_ManualStop::toJson(const QString& deviceId, int state) const
{
    cJSON* root = cJSON_CreateObject();
    add(root, "device_id", deviceId);
    add(root, "state", qint64(state));
    writeFields(root, *this, kManualStopFields);
    return root;
}

// ---- reminders ---------------------------------------------------------------------

cJSON* CNT_Path_Remind::toJson(const QString& deviceId) const
{
    cJSON* root = cJSON_CreateObject();
    add(root, "device_id", deviceId);
    writeFields(root, *this, kRemindFields);
    return root;
}

namespace linkrecord {

QByteArray appendReminder(const QByteArray& file, const QByteArray& reminder)
{
    cJSON* root = parse(file);
    cJSON* list = root ? cJSON_GetObjectItemCaseSensitive(root, "remind") : nullptr;
    if (!list || !cJSON_IsArray(list)) {
        cJSON_Delete(root);
        root = cJSON_CreateObject();
        list = cJSON_AddArrayToObject(root, "remind");
    }
    if (cJSON* item = parse(reminder))
        cJSON_AddItemToArray(list, item);
    return printAndDelete(root);
}

QByteArray deleteReminder(const QByteArray& file, qint64 utc, bool* ok)
{
    cJSON* root = parse(file);
    *ok = root != nullptr;
    if (!root)
        return file;
    cJSON* list = cJSON_GetObjectItemCaseSensitive(root, "remind");
    int index = 0;
    const cJSON* item = nullptr;
    cJSON_ArrayForEach(item, list)
    {
        qint64 v = 0;
        if (number(item, "utc", &v) && v == utc) {
            cJSON_DeleteItemFromArray(list, index);
            break;
        }
        ++index;
    }
    return printAndDelete(root);
}

} // namespace linkrecord
