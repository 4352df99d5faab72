// What the main window tells the reporting link: the journal, the cycle's
// results, alarms and their release, start and stop commands, and what the
// link reads of the window. Each report only queues messages; the cycle never
// waits for the client.
#include "cameradriver/cameraglobals.h"
#include "camera/cammerwidget.h"
#include "inspection/paramroi.h"
#include "monitor/imagecontainer.h"
#include "monitor/journal.h"
#include "monitor/mainwindow.h"
#include "netlink/network.h"
#include "params/wizardpara.h"
#include "platform/clock.h"

namespace {

void journalToLink(const QDateTime& when, const QString& level, const QString& text)
{
    // Records are queued even without a client; they go out when it comes.
    if (gpNet && gpNet->isEnabled())
        gpNet->CNT_SendRecord(when, level, text);
}

bool linkAlive() { return gpNet && gpNet->canSend(); }

// Failed regions of the step on the view (0-based region indices).
QVector<int> failedRegions(const CammerWidget* v, int step)
{
    QVector<int> out;
    if (!v || !v->liveRegions || step < 0 || step >= kStepCount)
        return out;
    const int count = std::max(0, std::min(kRegionCount, v->liveRegions->roiCount[step]));
    for (int r = 0; r < count; ++r)
        if (!v->roiOK[step][r])
            out << r;
    return out;
}

} // namespace

void MainWindow::InstallLinkSources()
{
    setRecordHook(journalToLink);
    if (!gpNet)
        return;
    LinkSources s;
    s.runState = [this] { return runState; };
    s.cycleTime = [this] { return cycleTime; };
    s.cameras = [] {
        QVector<int> used;
        for (int c : usedSlots())
            used << c;
        return used;
    };
    s.allCount = [](int slot) { return slot >= 0 && slot < 8 ? gAllNum[slot] : 0; };
    s.failCount = [](int slot) { return slot >= 0 && slot < 8 ? gFailNum[slot] : 0; };
    s.releaseCode = [this] {
        const int slot = cameraSlot(0);
        return slot >= 0 ? stepSaveCode[slot][0] : 0;
    };
    s.regions = [this](int camera) -> const CammerSingleton* {
        return camera >= 0 && camera < 8 && cameraViews[camera] ? cameraViews[camera]->liveRegions.get() : nullptr;
    };
    s.screen = [this] { return imageContainer ? imageContainer->grab().toImage() : QImage(); };
    gpNet->sources = s;
}

void MainWindow::reportCycleToLink(bool ng)
{
    if (linkAlive())
        gpNet->CNT_SendStatistics_Once(g_listParamROI, ng, triggerNumber);
}

void MainWindow::reportFirstNGToLink(int s)
{
    if (!linkAlive())
        return;
    const WizardPara& p = *gpWPara;
    if (p.record_ng_video && p.video_type)
        gpNet->CNT_SendSaveNgVideo(1, 1);
    int failed = 0;
    for (int c : usedSlots()) {
        const CammerWidget* v = cameraViews[c];
        if (v && !v->allOK)
            failed += failedRegions(v, currentStep).size();
    }
    if (p.alarm_sms)
        gpNet->CNT_SendTelInfo(s, failed);
    for (int c : usedSlots()) {
        const CammerWidget* v = cameraViews[c];
        if (!v || v->allOK)
            continue;
        for (int r : failedRegions(v, currentStep))
            gpNet->ChkandAddStaticticsItem(c, currentStep, r);
    }
    gpNet->CNT_SendStatistics(QStringLiteral("null"));
}

void MainWindow::reportCycleEndToLink()
{
    if (linkAlive())
        gpNet->CNT_SendStatistics(QStringLiteral("null"));
}

void MainWindow::reportAlarmReleaseToLink()
{
    if (!gpNet || !gpNet->isEnabled())
        return;
    gpNet->CNT_AddNgTimes(platform::now().toMSecsSinceEpoch() - alarmStartMs);
    if (gpNet->clientAlive && gpWPara->record_ng_video && gpWPara->video_type)
        gpNet->CNT_SendSaveNgVideo(1, 0);
    gpNet->CNT_SendCancle();
}

void MainWindow::reportRunCommandToLink()
{
    if (!linkAlive())
        return;
    gpNet->CNT_SendManualStop();
    gpNet->CNT_SendStatistics(QStringLiteral("null"));
}
