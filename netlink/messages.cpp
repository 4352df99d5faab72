// The link's messages: parameters and regions, records and pictures,
// statistics, manual stops, alarm releases and reminders. Each sender tests
// its kind first and only builds a body when it will be queued.
#include "inspection/cammersingleton.h"
#include "inspection/paramroi.h"
#include "netlink/network.h"
#include "params/lanstr.h"
#include "params/wizardpara.h"
#include "platform/clock.h"

#include <QDebug>
#include <QFile>
#include <QThread>
#include <cjson/cJSON.h>
#include <cstring>

using namespace linkframe;

namespace {

qint64 nowMs() { return platform::now().toMSecsSinceEpoch(); }

// A text field of the parameter record as its stored bytes.
std::string stored(const char (&field)[WizardPara::TextLen])
{
    return std::string(field, qstrnlen(field, WizardPara::TextLen));
}

QString dotted(const int32_t (&octets)[4])
{
    return QStringLiteral("%1.%2.%3.%4").arg(octets[0]).arg(octets[1]).arg(octets[2]).arg(octets[3]);
}

void add(cJSON* o, const char* key, qint64 v) { ccJSON_AddItemToObject(o, key, v); }
void add(cJSON* o, const char* key, const QString& v) { ccJSON_AddItemToObject(o, key, v); }
void add(cJSON* o, const char* key, const std::string& v) { ccJSON_AddItemToObject(o, key, v); }
void add(cJSON* o, const char* key, const char* v) { ccJSON_AddItemToObject(o, key, v); }

// The texts of the run state, the trigger and the alarm release are values
// that the management system reads, not words shown on this panel: they stay
// in simplified Chinese whatever the language, as its peers expect them.
QString runStateText(int state)
{
    switch (state) {
    case 1:
        return QStringLiteral("正在检测");
    case 2:
        return QStringLiteral("模板训练中");
    case 3:
        return QStringLiteral("停止检测");
    default:
        return QString();
    }
}

QString triggerText(int trigger)
{
    switch (trigger) {
    case 1:
        return QStringLiteral("开模到位");
    case 2:
        return QStringLiteral("安全门");
    case 3:
        return QStringLiteral("顶针");
    case -1:
        return QStringLiteral("成品手动抓拍");
    case -2:
        return QStringLiteral("模腔手动抓拍");
    default:
        return QString();
    }
}

QString releaseText(int code)
{
    switch (code) {
    case 4:
        return QStringLiteral("不检测此模解除");
    case 5:
        return QStringLiteral("添加为模板解除");
    case 6:
        return QStringLiteral("重新检测切换到模腔检测");
    case 7:
        return QStringLiteral("进行重检检测");
    case 8:
        return QStringLiteral("重检检测OK");
    default:
        return QString();
    }
}

} // namespace

int CNT_Net::stateCode() const
{
    const int s = runState();
    return s == 3 ? 1 : s == 1 ? 0 : 2;
}

// ---- form texts and paths ------------------------------------------------------

void CNT_Net::CNT_SendRecord(const QDateTime& when, const QString& operatorText, const QString& text)
{
    if (!sendSwitch(KindRecord))
        return;
    enqueueFrame(KindRecord, FormBody()
                                 .add("device_id", deviceId())
                                 .add("operater", operatorText)
                                 .add("utc", when.toMSecsSinceEpoch())
                                 .add("description", text)
                                 .bytes());
}

void CNT_Net::CNT_SendAlarmPic(const QString& path) { enqueueFrame(KindAlarmPic, path.toUtf8()); }

void CNT_Net::CNT_SendTempPic(const QString& path) { enqueueFrame(KindTempPic, path.toUtf8()); }

void CNT_Net::CNT_SendDelTempPic(int camera, int step, const QString& name)
{
    if (!sendSwitch(KindDelTempPic))
        return;
    QString op;
    {
        std::lock_guard<std::mutex> lock(recordMutex);
        op = QString::fromStdString(manualStop.operator_id);
    }
    enqueueFrame(KindDelTempPic, FormBody()
                                     .add("deviceId", deviceId())
                                     .add("cameraId", qint64(camera))
                                     .add("detectId", qint64(step))
                                     .add("template", name)
                                     .add("utc", nowMs())
                                     .add("operator", op)
                                     .bytes());
}

void CNT_Net::CNT_SendGetProduct() { enqueueFrame(KindGetProduct, QByteArray()); }

void CNT_Net::CNT_SendGetRemindList() { enqueueFrame(KindGetRemindList, QByteArray()); }

void CNT_Net::CNT_SendSaveNgVideo(int camera, int isng)
{
    if (!sendSwitch(KindSaveNgVideo))
        return;
    QString product;
    {
        std::lock_guard<std::mutex> lock(recordMutex);
        product = QString::fromStdString(statistics.product_name);
    }
    enqueueFrame(KindSaveNgVideo, FormBody()
                                      .add("device_id", deviceId())
                                      .add("camera_id", qint64(camera))
                                      .add("product", product)
                                      .add("isng", qint64(isng))
                                      .bytes());
}

void CNT_Net::CNT_SendTelInfo(int check, int count)
{
    if (!sendSwitch(KindTelInfo) || !gpWPara)
        return;
    enqueueFrame(KindTelInfo, FormBody()
                                  .add("device_id", deviceId())
                                  .add("check_id", qint64(check) + 1)
                                  .add("product_count", qint64(count))
                                  .add("worker_name", QString::fromLatin1(stored(gpWPara->CntNet_MsgTechName).c_str()))
                                  .add("mobile", QString::fromLatin1(stored(gpWPara->CntNet_MsgTechNum).c_str()))
                                  .bytes());
}

// ---- parameters and regions ------------------------------------------------------

void CNT_Net::CNT_SendParam()
{
    if (!sendSwitch(KindParam) || !gpWPara)
        return;
    const WizardPara& p = *gpWPara;
    cJSON* root = cJSON_CreateObject();
    add(root, "device_id", deviceId());
    add(root, "finished_product_detect", p.detect_delay[0]);
    add(root, "cavity_detect", p.detect_delay[1]);
    add(root, "neutron_detect", p.detect_delay[2]);
    add(root, "fourth_detect", p.detect_delay[3]);
    add(root, "is_psw_used", p.is_psw_used);
    add(root, "password", stored(p.password));
    add(root, "semi_auto", p.semi_auto);
    add(root, "enabe_one_test", p.step_enabled[0]);
    add(root, "enabe_two_test", p.enabe_two_test);
    add(root, "enable_correct", p.enable_correct);
    add(root, "enable_stop_mold", p.enable_stop_mold);
    add(root, "enable_screen_alert", p.enable_screen_alert);
    add(root, "front_mold_timelen", p.front_mold_timelen);
    add(root, "front_auto_check_time", p.front_auto_check_time);
    add(root, "ok_record_max_num", p.ok_record_max_num);
    add(root, "enable_watch_dog", 1);
    add(root, "mold_cutoff", p.mold_cutoff);
    add(root, "max_mold_num", p.max_mold_num);
    add(root, "enable_stop_check", p.min_spot);
    add(root, "ng_max_num", p.ng_max_num);
    add(root, "thimble_pulse", p.thimble_pulse);
    add(root, "mold_pulse", p.mold_pulse);
    add(root, "enable_stop_not_alarm", p.enable_stop_not_alarm);
    add(root, "is_cut_ontime", p.is_cut_ontime);
    add(root, "is_cut_ontime_thimble", p.is_cut_ontime_thimble);
    add(root, "enable_cutoff_ontime", p.enable_cutoff_ontime);
    add(root, "enable_pass_protect", p.enable_pass_protect);
    add(root, "language", gLan);
    add(root, "enable_mold_backup", p.enable_mold_backup);
    add(root, "location_adge", p.location_adge);
    add(root, "location_level", p.location_level);
    add(root, "capture_speed", p.capture_speed);
    add(root, "input_timeout_len", p.input_timeout_len);
    add(root, "enable_output_thimble_pulse", p.enable_output_thimble_pulse);
    add(root, "enable_disarm_before_open", p.enable_disarm_before_open);
    add(root, "difference_multiplier", p.difference_multiplier);
    add(root, "enable_defect_detect", p.enable_defect_detect);
    add(root, "enable_spot_detect", p.enable_spot_detect);
    add(root, "enable_ignore_area", p.enable_ignore_area);
    add(root, "enable_manual_edit", p.enable_manual_edit);
    add(root, "enable_display_detail", p.enable_display_detail);
    add(root, "auto_cancel_timelen", p.auto_cancel_timelen);
    add(root, "enable_one_not_mold", p.enable_one_not_mold);
    add(root, "enable_trigger_safety", p.enable_trigger_safety);
    add(root, "enable_network", p.enable_network);
    add(root, "local_addr_1", dotted(p.local_addr));
    for (const char* key : {"local_addr_2", "local_addr_3", "local_addr_4"})
        add(root, key, "0.0.0.0");
    add(root, "mask_1", dotted(p.net_mask));
    for (const char* key : {"mask_2", "mask_3", "mask_4"})
        add(root, key, "0.0.0.0");
    add(root, "gateway_1", dotted(p.gateway));
    for (const char* key : {"gateway_2", "gateway_3", "gateway_4"})
        add(root, key, "0.0.0.0");
    add(root, "minimum_size", p.minimum_size);
    add(root, "minimum_area", p.minimum_area);
    add(root, "serial_port", p.serial_port);
    add(root, "enable_color_camera", p.enable_color_camera);
    add(root, "enable_gray_channel", p.enable_gray_channel);
    add(root, "snap_shot", p.snap_shot);
    add(root, "min_spot", p.min_spot);
    add(root, "factory_param", p.factory_param);
    add(root, "report_alarm", p.output_initial_state[2]);
    add(root, "prohibit_optimize", p.prohibit_optimize);
    cJSON* cameras = cJSON_AddArrayToObject(root, "camera");
    for (int i = 0; i < 8; ++i) {
        cJSON* c = cJSON_CreateObject();
        cJSON_AddItemToArray(cameras, c);
        add(c, "camera_id", QString::number(i + 1));
        add(c, "expose_time", p.expose_time[i]);
        add(c, "adjust_plus", p.adjust_plus[i]);
        add(c, "num_fail_detect", sources.failCount ? sources.failCount(i) : 0);
        add(c, "num_all_detect", sources.allCount ? sources.allCount(i) : 0);
        add(c, "sharp", p.sharp[i]);
        add(c, "contrast", p.contrast[i]);
        add(c, "camera_serial", stored(gSerialNB[i]));
    }
    enqueueFrame(KindParam, linkrecord::printAndDelete(root));
}

void CNT_Net::CNT_SendROIParam(int camera, int step)
{
    if (!sendSwitch(KindRoiParam) || step < 0 || step >= kStepCount || !sources.regions)
        return;
    const CammerSingleton* store = sources.regions(camera);
    if (!store)
        return;
    const int count = store->roiCount[step];
    cJSON* root = cJSON_CreateObject();
    add(root, "device_id", deviceId());
    add(root, "camera_id", QString::number(store->camera + 1));
    add(root, "detect", step + 1);
    add(root, "count", count);
    cJSON* list = cJSON_AddArrayToObject(root, "roi");
    for (int r = 0; r < count && r < kRegionCount; ++r) {
        cJSON* o = cJSON_CreateObject();
        cJSON_AddItemToArray(list, o);
        add(o, "roi_idx", r + 1);
        add(o, "min_size", store->min_size[step][r]);
        add(o, "sensibility", store->sensibility[step][r]);
        add(o, "max_area", store->max_area[step][r]);
        add(o, "algorithm", store->algorithm[step][r]);
        add(o, "output_point", store->output_point[r]);
        QVector<QPoint> points;
        int type = -1;
        int pointCount = 0;
        int inner = 0, outer = 0;
        switch (store->shapeType[step][r]) {
        case ShapeRect: {
            int x1, y1, x2, y2;
            store->rects[step][r].viewRect.getCoords(&x1, &y1, &x2, &y2);
            type = 0;
            points = {QPoint(x1, y1), QPoint(x2, y2)};
            pointCount = 2;
            break;
        }
        case ShapeRing: {
            const Circle& ring = store->circles[step][r];
            type = 1;
            points = {QPoint(ring.centreX, ring.centreY)};
            pointCount = 1;
            inner = ring.innerRadius;
            outer = ring.radius;
            break;
        }
        case ShapePolygon: {
            const RePolygon& poly = store->polygons[step][r];
            type = 2;
            pointCount = poly.count;
            for (int i = 0; i < poly.count && i < int(poly.viewPoints.size()); ++i)
                points << poly.viewPoints[size_t(i)];
            break;
        }
        default:
            break;
        }
        add(o, "roi_type", type);
        add(o, "top_point_count", pointCount);
        for (int i = 0; i < points.size(); ++i) {
            add(o, QStringLiteral("top_%1_x").arg(i).toLatin1().constData(), points[i].x());
            add(o, QStringLiteral("top_%1_y").arg(i).toLatin1().constData(), points[i].y());
        }
        add(o, "in_r", inner);
        add(o, "out_r", outer);
    }
    enqueueFrame(KindRoiParam, linkrecord::printAndDelete(root));
}

// ---- statistics ---------------------------------------------------------------------

void CNT_Net::ChkandAddStaticticsItem(int camera, int step, int region)
{
    std::lock_guard<std::mutex> lock(recordMutex);
    statistics.countAlarm(camera, step, region);
}

void CNT_Net::CNT_AddNgTimes(qint64 ms)
{
    std::lock_guard<std::mutex> lock(recordMutex);
    statistics.total_stop_alarm_timelen += ms;
    ngTimes.append(ms);
}

qint64 CNT_Net::CNT_AddCycle(int)
{
    std::lock_guard<std::mutex> lock(recordMutex);
    return MeanAlarmDuration(ngTimes);
}

void CNT_Net::InitStatistics()
{
    std::lock_guard<std::mutex> lock(recordMutex);
    initStatisticsLocked();
}

void CNT_Net::initStatisticsLocked()
{
    // A reset starts a new period with nothing counted, also in memory.
    statistics.reset(nowMs());
    statistics.utc_watch_total = 0;
    ngTimes.clear();
    bool exists = false;
    const QByteArray bytes = linkrecord::readFile(QLatin1String(linkrecord::kStatisticsFile), &exists);
    if (!exists)
        return;
    if (statistics.load(bytes) == linkrecord::Load::MissingKey)
        QFile::remove(QLatin1String(linkrecord::kStatisticsFile));
}

void CNT_Net::CNT_SendStatistics(const QString& ngImage)
{
    if (!sendSwitch(KindStatistics))
        return;
    if (QThread::currentThread() != thread()) {
        // The counters, the host name and the records belong to the GUI
        // thread; the image writer's call is done there.
        QMetaObject::invokeMethod(this, [this, ngImage] { CNT_SendStatistics(ngImage); }, Qt::QueuedConnection);
        return;
    }
    StatisticsInputs in;
    in.nowMs = nowMs();
    in.cameras = sources.cameras ? sources.cameras() : QVector<int>();
    for (int i = 0; i < 8; ++i) {
        in.all[i] = sources.allCount ? sources.allCount(i) : 0;
        in.fail[i] = sources.failCount ? sources.failCount(i) : 0;
    }
    if (gpWPara) {
        in.cavities = gpWPara->product_moldcavity;
        in.capacity = gpWPara->product_num;
        in.productName = stored(gpWPara->CntNet_ProName);
        in.productSerial = gpWPara->product_serial;
    }
    in.cycleTenths = sources.cycleTime ? sources.cycleTime() : 0;
    const int state = stateCode();

    QByteArray body;
    {
        std::lock_guard<std::mutex> lock(recordMutex);
        in.stopMinutes = manualStop.stop_check_timelen;
        const qint64 latest = ngTimes.isEmpty() ? 0 : ngTimes.last();
        const qint64 average = MeanAlarmDuration(ngTimes);
        if (!statistics.update(in, latest, average)) {
            // A camera or step outside the eight: the record is discarded.
            QFile::remove(QLatin1String(linkrecord::kStatisticsFile));
            initStatisticsLocked();
            return;
        }
        body = linkrecord::printAndDelete(statistics.toJson(deviceId(), state, in.nowMs, ngImage));
        linkrecord::writeFileAtomically(QLatin1String(linkrecord::kStatisticsFile), body);
    }
    enqueueFrame(KindStatistics, body);
}

void CNT_Net::CNT_SendStatistics_Once(const QList<param_roi>& results, bool ng, int trigger)
{
    if (!sendSwitch(KindCycle) || !gpWPara)
        return;
    const WizardPara& p = *gpWPara;
    const qint64 utc = nowMs();
    {
        std::lock_guard<std::mutex> lock(recordMutex);
        lastCycleUtc = utc;
    }
    cJSON* root = cJSON_CreateObject();
    add(root, "device_id", deviceId());
    add(root, "utc", utc);
    add(root, "state", runStateText(runState()));
    add(root, "detect_method", triggerText(trigger));
    add(root, "product_name", stored(p.CntNet_ProName));
    add(root, "product_serial", QString::number(p.product_serial));
    add(root, "product_num", p.product_num);
    add(root, "product_moldcavity", p.product_moldcavity);
    add(root, "product_operator", stored(p.CntNet_Operator));
    add(root, "result", ng ? 1 : 0);
    cJSON* cameras = cJSON_AddArrayToObject(root, "array");
    const QVector<int> used = sources.cameras ? sources.cameras() : QVector<int>();
    QMap<int, cJSON*> cameraObjects;
    QMap<QPair<int, int>, cJSON*> stepLists;
    for (const param_roi& r : results) {
        if (!used.contains(r.camera))
            continue;
        cJSON*& cam = cameraObjects[r.camera];
        if (!cam) {
            cam = cJSON_CreateObject();
            cJSON_AddItemToArray(cameras, cam);
            add(cam, "camera_id", r.camera + 1);
            add(cam, "device_ng", sources.failCount ? sources.failCount(r.camera) : 0);
            add(cam, "device_all", sources.allCount ? sources.allCount(r.camera) : 0);
            cJSON_AddArrayToObject(cam, "detect_array");
        }
        if (r.step < 0 || r.step > 4)
            continue; // later steps are listed under their camera only
        cJSON*& regions = stepLists[{r.camera, r.step}];
        if (!regions) {
            cJSON* stepObject = cJSON_CreateObject();
            cJSON_AddItemToArray(cJSON_GetObjectItemCaseSensitive(cam, "detect_array"), stepObject);
            add(stepObject, "detect_id", r.step + 1);
            regions = cJSON_AddArrayToObject(stepObject, "roi_array");
        }
        cJSON* o = cJSON_CreateObject();
        cJSON_AddItemToArray(regions, o);
        add(o, "roi_id", r.region + 1);
        add(o, "algorithm_type", r.algorithm);
        add(o, "algorithm_result", r.value);
        add(o, "algorithm_premin", r.lowerLimit);
        add(o, "algorithm_premax", r.upperLimit);
        add(o, "is_alarm", r.ok);
    }
    enqueueFrame(KindCycle, linkrecord::printAndDelete(root));
}

// ---- manual stop, run state, alarm release ---------------------------------------------

void CNT_Net::InitManualStop()
{
    std::lock_guard<std::mutex> lock(recordMutex);
    manualStop.reset();
    bool exists = false;
    const QByteArray bytes = linkrecord::readFile(QLatin1String(linkrecord::kManualStopFile), &exists);
    if (exists && manualStop.load(bytes) == linkrecord::Load::MissingKey)
        QFile::remove(QLatin1String(linkrecord::kManualStopFile));
}

void CNT_Net::CNT_SendManualStop()
{
    if (!sendSwitch(KindManualStop))
        return;
    const QDateTime now = platform::now();
    const std::string op = gpWPara ? stored(gpWPara->CntNet_Operator) : std::string("--");
    QByteArray body;
    {
        std::lock_guard<std::mutex> lock(recordMutex);
        if (runState() == 3)
            manualStop.stopped(now);
        else
            manualStop.restarted(now);
        manualStop.operator_id = op;
        manualStop.disalarm_operator_id = op;
        body = linkrecord::printAndDelete(manualStop.toJson(deviceId(), stateCode()));
        linkrecord::writeFileAtomically(QLatin1String(linkrecord::kManualStopFile), body);
    }
    enqueueFrame(KindManualStop, body);
}

void CNT_Net::CNT_SendRunState()
{
    if (!sendSwitch(KindRunState))
        return;
    cJSON* root = cJSON_CreateObject();
    add(root, "device_id", deviceId());
    add(root, "state", runStateText(runState()));
    add(root, "utc", nowMs());
    enqueueFrame(KindRunState, linkrecord::printAndDelete(root));
}

void CNT_Net::CNT_SendCancle()
{
    if (!sendSwitch(KindCancel))
        return;
    qint64 bind = 0;
    {
        std::lock_guard<std::mutex> lock(recordMutex);
        bind = lastCycleUtc;
    }
    cJSON* root = cJSON_CreateObject();
    add(root, "device_id", deviceId());
    add(root, "bind_utc", bind);
    add(root, "utc", nowMs());
    add(root, "method", releaseText(sources.releaseCode ? sources.releaseCode() : 0));
    add(root, "product_operator", gpWPara ? stored(gpWPara->CntNet_Operator) : std::string());
    enqueueFrame(KindCancel, linkrecord::printAndDelete(root));
}

// ---- reminders ------------------------------------------------------------------------

void CNT_Net::CNT_SendAddRemind(const CNT_Path_Remind& remind)
{
    if (!sendSwitch(KindAddRemind))
        return;
    const QByteArray body = linkrecord::printAndDelete(remind.toJson(deviceId()));
    {
        std::lock_guard<std::mutex> lock(recordMutex);
        const QString path = QLatin1String(linkrecord::kRemindFile);
        linkrecord::writeFileAtomically(path, linkrecord::appendReminder(linkrecord::readFile(path), body));
    }
    enqueueFrame(KindAddRemind, body);
}

void CNT_Net::CNT_SendDelRemind(qint64 utc)
{
    if (!sendSwitch(KindDelRemind))
        return;
    cJSON* root = cJSON_CreateObject();
    add(root, "device_id", deviceId());
    add(root, "utc", utc);
    const QByteArray body = linkrecord::printAndDelete(root);
    {
        std::lock_guard<std::mutex> lock(recordMutex);
        const QString path = QLatin1String(linkrecord::kRemindFile);
        bool exists = false;
        const QByteArray file = linkrecord::readFile(path, &exists);
        bool parsed = false;
        const QByteArray rest = exists ? linkrecord::deleteReminder(file, utc, &parsed) : QByteArray();
        if (!parsed)
            return; // no reminder file to change: nothing is sent
        linkrecord::writeFileAtomically(path, rest);
    }
    enqueueFrame(KindDelRemind, body);
}
