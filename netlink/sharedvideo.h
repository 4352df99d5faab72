#pragma once
// Shared video frames for the reporting client: one System V segment per
// frame holding a YUV I420 picture, guarded by one System V semaphore. The
// client finds both by keys from ftok on "/tmp" (through the system root)
// with the project numbers 1000 + id (segment) and 2000 + id (semaphore).
#include <QByteArray>
#include <QString>

// One semaphore set of one semaphore.
class CNT_Semaphore {
public:
    // How long the link waits for a frame the client holds: a client that
    // never lets go costs a skipped frame, never a stalled cycle.
    static constexpr int kWaitMs = 2;

    explicit CNT_Semaphore(int key) : key(key) {}

    // Gets or creates the set and sets semaphore 0 to 1; the set id, or -1.
    int create_sem(int count);
    // Looks the set up without creating it; the set id, or -1.
    int get_sem();
    // Takes the semaphore, waiting at most timeoutMs; false when it could not.
    bool P_sem(int timeoutMs = kWaitMs);
    bool V_sem();
    // Back to 1 whatever it was: a client that went may have held it, and
    // adding 1 blindly could let two holders in.
    void retInitPV();

    int key;
    int semId = -1;
};

struct VideoShareInfo {
    int cameraid = 0;   // frame id: camera index, or 0 for the screen
    int width = 0;      // even
    int height = 0;     // even
    int size = 0;       // width * height * 3 / 2
    int shmid = -1;
    int semid = -1;
    void* addr = nullptr;
    CNT_Semaphore* sem = nullptr;
    int fps = 0;
    int sourceStride = 0; // bytes per row of the registered source
};

namespace sharedvideo {

constexpr int kSegmentProject = 1000;
constexpr int kSemaphoreProject = 2000;

// ftok of the system root's "/tmp" with the project number; -1 on failure.
int ipcKey(int project);
// The rate announced for the video_fps choice 0..4; 0 for any other.
int announcedFps(int videoFps);
// The segment of the key with exactly size bytes: created when missing; a
// stale one of another size is removed and made anew. -1 (logged) on failure.
int openSegment(int key, int size);

} // namespace sharedvideo
