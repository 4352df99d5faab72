#pragma once
// Shared by the picture generators: their command line, the painting of
// transparent PNGs and the pieces of drawing more than one of them uses.
#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QRadialGradient>
#include <QString>
#include <QStringList>
#include <cstdio>
#include <functional>
#include <initializer_list>

// Paints one transparent PNG of the given size.
inline bool drawIcon(const QString& folder, const QString& name, QSize size,
                     const std::function<void(QPainter&)>& paint)
{
    QImage img(size, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::transparent);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    paint(p);
    p.end();
    return img.save(QDir(folder).filePath(name), "PNG");
}

struct IconEntry {
    QString name;
    QSize size;
    std::function<void(QPainter&)> paint;
};

// Paints every icon of the list, also after one could not be written.
inline bool drawIcons(const QString& folder, std::initializer_list<IconEntry> icons)
{
    bool ok = true;
    for (const IconEntry& i : icons)
        ok = drawIcon(folder, i.name, i.size, i.paint) && ok;
    return ok;
}

// A generator's main: no screen needed; the `folders` output folders named
// on the command line are made when missing and handed to `draw`.
inline int runIconTool(int argc, char** argv, int folders, const char* usage,
                       const std::function<bool(const QStringList&)>& draw)
{
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (argc != folders + 1) {
        std::fprintf(stderr, "usage: %s\n", usage);
        return 2;
    }
    QStringList dirs;
    for (int i = 1; i <= folders; ++i) {
        dirs << QString::fromLocal8Bit(argv[i]);
        QDir().mkpath(dirs.back());
    }
    return draw(dirs) ? 0 : 1;
}

inline QFont boldFont(int px, const QString& family = QStringLiteral("DejaVu Sans"))
{
    QFont f(family);
    f.setBold(true);
    f.setPixelSize(px);
    return f;
}

// The red signal lamp, lit or dark, centred on `c`: the glow around a lit
// one, the shaded face and the rim's colour.
inline void lampGlow(QPainter& p, QPointF c, double r)
{
    QRadialGradient glow(c, r);
    glow.setColorAt(0.6, QColor(0xff, 0x3b, 0x2f, 150));
    glow.setColorAt(1, QColor(0xff, 0x3b, 0x2f, 0));
    p.setPen(Qt::NoPen);
    p.setBrush(glow);
    p.drawEllipse(c, r, r);
}

inline QRadialGradient lampFace(QPointF c, bool on, double r)
{
    QRadialGradient face(c, r, c + QPointF(-4, -5));
    if (on) {
        face.setColorAt(0, QColor(0xff, 0xd6, 0xcc));
        face.setColorAt(0.35, QColor(0xff, 0x3b, 0x2f));
        face.setColorAt(1, QColor(0xa1, 0x0d, 0x0d));
    } else {
        face.setColorAt(0, QColor(0xe2, 0xe5, 0xea));
        face.setColorAt(0.4, QColor(0x9a, 0xa1, 0xab));
        face.setColorAt(1, QColor(0x55, 0x5c, 0x66));
    }
    return face;
}

inline QPen lampRim(bool on)
{
    return QPen(on ? QColor(0x5a, 0x06, 0x06) : QColor(0x33, 0x38, 0x40), 2);
}
