// The V4L2 back-end: the camera device read through FFmpeg, decoded, passed
// through the contrast, gamma and sharpness filter graph and scaled into the
// working size.
#include "cameradriver/cameradriver.h"

#include "cameradriver/framecopy.h"
#include "cameradriver/v4l2input.h"
#include "cameradriver/v4l2session.h"
#include "platform/sysroot.h"

#include <QMutex>
#include <cstring>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavdevice/avdevice.h>
#include <libavfilter/avfilter.h>
#include <libavfilter/buffersink.h>
#include <libavfilter/buffersrc.h>
#include <libavformat/avformat.h>
#include <libavutil/opt.h>
#include <libswscale/swscale.h>
}

#include <chrono>
#include <mutex>
#include <new>
#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>

namespace {

QMutex gFormatMutex;
QByteArray gInputFormat = QByteArrayLiteral("video4linux2");

// "%f" without the C library, so the decimal point never follows the locale.
QByteArray fixed6(double v) { return QByteArray::number(v, 'f', 6); }

} // namespace

namespace v4l2input {

void registerDevices()
{
    static std::once_flag once;
    std::call_once(once, [] { avdevice_register_all(); });
}

const AVInputFormat* inputFormat()
{
    registerDevices();
    return av_find_input_format(CameraDriver::v4l2InputFormat().constData());
}

QByteArray formatName() { return CameraDriver::v4l2InputFormat(); }

QByteArray devicePath(int number)
{
    return platform::sysPath(QStringLiteral("/dev/video%1").arg(number)).toLocal8Bit();
}

} // namespace v4l2input

void CameraDriver::setV4l2InputFormat(const QByteArray& name)
{
    QMutexLocker lock(&gFormatMutex);
    gInputFormat = name;
}

QByteArray CameraDriver::v4l2InputFormat()
{
    QMutexLocker lock(&gFormatMutex);
    return gInputFormat;
}

// The factors are single-precision constants used in double arithmetic, so
// contrast 100 gives a negative zero and gamma 100 gives 4.06.
QByteArray CameraDriver::contrastText(int contrast)
{
    return "eq=contrast=" + fixed6(double(contrast) * double(0.02f) - 2) + ':';
}

QByteArray CameraDriver::gammaText(int gamma)
{
    return "gamma=" + fixed6(double(gamma) * double(0.0396f) + 0.1) + ',';
}

QByteArray CameraDriver::sharpText(int sharp)
{
    return "unsharp=5:5:" + fixed6(double(sharp) * double(0.05f));
}

QByteArray CameraDriver::filterDescription() const
{
    return contrastPart + gammaPart + sharpPart + extraPart;
}

void CameraDriver::rebuildFilters()
{
    int status = 0;
    {
        std::lock_guard<std::mutex> lock(graphMutex);
        const QByteArray description = filterDescription();
        status = init_filters(description.constData());
    }
    // The previous graph stays, but frames no longer follow the settings (or
    // none come at all when there was none): a loss with its cause.
    if (status < 0)
        reportFault({CameraFault::FilterGraph});
}

void CameraDriver::adoptV4l2Session(std::shared_ptr<V4l2Session> session)
{
    preparedV4l2_ = std::move(session);
}

bool CameraDriver::openV4l2()
{
    std::shared_ptr<V4l2Session> s = std::move(preparedV4l2_);
    if (!s) {
        QString why;
        const QByteArray stored = StoredSerial(cameraIndex);
        s = V4l2Session::openForSlot(cameraIndex, gFindCamera, false, &why,
                                     SerialBinds(kCameraV4l2, stored) ? stored : QByteArray());
        if (!s) {
            failOpen(why);
            return false;
        }
    }
    v4l2 = s;
    deviceSerial_ = s->binding;
    avWidth_ = s->width;
    avHeight_ = s->height;
    avPixFmt_ = s->pixelFormat;
    avTimeNum_ = s->timeBaseNum;
    avTimeDen_ = s->timeBaseDen;
    avSarNum_ = s->aspectNum;
    avSarDen_ = s->aspectDen;
    grabState = newGrabState();
    grabState->v4l2 = s;
    grabState->avFrame = av_frame_alloc();
    grabState->avFiltered = av_frame_alloc();
    if (!grabState->avFrame || !grabState->avFiltered)
        throw std::bad_alloc();
    return true;
}

void CameraDriver::closeV4l2()
{
    {
        std::lock_guard<std::mutex> lock(graphMutex);
        avfilter_graph_free(&avGraph);
        avSource = avSink = nullptr;
        sws_freeContext(sws_);
        sws_ = nullptr;
    }
    v4l2.reset(); // a thread left to finish keeps the source until it ends
}

int CameraDriver::init_filters(const char* description)
{
    const AVFilter* bufferSrc = avfilter_get_by_name("buffer");
    const AVFilter* bufferSink = avfilter_get_by_name("buffersink");
    AVFilterInOut* outputs = avfilter_inout_alloc();
    AVFilterInOut* inputs = avfilter_inout_alloc();
    AVFilterGraph* graph = avfilter_graph_alloc();
    AVFilterContext* src = nullptr;
    AVFilterContext* sink = nullptr;
    int ret = 0;
    char args[512];
    const enum AVPixelFormat formats[] = {AV_PIX_FMT_GRAY8, AV_PIX_FMT_NONE};

    if (!outputs || !inputs || !graph || !bufferSrc || !bufferSink) {
        ret = AVERROR(ENOMEM);
        goto end;
    }
    // Filtered on the grab thread itself: no pool of filter threads per camera.
    graph->nb_threads = 1;
    snprintf(args, sizeof args, "video_size=%dx%d:pix_fmt=%d:time_base=%d/%d:pixel_aspect=%d/%d", avWidth_,
             avHeight_, avPixFmt_, avTimeNum_, avTimeDen_, avSarNum_, avSarDen_);
    ret = avfilter_graph_create_filter(&src, bufferSrc, "in", args, nullptr, graph);
    if (ret < 0) {
        av_log(nullptr, AV_LOG_ERROR, "Cannot create buffer source\n");
        goto end;
    }
    ret = avfilter_graph_create_filter(&sink, bufferSink, "out", nullptr, nullptr, graph);
    if (ret < 0) {
        av_log(nullptr, AV_LOG_ERROR, "Cannot create buffer sink\n");
        goto end;
    }
    ret = av_opt_set_int_list(sink, "pix_fmts", formats, AV_PIX_FMT_NONE, AV_OPT_SEARCH_CHILDREN);
    if (ret < 0) {
        av_log(nullptr, AV_LOG_ERROR, "Cannot set output pixel format\n");
        goto end;
    }
    outputs->name = av_strdup("in");
    outputs->filter_ctx = src;
    outputs->pad_idx = 0;
    outputs->next = nullptr;
    inputs->name = av_strdup("out");
    inputs->filter_ctx = sink;
    inputs->pad_idx = 0;
    inputs->next = nullptr;
    ret = avfilter_graph_parse_ptr(graph, description, &inputs, &outputs, nullptr);
    if (ret < 0)
        goto end;
    ret = avfilter_graph_config(graph, nullptr);

end:
    avfilter_inout_free(&inputs);
    avfilter_inout_free(&outputs);
    if (ret >= 0) {
        avfilter_graph_free(&avGraph);
        avGraph = graph;
        avSource = src;
        avSink = sink;
    } else {
        avfilter_graph_free(&graph);
    }
    return ret;
}

cv::Mat CameraDriver::avframe_to_cvmat(const AVFrame* frame)
{
    const int type = colour_ ? CV_8UC3 : CV_8UC1;
    cv::Mat out = cv::Mat::zeros(imageH_, imageW_, type);
    const int w = frame->width, h = frame->height;
    if (w <= 0 || h <= 0 || imageW_ <= 0 || imageH_ <= 0)
        return out;
    int tw = w, th = h;
    if (w > imageW_ || h > imageH_) {
        // Larger than the working size: scaled down to fit, keeping its shape.
        const double s = std::min(double(imageW_) / w, double(imageH_) / h);
        tw = std::max(1, std::min(imageW_, int(w * s)));
        th = std::max(1, std::min(imageH_, int(h * s)));
    }
    // Grey frames (what the filter graph delivers) stay grey through the
    // scaler and are only replicated for colour, so both settings show the
    // same brightness.
    const bool grey = frame->format == AV_PIX_FMT_GRAY8 || !colour_;
    const AVPixelFormat target = grey ? AV_PIX_FMT_GRAY8 : AV_PIX_FMT_RGB24;
    sws_ = sws_getCachedContext(sws_, w, h, AVPixelFormat(frame->format), tw, th, target, SWS_FAST_BILINEAR,
                                nullptr, nullptr, nullptr);
    if (!sws_)
        return out;
    cv::Mat scaled(th, tw, grey ? CV_8UC1 : CV_8UC3);
    uint8_t* dst[4] = {scaled.data, nullptr, nullptr, nullptr};
    int stride[4] = {int(scaled.step[0]), 0, 0, 0};
    sws_scale(sws_, frame->data, frame->linesize, 0, h, dst, stride);
    if (scaled.type() != type)
        cv::cvtColor(scaled, scaled, cv::COLOR_GRAY2RGB);
    scaled.copyTo(out(cv::Rect((imageW_ - tw) / 2, (imageH_ - th) / 2, tw, th)));
    return out;
}

bool CameraDriver::grabV4l2(GrabState& g)
{
    V4l2Session& source = *g.v4l2;
    const int64_t now = std::chrono::duration_cast<std::chrono::milliseconds>(
                            std::chrono::steady_clock::now().time_since_epoch())
                            .count();
    if (g.lastPacketMs == 0)
        g.lastPacketMs = now;
    // Reading and decoding happen outside every lock: the GUI thread takes
    // the frame lock every 3 ms.
    switch (source.read()) {
    case V4l2Session::Read::Packet:
        break;
    case V4l2Session::Read::Aborted:
        return false;
    case V4l2Session::Read::Nothing:
        if (now - g.lastPacketMs > V4l2Session::kSilentMs)
            dropFrame(g, {CameraFault::Silent, 0, 0, V4l2Session::kSilentMs});
        return true; // nothing yet: look again after the pause
    case V4l2Session::Read::Silent:
        ++readErrors_;
        dropFrame(g, {CameraFault::Silent, 0, 0, V4l2Session::kSilentMs});
        return true;
    case V4l2Session::Read::Failed:
        ++readErrors_;
        // An unplugged device fails at once: pause, and give up once no
        // packet came for as long as a silent source is allowed.
        if (now - g.lastPacketMs > V4l2Session::kSilentMs)
            dropFrame(g, {CameraFault::ReadFailed});
        return true;
    }
    ++packets_;
    g.lastPacketMs = now;
    const int sent = avcodec_send_packet(source.codec, source.packet);
    av_packet_unref(source.packet);
    if (sent < 0 && sent != AVERROR(EAGAIN))
        return true;
    while (avcodec_receive_frame(source.codec, g.avFrame) == 0) {
        bool produced = false;
        {
            std::lock_guard<std::mutex> lock(graphMutex);
            if (g.generation != current_.load()) {
                // A closed camera's thread finishing its last packet: its
                // graph is gone (or belongs to a later open).
            } else if (!avSource) {
                dropFrame(g, {CameraFault::FilterGraph});
            } else if (av_buffersrc_add_frame_flags(avSource, g.avFrame, AV_BUFFERSRC_FLAG_KEEP_REF) >= 0) {
                while (av_buffersink_get_frame(avSink, g.avFiltered) >= 0) {
                    if (!sws_isSupportedInput(AVPixelFormat(g.avFiltered->format))) {
                        dropFrame(g, {CameraFault::FrameFormat, 0, 0, g.avFiltered->format});
                        av_frame_unref(g.avFiltered);
                        continue;
                    }
                    const cv::Mat image = avframe_to_cvmat(g.avFiltered);
                    av_frame_unref(g.avFiltered);
                    if (!beginFrame(g))
                        continue; // the camera was closed meanwhile
                    if (colour_)
                        framecopy::rgbToRgb32(image.data, g.colorBuffer->data(), imageLen_);
                    else
                        std::memcpy(g.colorBuffer->data(), image.data, imageLen_);
                    produced = true;
                }
            }
        }
        av_frame_unref(g.avFrame);
        if (produced)
            deliverStaged(g);
    }
    return true;
}
