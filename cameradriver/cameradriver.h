#pragma once
// The camera side of one camera view: opening the camera of a slot over the
// back-end of the run (bound to a stored serial when one is saved), closing,
// starting and stopping acquisition with the grab thread, trigger mode, image
// settings, and the receive buffer that frames are delivered into.
//
// The camera view owns one driver per slot (it derives from this class). All
// operations run on the GUI thread; only grabOnce() and ImageCallBack() run
// on the grab thread or the SDK's callback thread, and they touch the receive
// buffer only under pMutex[cameraIndex].
#include "cameradriver/cameraglobals.h"
#include "platform/cameras/gxapi.h"
#include "platform/cameras/mvsapi.h"
#include "platform/cameras/mvsdk.h"
#include "platform/cameras/ueyeapi.h"

#include <QByteArray>
#include <atomic>
#include <cstdint>
#include <mutex>
#include <opencv2/core.hpp>
#include <vector>

struct AVCodec;
struct AVCodecContext;
struct AVDictionary;
struct AVFilterContext;
struct AVFilterGraph;
struct AVFormatContext;
struct AVFrame;
struct AVPacket;
struct SwsContext;
class CameraThread;
class WizardPara;

class CameraDriver {
public:
    // Allocates the buffers for the current image geometry (params/geometry.h)
    // and registers the driver as the one of its slot.
    explicit CameraDriver(int slot);
    virtual ~CameraDriver();
    CameraDriver(const CameraDriver&) = delete;
    CameraDriver& operator=(const CameraDriver&) = delete;

    // The driver of a slot (the main window's camera views), or null.
    static CameraDriver* at(int slot);

    bool CameraOpen();
    void CameraClose();
    bool CameraStart();
    void CameraStop();
    void CameraChangeTrig(bool restart);

    // Image settings of the slot from the live record, or from the edit copy
    // while the settings window is shown.
    void SetExposeTime();
    void SetAdjustPlus();
    void SetSharp();
    void SetContrast();
    void SetGamma();
    void SetWB();
    void AutoChangeExposeTime();
    // The camera's own defaults, read back into the edit copy.
    void RestoreDefaultSettings();

    // The monitoring cycle's side of the hand-off: copies the receive buffer
    // (gColorLen bytes) to dest and clears the new-frame flag, under the lock.
    // True when a new frame had arrived since the last call.
    bool takeFrame(unsigned char* dest);
    // Frames delivered since the driver was made (the loss check's counter).
    uint32_t framesDelivered() const { return delivered_.load(); }
    // Frames refused because their size did not match the working size.
    uint32_t framesDropped() const { return dropped_.load(); }
    // Packets read on the V4L2 path.
    uint32_t packetsRead() const { return packets_.load(); }
    // Failed reads on the V4L2 path.
    uint32_t readFailures() const { return readErrors_.load(); }
    bool isOpen() const;

    // Called by the loss check for every camera it closes; the view clears
    // its overall result.
    virtual void onCameraLost() {}

    // One poll of the grab thread; true when the thread should pause 10 ms.
    bool grabOnce();
    // Frame callback of the Hikvision SDK (its own thread); user is the driver.
    static void ImageCallBack(unsigned char* data, mvs::FrameInfo* info, void* user);

    // V4L2: builds the filter graph "in" -> description -> "out" (grey). The
    // caller holds graphMutex. A failed build keeps the previous graph.
    int init_filters(const char* description);
    // V4L2: the frame as a gImageW x gImageH image (RGB with the colour
    // setting, else grey), centred on black; larger frames are scaled down to fit.
    cv::Mat avframe_to_cvmat(const AVFrame* frame);
    QByteArray filterDescription() const;
    static QByteArray contrastText(int contrast); // "eq=contrast=%f:"
    static QByteArray gammaText(int gamma);       // "gamma=%f,"
    static QByteArray sharpText(int sharp);       // "unsharp=5:5:%f"
    // Input format of the V4L2 path ("video4linux2"; tests read a file through
    // another demuxer at the same device path).
    static void setV4l2InputFormat(const QByteArray& name);
    static QByteArray v4l2InputFormat();

    const int cameraIndex;
    CameraThread* grabThread = nullptr;
    int averageGrey = 0;

    std::vector<unsigned char> recvImage;   // gColorLen: the delivered frame
    std::vector<unsigned char> grabBuffer;  // gImageLen * 4: SDK output
    std::vector<unsigned char> colorBuffer; // gColorLen, colour setting only
    std::vector<unsigned char> rawFrame;    // gImageLen: Daheng raw frame

    gx::GX_DEV_HANDLE gxDevice = nullptr;
    gx::GxFrameData gxFrame{};
    ueye::HIDS ueyeCamera = 0;
    char* ueyeMemory = nullptr;
    ueye::INT ueyeMemoryId = 0;
    int ueyeColorMode = 0;
    int ueyeBitsPerPixel = 0;
    mindvision::CameraHandle mindCamera = 0;
    mindvision::FrameHead mindFrameHead{};
    unsigned char* mindRawBuffer = nullptr;
    mindvision::Capability mindCapability{};
    void* hikDevice = nullptr;
    mvs::DeviceInfo* hikDeviceInfo = nullptr;
    mvs::ConvertParam hikConvert{};

    AVFormatContext* avFormat = nullptr;
    int avVideoStream = -1;
    AVCodecContext* avCodecContext = nullptr;
    const AVCodec* avDecoder = nullptr;
    AVFrame* avFrame = nullptr;
    AVPacket* avPacket = nullptr;
    AVDictionary* avOptions = nullptr;
    AVFilterGraph* avGraph = nullptr;
    AVFilterContext* avSource = nullptr;
    AVFilterContext* avSink = nullptr;
    // Guards the filter graph between the grab thread and the settings.
    std::mutex graphMutex;

    QByteArray contrastPart;
    QByteArray gammaPart;
    QByteArray sharpPart;
    QByteArray extraPart;

private:
    const WizardPara* settings(bool exposure = false) const;
    void deliver(const unsigned char* frame);
    void deliverGrey(const unsigned char* grey);
    void dropFrame() { ++dropped_; }

    bool openDaheng(const QByteArray& serial);
    bool openIds(const QByteArray& serial);
    bool openMind(const QByteArray& serial);
    bool openHik(const QByteArray& serial);
    bool openV4l2();
    void closeV4l2();
    void stopAcquisition();
    void applyMindFormat();
    void rebuildFilters();

    void grabDaheng();
    void grabIds();
    void grabMind();
    bool grabV4l2();
    void hikFrame(const unsigned char* data, const mvs::FrameInfo* info);

    const int imageW_;
    const int imageH_;
    const size_t imageLen_;
    const size_t colorLen_;
    const bool colour_;
    bool acquiring_ = false;
    std::vector<unsigned char> idsLast_;
    AVFrame* avFiltered_ = nullptr;
    SwsContext* sws_ = nullptr;
    int avWidth_ = 0, avHeight_ = 0, avPixFmt_ = -1;
    int avTimeNum_ = 1, avTimeDen_ = 1, avSarNum_ = 0, avSarDen_ = 1;
    std::atomic<uint32_t> delivered_{0};
    std::atomic<uint32_t> dropped_{0};
    std::atomic<uint32_t> packets_{0};
    std::atomic<uint32_t> readErrors_{0};
};

// Applies the frame speed of the live record to every open camera (each is
// stopped, given its speed and started again).
void CameraSetSpeed();
// Saves the serials of the open cameras into "SN.db" (clear 0) or clears all
// bindings (clear 1); they bind the slots at the next start.
void SaveSN(int clear);
