#include "monitor/savefialimagethread.h"

#include "camera/cammerwidget.h"
#include "cameradriver/cameraglobals.h"
#include "monitor/mainwindow.h"
#include "netlink/network.h"
#include "params/geometry.h"
#include "platform/clock.h"

#include <QDir>
#include <QFileInfo>
#include <algorithm>
#include <cstring>
#include <memory>
#include <new>

bool gisSaveFail[8][8][2] = {};
unsigned char* gpFailImage[8][8][2] = {};
int gFailIndex[8][8] = {};
namespace {
QMutex gSaveFailMutex;
// Left uninitialised: a buffer costs memory only once an image is rendered
// into it.
std::unique_ptr<unsigned char[]> gFailStore[8][8][2];
size_t gFailStoreLen = 0;
} // namespace
QMutex* pMutexSaveFail = &gSaveFailMutex;
SaveFialImageThread* gpSaveFialImageThread = nullptr;

void AllocateFailImages()
{
    const size_t len = size_t(std::max(0, gImageLen)) * 4;
    QList<QPair<int, int>> refused;
    {
        QMutexLocker lock(pMutexSaveFail);
        const bool resized = len != gFailStoreLen;
        for (int c = 0; c < 8; ++c)
            for (int s = 0; s < 8; ++s)
                for (int k = 0; k < 2; ++k) {
                    std::unique_ptr<unsigned char[]>& store = gFailStore[c][s][k];
                    // Only cameras and steps in use have images to keep.
                    const bool used = slotInUse(c) && StepInUse(s);
                    if (store && (resized || !used)) {
                        store.reset();
                        gisSaveFail[c][s][k] = false; // nothing left to write
                    }
                    if (used && !store && len > 0) {
                        store.reset(new (std::nothrow) unsigned char[len]);
                        gisSaveFail[c][s][k] = false;
                        if (!store && !refused.contains(qMakePair(c, s)))
                            refused << qMakePair(c, s);
                    }
                    gpFailImage[c][s][k] = store.get();
                }
        gFailStoreLen = len;
    }
    // A step whose images do not fit is refused (warned, judged NG), not the start-up.
    for (const auto& r : refused) {
        CammerWidget* v = gpWin ? gpWin->cameraViews[r.first] : nullptr;
        if (v)
            v->RefuseStep(r.second);
    }
}

bool FailImagesFollowSteps()
{
    {
        QMutexLocker lock(pMutexSaveFail);
        bool same = true;
        for (int c = 0; c < 8 && same; ++c)
            for (int s = 0; s < 8 && same; ++s)
                same = (gpFailImage[c][s][0] != nullptr) == (slotInUse(c) && StepInUse(s));
        if (same)
            return false;
    }
    AllocateFailImages();
    return true;
}

void StartFailImageWriter()
{
    if (gpSaveFialImageThread) {
        gpSaveFialImageThread->requestInterruption();
        gpSaveFialImageThread->wait();
        delete gpSaveFialImageThread;
    }
    {
        QMutexLocker lock(pMutexSaveFail);
        for (auto& c : gisSaveFail)
            for (auto& s : c)
                s[0] = s[1] = false;
        std::memset(gFailIndex, 0, sizeof gFailIndex);
    }
    AllocateFailImages();
    gpSaveFialImageThread = new SaveFialImageThread;
    gpSaveFialImageThread->start(QThread::InheritPriority);
}

SaveFialImageThread::SaveFialImageThread()
    : limitNG_(gPicNumNG), limitOK_(gPicNumOK), work_(gImageW, gImageH, QImage::Format_RGB32)
{
    // In slices, so that ending an old writer never waits a whole second.
    sleep = [this](int ms) {
        for (int t = 0; t < ms && !isInterruptionRequested(); t += 10)
            QThread::msleep(10);
    };
    for (int c = 0; c < 8; ++c)
        for (int s = 0; s < 8; ++s)
            for (int k = 0; k < 2; ++k) {
                const QString made = QStringLiteral("%1//camera%2//detect%3//%4")
                                         .arg(QStringLiteral("./alarmimage"))
                                         .arg(c + 1)
                                         .arg(s + 1)
                                         .arg(k ? QStringLiteral("OK") : QStringLiteral("NG"));
                const QDir dir = gpWin ? gpWin->alarmImageDirs[c][s][k] : QDir(made);
                folders_[c][s][k] = dir.absolutePath();
            }
}

void SaveFialImageThread::run()
{
    while (!isInterruptionRequested()) {
        pass();
        sleep(100);
    }
}

int SaveFialImageThread::pass()
{
    int written = 0;
    const size_t len = size_t(work_.sizeInBytes());
    // Every slot is looked at: requests exist only for cameras and steps in
    // use, so nothing the GUI thread may change is read here.
    for (int i = 0; i < 8; ++i) {
        for (int j = 0; j < 8; ++j) {
            bool asked[2];
            {
                QMutexLocker lock(pMutexSaveFail);
                asked[0] = gisSaveFail[i][j][0];
                asked[1] = gisSaveFail[i][j][1];
            }
            if (!asked[0] && !asked[1])
                continue;
            int failIndex = 0;
            for (int k = 0; k < 2; ++k) {
                bool have = false;
                {
                    QMutexLocker lock(pMutexSaveFail);
                    if (!gisSaveFail[i][j][k])
                        continue;
                    have = gpFailImage[i][j][k] && !work_.isNull();
                    if (have)
                        std::memcpy(work_.bits(), gpFailImage[i][j][k], len);
                    gisSaveFail[i][j][k] = false;
                    // Taken together with its image, so a newer NG image
                    // rendered while this one is written keeps its own index.
                    if (k == 0) {
                        failIndex = gFailIndex[i][j];
                        gFailIndex[i][j] = 0;
                    }
                }
                const bool toNG = k == 0 || asked[0];
                const int limit = toNG ? limitNG_ : limitOK_;
                if (limit <= 0 || !have)
                    continue; // no images are kept in this folder (or none was rendered: never an old one)
                const QString dir = folders_[i][j][toNG ? 0 : 1];
                prune(dir, limit);
                QDir().mkpath(dir);
                const QString path = QStringLiteral("%1/%2.jpg").arg(dir, imageName(dir, failIndex));
                if (work_.save(path, "JPG") && gpNet && gpNet->canSend()) {
                    gpNet->CNT_SendAlarmPic(path);
                    gpNet->CNT_SendStatistics(QLatin1Char('.') + QString(path).remove(QDir::currentPath()));
                }
                ++written;
                sleep(k == 0 && asked[0] && asked[1] ? 1000 : 200);
            }
        }
    }
    return written;
}

QString SaveFialImageThread::imageName(const QString& folder, int failIndex)
{
    QString base = platform::now().toString(QStringLiteral("yyyy-MM-dd_hh.mm.ss"));
    if (failIndex > 0)
        base = QStringLiteral("%1_%2").arg(failIndex).arg(base);
    QString name = base;
    for (int n = 2; QFileInfo::exists(QStringLiteral("%1/%2.jpg").arg(folder, name)); ++n)
        name = QStringLiteral("%1_%2").arg(base).arg(n);
    return name;
}

void SaveFialImageThread::prune(const QString& folder, int limit)
{
    QFileInfoList files = QDir(folder).entryInfoList({QStringLiteral("*.jpg")}, QDir::Files);
    // Newest first; files of the same instant by their (time-stamped) names.
    std::sort(files.begin(), files.end(), [](const QFileInfo& a, const QFileInfo& b) {
        const QDateTime ta = a.lastModified(), tb = b.lastModified();
        return ta != tb ? ta > tb : a.fileName() > b.fileName();
    });
    for (int n = files.size() - 1; n >= limit - 1 && n >= 0; --n)
        QFile::remove(files[n].absoluteFilePath());
}
