// The link's shared video: registration of the frames, their description,
// and the frame timer that converts each picture to I420 and copies it into
// its segment while the client is attached.
#include "netlink/network.h"
#include "params/geometry.h"
#include "params/wizardpara.h"
#include "platform/clock.h"

#include <QDebug>
#include <QFont>
#include <QPainter>
#include <cjson/cJSON.h>
#include <cstring>
#include <opencv2/imgproc.hpp>
#include <sys/sem.h>
#include <sys/shm.h>

void CNT_Net::CNT_AddUseMemory(int id, int width, int height, void* source)
{
    VideoShareInfo v;
    v.cameraid = id;
    v.width = width & ~1;
    v.height = height & ~1;
    v.size = v.width * v.height * 3 / 2;
    v.sourceStride = width * 4;
    if (v.width <= 0 || v.height <= 0) {
        qWarning().noquote() << QStringLiteral("reporting link: shared frame %1 of %2 x %3 not registered").arg(id).arg(width).arg(height);
        return;
    }
    v.shmid = sharedvideo::openSegment(sharedvideo::ipcKey(sharedvideo::kSegmentProject + id), v.size);
    if (v.shmid >= 0) {
        void* addr = shmat(v.shmid, nullptr, 0);
        if (addr == reinterpret_cast<void*>(-1)) {
            qWarning().noquote() << QStringLiteral("reporting link: shared frame %1 not attached").arg(id);
            v.shmid = -1;
        } else {
            v.addr = addr;
        }
    }
    v.sem = new CNT_Semaphore(sharedvideo::ipcKey(sharedvideo::kSemaphoreProject + id));
    v.semid = v.sem->key == -1 ? -1 : v.sem->create_sem(1);
    v.fps = gpWPara ? sharedvideo::announcedFps(gpWPara->video_fps) : 0;

    auto old = videoShares.find(id);
    if (old != videoShares.end()) {
        if (old->addr && old->addr != v.addr)
            shmdt(old->addr);
        delete old->sem;
    }
    videoShares.insert(id, v);
    descriptions_.append(v);
    memRegistered = true;
    if (v.shmid != -1 && source)
        frameSources.insert(id, static_cast<uchar*>(source));
}

void CNT_Net::CNT_FirstInit()
{
    if (gpWPara && gpWPara->video_type == 1)
        CNT_AddUseMemory(0, gShowW, gShowH, nullptr);
    if (memRegistered && !timerNames.values().contains(QStringLiteral("send_timer")))
        timerNames.insert(startTimer(50, Qt::CoarseTimer), QStringLiteral("send_timer"));
}

void CNT_Net::CNT_SendMemoryInfo()
{
    if (!sendSwitch(linkframe::KindMemoryInfo) || memInfoSent || !memRegistered)
        return;
    cJSON* root = cJSON_CreateObject();
    cJSON* list = cJSON_AddArrayToObject(root, "memoryinfo");
    for (const VideoShareInfo& v : descriptions_) {
        cJSON* o = cJSON_CreateObject();
        cJSON_AddItemToArray(list, o);
        for (const auto& [key, value] : {std::pair<const char*, int>{"shmid", v.shmid},
                                         {"semid", v.semid},
                                         {"cameraid", v.cameraid},
                                         {"size", v.size},
                                         {"width", v.width},
                                         {"height", v.height},
                                         {"fps", v.fps}})
            ccJSON_AddItemToObject(o, key, qint64(value));
    }
    enqueueFrame(linkframe::KindMemoryInfo, linkrecord::printAndDelete(root));
    memInfoSent = true;
}

bool CNT_Net::CNT_UpdateMemory(int id, const uchar* source, int stride)
{
    if (!clientAlive.load() || !memInfoSent)
        return false; // nobody was told where to look
    auto it = videoShares.constFind(id);
    if (it == videoShares.constEnd() || it->shmid == -1 || it->semid == -1 || !it->addr || !it->sem)
        return false;
    const uchar* from = source ? source : frameSources.value(id);
    if (!from)
        return false;
    const VideoShareInfo& v = *it;
    QByteArray& picture = converted_[id];
    if (picture.size() != v.size)
        picture.resize(v.size);
    const cv::Mat bgra(v.height, v.width, CV_8UC4, const_cast<uchar*>(from), size_t(stride > 0 ? stride : v.sourceStride));
    cv::Mat i420(v.height * 3 / 2, v.width, CV_8UC1, picture.data());
    cv::cvtColor(bgra, i420, cv::COLOR_BGRA2YUV_I420);
    if (!v.sem->P_sem()) {
        if (!skipWarned_.value(id)) {
            skipWarned_.insert(id, true);
            qWarning().noquote() << QStringLiteral("reporting link: shared frame %1 held by the client, frames skipped").arg(id);
        }
        return false;
    }
    std::memcpy(v.addr, picture.constData(), size_t(v.size));
    v.sem->V_sem();
    skipWarned_.remove(id);
    return true;
}

void CNT_Net::frameTick()
{
    if (!gpWPara || !gpWPara->video_type || !gpWPara->cntnet_enable || !clientAlive.load())
        return;
    if (std::strncmp(gpWPara->CntNet_UseName, "null", WizardPara::TextLen) == 0)
        return;
    if (gpWPara->video_type == 2) {
        const QString stamp = platform::now().toString(QStringLiteral("yyyy-MM-dd hh:mm:ss "));
        for (auto it = frameSources.constBegin(); it != frameSources.constEnd(); ++it) {
            const VideoShareInfo& v = videoShares.value(it.key());
            if (!it.value() || v.sourceStride <= 0)
                continue;
            // The stamp goes into the view's own display buffer, which the
            // view refills with its next frame.
            QImage picture(it.value(), v.sourceStride / 4, v.height, v.sourceStride, QImage::Format_RGB32);
            {
                QPainter p(&picture);
                p.setPen(Qt::green);
                QFont font(QStringLiteral("wqy-microhei"));
                font.setPointSize(50);
                p.setFont(font);
                p.drawText(QRect(QPoint(0, v.height - 100), QPoint(v.sourceStride / 4 - 1, v.height - 1)),
                           Qt::AlignRight | Qt::AlignVCenter, stamp);
            }
            CNT_UpdateMemory(it.key());
        }
    } else if (gpWPara->video_type == 1 && sources.screen) {
        const auto it = videoShares.constFind(0);
        if (it == videoShares.constEnd())
            return;
        // The camera display area, brought to the size it is described with.
        QImage shot = sources.screen().convertToFormat(QImage::Format_RGB32);
        if (shot.width() != it->width || shot.height() != it->height)
            shot = shot.copy(0, 0, it->width, it->height);
        CNT_UpdateMemory(0, shot.constBits(), shot.bytesPerLine());
    }
}

void CNT_Net::CNT_FreeShareMemory()
{
    for (VideoShareInfo& v : videoShares) {
        if (v.addr)
            shmdt(v.addr);
        if (v.shmid != -1)
            shmctl(v.shmid, IPC_RMID, nullptr);
        if (v.sem && v.sem->semId != -1)
            semctl(v.sem->semId, 0, IPC_RMID);
        delete v.sem;
        v = VideoShareInfo();
    }
    videoShares.clear();
    frameSources.clear();
}
