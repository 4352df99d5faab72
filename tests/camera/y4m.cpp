#include "y4m.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

bool writeY4m(const QString& path, int width, int height, int frames, const std::function<int(int)>& lumaOf)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    f.write(QStringLiteral("YUV4MPEG2 W%1 H%2 F30:1 Ip A1:1 C420jpeg\n").arg(width).arg(height).toLatin1());
    const int chroma = ((width + 1) / 2) * ((height + 1) / 2);
    for (int n = 0; n < frames; ++n) {
        f.write("FRAME\n");
        f.write(QByteArray(width * height, char(lumaOf(n))));
        f.write(QByteArray(2 * chroma, char(128)));
    }
    return true;
}
