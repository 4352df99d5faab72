#pragma once
// Simulated cameras standing behind the vendor layers. A test switches a
// vendor's bus on, adds cameras and scripts them: serial, sensor, mono or
// colour, GigE or USB, frames carrying a counter, a stall, vanishing from the
// bus, frames of the wrong size, failing calls. Every write the driver makes
// is logged and kept as a value, so conversions can be checked.
#include <QByteArray>
#include <QList>
#include <QMap>
#include <QPair>
#include <QRect>
#include <QVector>
#include <QString>
#include <QStringList>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <thread>

namespace camsdk {

enum class Vendor { Daheng, Ids, MindVision, Hikvision };

struct SimSpec {
    QByteArray serial;
    int sensorWidth = 1280;
    int sensorHeight = 1024;
    bool colour = false;
    bool gige = false;
    QByteArray model = "SIM";
    QByteArray driverVersion = "2.1.0.sim"; // as a MindVision device list reports it
    // GigE addressing, host order; hostIp is the address of the host
    // interface the camera answers on.
    uint32_t ip = 0;
    uint32_t mask = 0;
    uint32_t gateway = 0;
    uint32_t hostIp = 0;
};

class SimCamera {
public:
    explicit SimCamera(const SimSpec& spec);

    const SimSpec& spec() const { return spec_; }

    // --- script
    void setStalled(bool on);
    bool stalled() const;
    void setVanished(bool on); // off the bus: not listed, not openable, no frames
    bool vanished() const;
    // Frames of this size whatever the driver configured; 0 x 0 = configured size.
    void setFrameSize(int width, int height);
    void setFramePeriodMs(int ms);
    // Every frame has this grey value from now on; -1 returns to pixelValue(counter).
    void setGrey(int value);
    void setFailure(const QString& call, int status); // the call returns status
    int failure(const QString& call) const;
    void setRange(const QString& feature, double min, double max);
    bool range(const QString& feature, double* min, double* max) const;
    void setIp(uint32_t ip);
    // A vendor's list of resolution presets: each a window of the sensor,
    // delivered at the window's size. Unset, the vendor layer makes its own.
    void setPresets(const QVector<QRect>& presets);
    bool hasPresets() const;
    QVector<QRect> presets() const;
    // The media types the camera lists (MindVision format codes, in list
    // order). Unset, the vendor layer makes its own.
    void setMediaTypes(const QVector<uint32_t>& codes);
    QVector<uint32_t> mediaTypes() const;
    // IDS: the camera pauses this long halfway through writing each frame
    // into its image memory; 0 writes frames at once.
    void setMidFramePauseMs(int ms);
    int midFramePauseMs() const;
    // The next frame call does not return for this long, whatever its
    // time-out (a library call that hangs); 0 ends it.
    void setHangMs(int ms);
    // A call of the layer (by its name, e.g. "CameraLoadParameter") answers
    // only after this long, as a camera busy with its own memory does; 0 at
    // once. Another thread's call into the camera meanwhile is an overlap.
    void setCallDelayMs(const QString& call, int ms);
    // The layers, at the start of a call: waits the call's delay.
    void delayCall(const QString& call);
    // Calls (their log entries) made by another thread while a delayed call
    // was waiting, each with the call it overlapped.
    QStringList overlaps() const;

    // --- what the driver did
    void setValue(const QString& feature, double value); // records a write
    void presetValue(const QString& feature, double value); // no record
    double value(const QString& feature, double fallback = 0) const;
    bool has(const QString& feature) const;
    void record(const QString& entry);
    QStringList log() const;
    void clearLog();

    // --- device state kept by the layers
    bool isOpen() const;
    bool tryOpen();  // false when already open or vanished
    void close();
    // As a layer opens and closes the camera for the driver: noted in the log.
    bool openLogged();
    void closeLogged();
    void setAcquiring(bool on);
    bool acquiring() const;
    void setOutputSize(int width, int height);
    int outputWidth() const;
    int outputHeight() const;
    // Size of the frames the camera sends now (the scripted size or the output size).
    int frameWidth() const;
    int frameHeight() const;

    // --- frames
    struct Frame {
        int width = 0;
        int height = 0;
        uint32_t counter = 0;
        int grey = -1; // the scripted grey value, or -1
    };
    // Waits up to timeoutMs for the next frame while acquiring and neither
    // stalled nor vanished; false on timeout or when cancelled.
    bool nextFrame(int timeoutMs, Frame* frame, const std::atomic<bool>* cancel = nullptr);
    uint32_t framesProduced() const;
    void wake(); // ends a wait early (cancellation)

    // Frame content: every pixel of frame n has the grey value pixelValue(n);
    // colour sensors give colourOf(that value).
    static uint8_t pixelValue(uint32_t counter) { return uint8_t(counter * 7 + 1); }
    static void colourOf(uint8_t v, uint8_t rgb[3])
    {
        rgb[0] = v;
        rgb[1] = uint8_t(v + 85);
        rgb[2] = uint8_t(v + 170);
    }
    // Writes the frame as 1 (grey) or 3 (RGB) bytes per pixel, at most capacity bytes.
    static void fill(const Frame& f, bool rgb, uint8_t* out, size_t capacity);

private:
    SimSpec spec_;
    mutable std::mutex m_;
    std::condition_variable cv_;
    bool stalled_ = false;
    bool vanished_ = false;
    bool open_ = false;
    bool acquiring_ = false;
    int frameW_ = 0, frameH_ = 0;
    int outW_ = 0, outH_ = 0;
    int periodMs_ = 5;
    int grey_ = -1;
    int hangMs_ = 0;
    QMap<QString, int> callDelays_;
    QString slowCall_;            // the delayed call waiting now
    std::thread::id slowThread_;  // its thread
    QStringList overlaps_;
    void noteOverlap(const QString& entry); // under m_
    uint32_t counter_ = 0;
    std::chrono::steady_clock::time_point nextDue_{};
    QMap<QString, int> failures_;
    QMap<QString, QPair<double, double>> ranges_;
    QMap<QString, double> values_;
    QStringList log_;
    QVector<QRect> presets_;
    bool presetsSet_ = false;
    QVector<uint32_t> mediaTypes_;
    int midFramePauseMs_ = 0;
};

using SimCameraPtr = std::shared_ptr<SimCamera>;

// The simulated bus of one vendor. While it is active the vendor layer talks
// to it instead of the vendor library.
class SimBus {
public:
    void setActive(bool on);
    bool active() const;
    SimCameraPtr add(const SimSpec& spec);
    QList<SimCameraPtr> all() const;
    QList<SimCameraPtr> listed() const; // those not vanished, in bus order
    SimCameraPtr bySerial(const QByteArray& serial) const; // listed only
    void setFailure(const QString& call, int status);
    int failure(const QString& call) const;
    // A library without this optional call.
    void setLacking(const QString& call, bool lacking = true);
    bool lacks(const QString& call) const;
    // The version text the library reports.
    void setVersion(const QByteArray& text);
    QByteArray version() const;
    // Off, no cameras, no failures, nothing lacking (cameras still open stay alive).
    void reset();

private:
    mutable std::mutex m_;
    std::atomic<bool> active_{false};
    QList<SimCameraPtr> cameras_;
    QList<SimCameraPtr> retired_;
    QMap<QString, int> failures_;
    QStringList lacking_;
    QByteArray version_ = "2.1.0.sim";
};

SimBus& simBus(Vendor vendor);
void resetSimulators();

} // namespace camsdk
