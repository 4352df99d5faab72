#pragma once
// Opening V4L2 camera devices through FFmpeg: the devices are registered
// once, the input format comes from CameraDriver::v4l2InputFormat() and the
// device paths "/dev/video%1" resolve through the system root.
#include <QByteArray>

struct AVInputFormat;

namespace v4l2input {

void registerDevices();
const AVInputFormat* inputFormat();
QByteArray formatName();
QByteArray devicePath(int number);

} // namespace v4l2input
