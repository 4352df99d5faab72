#include "platform/cameras/simcamera.h"

#include <algorithm>
#include <cstring>
#include <thread>

namespace camsdk {

using Clock = std::chrono::steady_clock;

SimCamera::SimCamera(const SimSpec& spec)
    : spec_(spec), outW_(spec.sensorWidth), outH_(spec.sensorHeight)
{
}

void SimCamera::setStalled(bool on)
{
    std::lock_guard<std::mutex> l(m_);
    stalled_ = on;
    cv_.notify_all();
}

bool SimCamera::stalled() const
{
    std::lock_guard<std::mutex> l(m_);
    return stalled_;
}

void SimCamera::setVanished(bool on)
{
    std::lock_guard<std::mutex> l(m_);
    vanished_ = on;
    cv_.notify_all();
}

bool SimCamera::vanished() const
{
    std::lock_guard<std::mutex> l(m_);
    return vanished_;
}

void SimCamera::setFrameSize(int width, int height)
{
    std::lock_guard<std::mutex> l(m_);
    frameW_ = width;
    frameH_ = height;
}

void SimCamera::setFramePeriodMs(int ms)
{
    std::lock_guard<std::mutex> l(m_);
    periodMs_ = std::max(1, ms);
}

void SimCamera::setFailure(const QString& call, int status)
{
    std::lock_guard<std::mutex> l(m_);
    if (status == 0)
        failures_.remove(call);
    else
        failures_[call] = status;
}

int SimCamera::failure(const QString& call) const
{
    std::lock_guard<std::mutex> l(m_);
    return failures_.value(call, 0);
}

void SimCamera::setRange(const QString& feature, double min, double max)
{
    std::lock_guard<std::mutex> l(m_);
    ranges_[feature] = qMakePair(min, max);
}

bool SimCamera::range(const QString& feature, double* min, double* max) const
{
    std::lock_guard<std::mutex> l(m_);
    auto it = ranges_.constFind(feature);
    if (it == ranges_.constEnd())
        return false;
    *min = it->first;
    *max = it->second;
    return true;
}

void SimCamera::setIp(uint32_t ip)
{
    std::lock_guard<std::mutex> l(m_);
    spec_.ip = ip;
}

void SimCamera::setPresets(const QVector<QRect>& presets)
{
    std::lock_guard<std::mutex> l(m_);
    presets_ = presets;
    presetsSet_ = true;
}

bool SimCamera::hasPresets() const
{
    std::lock_guard<std::mutex> l(m_);
    return presetsSet_;
}

QVector<QRect> SimCamera::presets() const
{
    std::lock_guard<std::mutex> l(m_);
    return presets_;
}

void SimCamera::setMediaTypes(const QVector<uint32_t>& codes)
{
    std::lock_guard<std::mutex> l(m_);
    mediaTypes_ = codes;
}

QVector<uint32_t> SimCamera::mediaTypes() const
{
    std::lock_guard<std::mutex> l(m_);
    return mediaTypes_;
}

void SimCamera::setMidFramePauseMs(int ms)
{
    std::lock_guard<std::mutex> l(m_);
    midFramePauseMs_ = std::max(0, ms);
}

int SimCamera::midFramePauseMs() const
{
    std::lock_guard<std::mutex> l(m_);
    return midFramePauseMs_;
}

void SimCamera::setValue(const QString& feature, double value)
{
    std::lock_guard<std::mutex> l(m_);
    values_[feature] = value;
    log_ << feature + '=' + QString::number(value, 'g', 12);
    noteOverlap(log_.last());
}

void SimCamera::presetValue(const QString& feature, double value)
{
    std::lock_guard<std::mutex> l(m_);
    values_[feature] = value;
}

double SimCamera::value(const QString& feature, double fallback) const
{
    std::lock_guard<std::mutex> l(m_);
    return values_.value(feature, fallback);
}

bool SimCamera::has(const QString& feature) const
{
    std::lock_guard<std::mutex> l(m_);
    return values_.contains(feature);
}

void SimCamera::record(const QString& entry)
{
    std::lock_guard<std::mutex> l(m_);
    log_ << entry;
    noteOverlap(entry);
}

void SimCamera::noteOverlap(const QString& entry)
{
    if (!slowCall_.isEmpty() && std::this_thread::get_id() != slowThread_)
        overlaps_ << entry + QStringLiteral(" during ") + slowCall_;
}

void SimCamera::setCallDelayMs(const QString& call, int ms)
{
    std::lock_guard<std::mutex> l(m_);
    if (ms > 0)
        callDelays_[call] = ms;
    else
        callDelays_.remove(call);
}

void SimCamera::delayCall(const QString& call)
{
    int ms = 0;
    {
        std::lock_guard<std::mutex> l(m_);
        ms = callDelays_.value(call, 0);
        if (ms <= 0)
            return;
        slowCall_ = call;
        slowThread_ = std::this_thread::get_id();
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
    std::lock_guard<std::mutex> l(m_);
    slowCall_.clear();
}

QStringList SimCamera::overlaps() const
{
    std::lock_guard<std::mutex> l(m_);
    return overlaps_;
}

QStringList SimCamera::log() const
{
    std::lock_guard<std::mutex> l(m_);
    return log_;
}

void SimCamera::clearLog()
{
    std::lock_guard<std::mutex> l(m_);
    log_.clear();
}

bool SimCamera::isOpen() const
{
    std::lock_guard<std::mutex> l(m_);
    return open_;
}

bool SimCamera::tryOpen()
{
    std::lock_guard<std::mutex> l(m_);
    if (open_ || vanished_)
        return false;
    open_ = true; // the camera keeps the window it was given last, as cameras do
    return true;
}

void SimCamera::close()
{
    std::lock_guard<std::mutex> l(m_);
    open_ = false;
    acquiring_ = false;
    cv_.notify_all();
}

bool SimCamera::openLogged()
{
    if (!tryOpen())
        return false;
    record(QStringLiteral("open"));
    return true;
}

void SimCamera::closeLogged()
{
    record(QStringLiteral("close"));
    close();
}

void SimCamera::setAcquiring(bool on)
{
    std::lock_guard<std::mutex> l(m_);
    acquiring_ = on;
    nextDue_ = Clock::now();
    cv_.notify_all();
}

bool SimCamera::acquiring() const
{
    std::lock_guard<std::mutex> l(m_);
    return acquiring_;
}

void SimCamera::setOutputSize(int width, int height)
{
    std::lock_guard<std::mutex> l(m_);
    outW_ = width;
    outH_ = height;
}

int SimCamera::outputWidth() const
{
    std::lock_guard<std::mutex> l(m_);
    return outW_;
}

int SimCamera::outputHeight() const
{
    std::lock_guard<std::mutex> l(m_);
    return outH_;
}

int SimCamera::frameWidth() const
{
    std::lock_guard<std::mutex> l(m_);
    return frameW_ > 0 ? frameW_ : outW_;
}

int SimCamera::frameHeight() const
{
    std::lock_guard<std::mutex> l(m_);
    return frameH_ > 0 ? frameH_ : outH_;
}

void SimCamera::setHangMs(int ms)
{
    std::lock_guard<std::mutex> l(m_);
    hangMs_ = std::max(0, ms);
}

bool SimCamera::nextFrame(int timeoutMs, Frame* frame, const std::atomic<bool>* cancel)
{
    std::unique_lock<std::mutex> l(m_);
    if (hangMs_ > 0) {
        const int hang = hangMs_;
        hangMs_ = 0;
        l.unlock();
        std::this_thread::sleep_for(std::chrono::milliseconds(hang));
        return false;
    }
    const auto deadline = Clock::now() + std::chrono::milliseconds(std::max(0, timeoutMs));
    for (;;) {
        if (cancel && cancel->load())
            return false;
        const bool flowing = open_ && acquiring_ && !stalled_ && !vanished_;
        const auto now = Clock::now();
        if (flowing && now >= nextDue_) {
            nextDue_ = now + std::chrono::milliseconds(periodMs_);
            frame->width = frameW_ > 0 ? frameW_ : outW_;
            frame->height = frameH_ > 0 ? frameH_ : outH_;
            frame->counter = ++counter_;
            frame->grey = grey_;
            return true;
        }
        if (now >= deadline)
            return false;
        cv_.wait_until(l, flowing ? std::min(deadline, nextDue_) : deadline);
    }
}

void SimCamera::setGrey(int value)
{
    std::lock_guard<std::mutex> l(m_);
    grey_ = value;
}

uint32_t SimCamera::framesProduced() const
{
    std::lock_guard<std::mutex> l(m_);
    return counter_;
}

void SimCamera::wake()
{
    std::lock_guard<std::mutex> l(m_);
    cv_.notify_all();
}

void SimCamera::fill(const Frame& f, bool rgb, uint8_t* out, size_t capacity)
{
    const uint8_t v = f.grey >= 0 ? uint8_t(f.grey) : pixelValue(f.counter);
    const size_t pixels = size_t(std::max(0, f.width)) * size_t(std::max(0, f.height));
    if (!rgb) {
        std::memset(out, v, std::min(pixels, capacity));
        return;
    }
    uint8_t c[3];
    colourOf(v, c);
    const size_t n = std::min(pixels * 3, capacity);
    for (size_t i = 0; i < n; ++i)
        out[i] = c[i % 3];
}

void SimBus::setActive(bool on) { active_ = on; }

bool SimBus::active() const { return active_; }

SimCameraPtr SimBus::add(const SimSpec& spec)
{
    auto cam = std::make_shared<SimCamera>(spec);
    std::lock_guard<std::mutex> l(m_);
    cameras_ << cam;
    active_ = true;
    return cam;
}

QList<SimCameraPtr> SimBus::all() const
{
    std::lock_guard<std::mutex> l(m_);
    return cameras_;
}

QList<SimCameraPtr> SimBus::listed() const
{
    QList<SimCameraPtr> out;
    for (const SimCameraPtr& c : all())
        if (!c->vanished())
            out << c;
    return out;
}

SimCameraPtr SimBus::bySerial(const QByteArray& serial) const
{
    for (const SimCameraPtr& c : listed())
        if (c->spec().serial == serial)
            return c;
    return nullptr;
}

void SimBus::setFailure(const QString& call, int status)
{
    std::lock_guard<std::mutex> l(m_);
    if (status == 0)
        failures_.remove(call);
    else
        failures_[call] = status;
}

int SimBus::failure(const QString& call) const
{
    std::lock_guard<std::mutex> l(m_);
    return failures_.value(call, 0);
}

void SimBus::setLacking(const QString& call, bool lacking)
{
    std::lock_guard<std::mutex> l(m_);
    lacking_.removeAll(call);
    if (lacking)
        lacking_ << call;
}

bool SimBus::lacks(const QString& call) const
{
    std::lock_guard<std::mutex> l(m_);
    return lacking_.contains(call);
}

void SimBus::setVersion(const QByteArray& text)
{
    std::lock_guard<std::mutex> l(m_);
    version_ = text;
}

QByteArray SimBus::version() const
{
    std::lock_guard<std::mutex> l(m_);
    return version_;
}

void SimBus::reset()
{
    std::lock_guard<std::mutex> l(m_);
    active_ = false;
    lacking_.clear();
    version_ = "2.1.0.sim";
    // Handles may still point at these; keep them alive until exit.
    retired_ << cameras_;
    cameras_.clear();
    failures_.clear();
}

SimBus& simBus(Vendor vendor)
{
    static SimBus buses[4];
    return buses[int(vendor)];
}

void resetSimulators()
{
    for (Vendor v : {Vendor::Daheng, Vendor::Ids, Vendor::MindVision, Vendor::Hikvision})
        simBus(v).reset();
}

} // namespace camsdk
