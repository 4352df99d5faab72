#pragma once
// Small uncompressed video files (YUV4MPEG2, 4:2:0) that FFmpeg reads like a
// camera stream: frame n has the luma lumaOf(n) everywhere.
#include <QString>
#include <functional>

bool writeY4m(const QString& path, int width, int height, int frames, const std::function<int(int)>& lumaOf);
