#include "cameradriver/v4l2session.h"

#include "cameradriver/v4l2input.h"
#include "platform/sysroot.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/mem.h>
}

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <poll.h>
#include <thread>
#include <unistd.h>

namespace {

int64_t nowMs()
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

QString ffError(int status)
{
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(status, text, sizeof text);
    return QString::fromLocal8Bit(text);
}

} // namespace

V4l2Session::~V4l2Session()
{
    av_packet_free(&packet);
    avcodec_free_context(&codec);
    avformat_close_input(&format);
    if (io_) {
        av_freep(&io_->buffer);
        avio_context_free(&io_);
    }
    if (fd_ >= 0)
        ::close(fd_);
    av_dict_free(&options);
}

void V4l2Session::arm(int ms)
{
    timedOut_ = false;
    deadline_ = nowMs() + ms;
}

int V4l2Session::interrupt(void* opaque)
{
    auto* s = static_cast<V4l2Session*>(opaque);
    if (s->abort)
        return 1;
    if (nowMs() > s->deadline_) {
        s->timedOut_ = true;
        return 1;
    }
    return 0;
}

int V4l2Session::readFile(void* opaque, uint8_t* buffer, int size)
{
    auto* s = static_cast<V4l2Session*>(opaque);
    for (;;) {
        if (s->abort)
            return AVERROR_EXIT;
        const ssize_t n = ::read(s->fd_, buffer, size_t(size));
        if (n > 0)
            return int(n);
        if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR)
            return AVERROR(errno);
        // Nothing now: an empty pipe, a pipe without writer or the end of a
        // file that may still grow all count as a source that has not sent yet.
        if (nowMs() > s->deadline_) {
            s->timedOut_ = true;
            return AVERROR(ETIMEDOUT);
        }
        if (n == 0) {
            std::this_thread::sleep_for(std::chrono::milliseconds(kSliceMs));
        } else {
            pollfd p{s->fd_, POLLIN, 0};
            ::poll(&p, 1, kSliceMs);
        }
    }
}

bool V4l2Session::openInput(int deviceNumber, QString* why)
{
    const AVInputFormat* in = v4l2input::inputFormat();
    if (!in) {
        *why = QStringLiteral("no input format %1").arg(QString::fromLatin1(v4l2input::formatName()));
        return false;
    }
    const QByteArray path = v4l2input::devicePath(deviceNumber);
    format = avformat_alloc_context();
    if (!format) {
        *why = QStringLiteral("out of memory");
        return false;
    }
    format->interrupt_callback.callback = &V4l2Session::interrupt;
    format->interrupt_callback.opaque = this;
    if (in->flags & AVFMT_NOFILE) {
        // The V4L2 demuxer opens the device itself: non-blocking, so a device
        // without a frame answers "try again" instead of waiting.
        format->flags |= AVFMT_FLAG_NONBLOCK;
    } else {
        fd_ = ::open(path.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
        if (fd_ < 0) {
            *why = QStringLiteral("%1: %2").arg(QString::fromLocal8Bit(path), QString::fromLocal8Bit(strerror(errno)));
            avformat_free_context(format);
            format = nullptr;
            return false;
        }
        const int size = 64 * 1024;
        auto* buffer = static_cast<unsigned char*>(av_malloc(size));
        io_ = buffer ? avio_alloc_context(buffer, size, 0, this, &V4l2Session::readFile, nullptr, nullptr) : nullptr;
        if (!io_) {
            av_free(buffer);
            *why = QStringLiteral("out of memory");
            avformat_free_context(format);
            format = nullptr;
            return false;
        }
        io_->seekable = 0;
        format->pb = io_;
        format->flags |= AVFMT_FLAG_CUSTOM_IO;
    }
    av_dict_set(&options, "framerate", "30", 0);
    arm(kOpenMs);
    // A failed open frees the context and clears the pointer.
    const int r = avformat_open_input(&format, path.constData(), in, &options);
    if (r != 0) {
        *why = QStringLiteral("%1: %2").arg(QString::fromLocal8Bit(path), timedOut_ ? QStringLiteral("no answer in time")
                                                                                    : ffError(r));
        return false;
    }
    number = deviceNumber;
    return true;
}

std::shared_ptr<V4l2Session> V4l2Session::open(int deviceNumber, bool needFrame, QString* why)
{
    QString reason;
    if (!why)
        why = &reason;
    std::shared_ptr<V4l2Session> s(new V4l2Session);
    if (!s->openInput(deviceNumber, why))
        return nullptr;
    s->arm(kOpenMs);
    if (avformat_find_stream_info(s->format, nullptr) < 0) {
        *why = s->timedOut_ ? QStringLiteral("no stream information in time") : QStringLiteral("no stream information");
        return nullptr;
    }
    for (unsigned i = 0; i < s->format->nb_streams; ++i)
        if (s->format->streams[i]->codecpar->codec_type == AVMEDIA_TYPE_VIDEO)
            s->videoStream = int(i);
    if (s->videoStream < 0) {
        *why = QStringLiteral("no video stream");
        return nullptr;
    }
    AVStream* st = s->format->streams[s->videoStream];
    s->decoder = avcodec_find_decoder(st->codecpar->codec_id);
    s->codec = s->decoder ? avcodec_alloc_context3(s->decoder) : nullptr;
    if (!s->codec || avcodec_parameters_to_context(s->codec, st->codecpar) < 0) {
        *why = QStringLiteral("no decoder");
        return nullptr;
    }
    s->codec->thread_count = 1; // decoded on the grab thread itself
    if (avcodec_open2(s->codec, s->decoder, nullptr) < 0) {
        *why = QStringLiteral("the decoder does not open");
        return nullptr;
    }
    s->width = s->codec->width;
    s->height = s->codec->height;
    s->pixelFormat = s->codec->pix_fmt;
    s->timeBaseNum = st->time_base.num;
    s->timeBaseDen = st->time_base.den;
    s->aspectNum = s->codec->sample_aspect_ratio.num;
    s->aspectDen = s->codec->sample_aspect_ratio.den > 0 ? s->codec->sample_aspect_ratio.den : 1;
    s->packet = av_packet_alloc();
    if (!s->packet) {
        *why = QStringLiteral("out of memory");
        return nullptr;
    }
    if (needFrame) {
        const int64_t until = nowMs() + kSilentMs;
        for (;;) {
            const Read r = s->read();
            if (r == Read::Packet) {
                s->packetPending = true;
                break;
            }
            if (r != Read::Nothing || nowMs() > until) {
                *why = QStringLiteral("no frame");
                return nullptr;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(kSliceMs));
        }
    }
    return s;
}

std::shared_ptr<V4l2Session> V4l2Session::openForSlot(int slot, int firstSpare, bool needFrame, QString* why,
                                                     const QByteArray& bound)
{
    auto exists = [](int n) { return QFile::exists(QString::fromLocal8Bit(v4l2input::devicePath(n))); };
    auto opened = [](std::shared_ptr<V4l2Session> s) {
        if (s)
            s->binding = bindingOf(s->number);
        return s;
    };
    if (!bound.isEmpty()) {
        // Bound: only the camera stored for the slot, wherever it is numbered now.
        for (int n = 0; n <= 63; ++n)
            if (exists(n) && identityOf(n).matches(bound))
                if (auto s = open(n, needFrame, why))
                    return opened(s);
        if (why && why->isEmpty())
            *why = QStringLiteral("no device of %1").arg(QString::fromLocal8Bit(bound));
        return nullptr;
    }
    QString first;
    if (auto s = open(slot, needFrame, &first))
        return opened(s);
    for (int n = firstSpare; n <= 63; ++n)
        if (n != slot && exists(n))
            if (auto s = open(n, needFrame, nullptr))
                return opened(s);
    if (why)
        *why = first;
    return nullptr;
}

V4l2Session::Identity V4l2Session::identityOf(int number)
{
    Identity id;
    const QString target =
        QFileInfo(platform::sysPath(QStringLiteral("/sys/class/video4linux/video%1/device").arg(number)))
            .canonicalFilePath();
    const QString devices = QDir(platform::sysPath(QStringLiteral("/sys/devices"))).canonicalPath();
    if (target.isEmpty() || devices.isEmpty() || !target.startsWith(devices + QLatin1Char('/')))
        return id;
    // The USB device the video node is an interface of: the nearest folder
    // upwards that has a vendor id; without one, the node's own device.
    QString device = target;
    for (QDir up(target); up.absolutePath().startsWith(devices + QLatin1Char('/'));) {
        if (QFile::exists(up.filePath(QStringLiteral("idVendor")))) {
            device = up.absolutePath();
            QFile serial(up.filePath(QStringLiteral("serial")));
            if (serial.open(QIODevice::ReadOnly)) {
                const QByteArray text = serial.readAll().trimmed();
                if (!text.isEmpty())
                    id.serial = "sn:" + text;
            }
            break;
        }
        if (!up.cdUp())
            break;
    }
    id.path = "path:" + device.mid(devices.size() + 1).toLocal8Bit();
    return id;
}

QByteArray V4l2Session::bindingOf(int number)
{
    const Identity mine = identityOf(number);
    if (mine.serial.isEmpty())
        return mine.path;
    for (int n = 0; n <= 63; ++n) {
        if (n == number || !QFile::exists(QString::fromLocal8Bit(v4l2input::devicePath(n))))
            continue;
        const Identity other = identityOf(n);
        if (other.serial == mine.serial && other.path != mine.path)
            return mine.path;
    }
    return mine.serial;
}

V4l2Session::Read V4l2Session::read()
{
    if (packetPending) {
        packetPending = false;
        return Read::Packet;
    }
    for (;;) {
        if (abort)
            return Read::Aborted;
        arm(kSilentMs);
        const int r = av_read_frame(format, packet);
        if (r == AVERROR(EAGAIN))
            return Read::Nothing;
        if (r < 0) {
            if (abort)
                return Read::Aborted;
            return timedOut_ ? Read::Silent : Read::Failed;
        }
        if (packet->stream_index == videoStream)
            return Read::Packet;
        av_packet_unref(packet);
    }
}
