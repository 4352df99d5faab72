#pragma once
// Writes the annotated NG and OK result images. The GUI thread renders each
// image into gpFailImage and sets its request flag; this thread takes the
// image under pMutexSaveFail and does the JPEG encoding and the folder
// pruning outside the lock, so the cycle never waits for the disk.
#include <QImage>
#include <QMutex>
#include <QString>
#include <QThread>
#include <functional>

// Per camera, step and kind (0 NG image, 1 OK image), all under pMutexSaveFail.
extern bool gisSaveFail[8][8][2];
extern unsigned char* gpFailImage[8][8][2]; // gImageLen * 4 bytes each (RGB32)
extern int gFailIndex[8][8]; // first failing region of the rendered NG image, from 1; 0 none
extern QMutex* pMutexSaveFail;

class SaveFialImageThread;
extern SaveFialImageThread* gpSaveFialImageThread;

// The image buffers of the slots and steps in use (usedSlots(), StepInUse()),
// for the current image geometry; buffers of slots or steps out of use are
// given back with their requests. Called again when the steps in use change.
// A step whose buffers cannot be had is refused (RefuseStep).
void AllocateFailImages();
// Makes the buffers follow the steps in use when they no longer match (a
// step the settings enabled); true when something changed.
bool FailImagesFollowSteps();
// The start-up's image step: every request cleared, the buffers above, then
// the writer thread made and started (a writer left from an earlier window
// is ended first).
void StartFailImageWriter();

class SaveFialImageThread : public QThread {
    Q_OBJECT
public:
    // Takes the folders (the main window's alarmImageDirs, or the same layout
    // under "./alarmimage" without a window), the NG and OK limits and the
    // image size once: they do not change while the thread runs.
    SaveFialImageThread();

    // One look at every camera and step; returns the images written.
    int pass();

    // The pauses between images and passes (tests replace it).
    std::function<void(int ms)> sleep;

    QString folder(int camera, int step, int kind) const { return folders_[camera][step][kind]; }

    // The name of a new image in folder: the time, after the first failing
    // region when there is one, made distinct from the files already there.
    static QString imageName(const QString& folder, int failIndex);
    // Deletes the oldest "*.jpg" files so that the folder holds at most
    // limit - 1 of them before a new one is added.
    static void prune(const QString& folder, int limit);

protected:
    void run() override;

private:
    QString folders_[8][8][2];
    int limitNG_ = 0;
    int limitOK_ = 0;
    QImage work_;
};
