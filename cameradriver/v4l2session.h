#pragma once
// One open V4L2 source read through FFmpeg, with no wait that has no limit.
// A USB camera can stop sending without an error; a blocking read would then
// never return and everything waiting for the grab thread would hang. So the
// device is opened non-blocking (the V4L2 demuxer then answers "nothing yet"
// at once), a file-like source is read through our own poll with a deadline,
// and every FFmpeg wait is bounded by an interrupt callback: kOpenMs while
// the stream is opened and analysed, kSilentMs per read. Opening may run on
// any thread (the recovery opens sources off the GUI thread); reading runs
// on the grab thread only.
#include <QByteArray>
#include <QString>
#include <atomic>
#include <cstdint>
#include <memory>

struct AVCodec;
struct AVCodecContext;
struct AVDictionary;
struct AVFormatContext;
struct AVIOContext;
struct AVPacket;

class V4l2Session {
public:
    static constexpr int kSilentMs = 500; // no packet for this long: the source went silent
    static constexpr int kOpenMs = 1500;  // opening the input and reading its stream information
    static constexpr int kSliceMs = 5;    // waits are cut into slices that look at abort

    // Opens "/dev/video<number>" (under the system root) with the configured
    // input format, finds the last video stream and opens its decoder. With
    // needFrame a first packet must also come within kSilentMs (the source
    // flows). Null, with the reason, when any step fails.
    static std::shared_ptr<V4l2Session> open(int number, bool needFrame, QString* why);
    // The slot's device. With `bound` (a stored serial that binds, see
    // SerialBinds) the device whose identity it is, else none; otherwise
    // "/dev/video<slot>", else the first of firstSpare..63 that opens.
    static std::shared_ptr<V4l2Session> openForSlot(int slot, int firstSpare, bool needFrame, QString* why,
                                                    const QByteArray& bound = QByteArray());

    // What identifies the camera behind "/dev/video<number>" across starts,
    // from the kernel's device tree (under the system root): "sn:" and the
    // USB serial where the device gives one, and "path:" and its place on the
    // bus. Either binds; empty when the kernel tells neither.
    struct Identity {
        QByteArray serial;
        QByteArray path;
        bool matches(const QByteArray& stored) const
        {
            return !stored.isEmpty() && (stored == serial || stored == path);
        }
    };
    static Identity identityOf(int number);
    // The text that binds the camera of device `number`: its serial, unless
    // another connected camera gives the same one (cheap cameras do), then
    // its bus path.
    static QByteArray bindingOf(int number);
    ~V4l2Session();
    V4l2Session(const V4l2Session&) = delete;
    V4l2Session& operator=(const V4l2Session&) = delete;

    enum class Read {
        Packet,  // a packet of the video stream is in `packet`
        Nothing, // nothing yet (the device has no frame now); try again
        Silent,  // no data within kSilentMs
        Failed,  // the read failed (the device went away, the stream ended badly)
        Aborted, // abort was set
    };
    // One packet into `packet`; packets of other streams are skipped.
    Read read();

    // Set to end every wait at once (stop and close of the camera).
    std::atomic<bool> abort{false};

    AVFormatContext* format = nullptr;
    AVDictionary* options = nullptr;
    AVCodecContext* codec = nullptr;
    const AVCodec* decoder = nullptr;
    AVPacket* packet = nullptr;
    int videoStream = -1;
    int number = -1; // the device number opened
    QByteArray binding; // bindingOf(number) when it was opened
    // An open with needFrame leaves its first packet in `packet`; the first
    // read hands it out.
    bool packetPending = false;

    // Stream geometry for the filter graph.
    int width = 0, height = 0, pixelFormat = -1;
    int timeBaseNum = 1, timeBaseDen = 1, aspectNum = 0, aspectDen = 1;

private:
    V4l2Session() = default;
    bool openInput(int number, QString* why);
    void arm(int ms);
    static int interrupt(void* opaque);
    static int readFile(void* opaque, uint8_t* buffer, int size);

    int fd_ = -1;             // the device when we read it ourselves
    AVIOContext* io_ = nullptr;
    std::atomic<int64_t> deadline_{0}; // steady clock, ms
    std::atomic<bool> timedOut_{false};
};
