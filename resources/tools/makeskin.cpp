// Paints the skin images of the touch screen and writes them as PNG files.
// The images are committed; run this only to change the look:
//   cmake --build <build> --target makeskin
//   QT_QPA_PLATFORM=offscreen <build>/resources/tools/makeskin resources/icons resources/programdir/images
// Widgets stretch every image over a rectangle of their own choosing, often
// without smoothing, so the drawings keep to broad shapes and soft contrast.
#include <QFont>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <cstdio>

#include "drawicon.h"

namespace {

// The dark-blue palette shared by all images.
const QColor kNavyDeep(0x0a, 0x16, 0x28);
const QColor kNavy(0x13, 0x29, 0x4a);
const QColor kNavyEdge(0x1f, 0x3d, 0x66);
const QColor kBlue(0x2a, 0x6b, 0xb5);
const QColor kBlueDark(0x18, 0x4a, 0x86);
const QColor kCyan(0x36, 0xc5, 0xf0);

QString gFamily; // bold face for the lettering of the logo

QImage canvas(int w, int h, bool alpha)
{
    QImage img(w, h, alpha ? QImage::Format_ARGB32 : QImage::Format_RGB32);
    img.fill(alpha ? QColor(Qt::transparent) : kNavyDeep);
    return img;
}

bool save(const QImage& img, const QString& dir, const char* name)
{
    const QString path = dir + '/' + QLatin1String(name);
    // RGB32 is written without an alpha channel, ARGB32 with one.
    if (!img.save(path, "PNG", 9)) {
        std::fprintf(stderr, "makeskin: cannot write %s\n", qPrintable(path));
        return false;
    }
    return true;
}

QImage logo()
{
    const int w = 175, h = 113;
    QImage img = canvas(w, h, true);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient bg(0, 0, 0, h);
    bg.setColorAt(0, kNavy);
    bg.setColorAt(1, kNavyDeep);
    p.fillRect(img.rect(), bg);
    p.setPen(QPen(kNavyEdge, 1));
    p.drawRect(QRectF(0.5, 0.5, w - 1, h - 1));

    // An eye whose iris is a camera lens, looking into a mould half.
    const QPointF c(w / 2.0, 52);
    QPainterPath eye;
    eye.moveTo(c.x() - 46, c.y());
    eye.quadTo(c.x(), c.y() - 34, c.x() + 46, c.y());
    eye.quadTo(c.x(), c.y() + 34, c.x() - 46, c.y());
    p.setPen(QPen(QColor(0x2f, 0x5f, 0x9a), 3));
    p.setBrush(QColor(0x17, 0x35, 0x60));
    p.drawPath(eye);
    QRadialGradient lens(c, 15, c + QPointF(-4, -4));
    lens.setColorAt(0, QColor(0x4a, 0x8f, 0xd6));
    lens.setColorAt(0.6, QColor(0x22, 0x55, 0x92));
    lens.setColorAt(1, QColor(0x12, 0x2c, 0x50));
    p.setPen(QPen(QColor(0x3b, 0x74, 0xb8), 2));
    p.setBrush(lens);
    p.drawEllipse(c, 15, 15);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x0b, 0x1c, 0x34));
    p.drawEllipse(c, 6, 6);
    p.setBrush(QColor(0x9f, 0xdc, 0xf5, 170));
    p.drawEllipse(c + QPointF(-5, -5), 2.5, 2.5);
    // Aperture ticks around the lens.
    p.setPen(QPen(QColor(0x2f, 0x5f, 0x9a), 2, Qt::SolidLine, Qt::RoundCap));
    for (int i = 0; i < 8; ++i) {
        p.save();
        p.translate(c);
        p.rotate(i * 45);
        p.drawLine(QPointF(0, -19), QPointF(0, -22));
        p.restore();
    }

    QFont f = boldFont(17, gFamily);
    f.setLetterSpacing(QFont::AbsoluteSpacing, 3);
    p.setFont(f);
    p.setPen(QColor(0x3f, 0x78, 0xbd));
    p.drawText(QRect(0, 84, w, 22), Qt::AlignCenter, QStringLiteral("MONITOR"));
    p.setPen(QPen(kCyan.darker(220), 1));
    p.drawLine(QPointF(30, 82.5), QPointF(w - 30, 82.5));
    return img;
}

QImage dialogBackground()
{
    // Light, so that the blue and black captions drawn on it stay legible.
    const int w = 171, h = 128;
    QImage img = canvas(w, h, true);
    QPainter p(&img);
    QLinearGradient bg(0, 0, 0, h);
    bg.setColorAt(0, QColor(0xe9, 0xf0, 0xf8));
    bg.setColorAt(1, QColor(0xc4, 0xd4, 0xe8));
    p.fillRect(img.rect(), bg);
    p.setPen(QColor(0x8f, 0xa8, 0xc6));
    p.drawRect(0, 0, w - 1, h - 1);
    p.setPen(QColor(0xfa, 0xfc, 0xff));
    p.drawLine(1, 1, w - 2, 1);
    return img;
}

QImage sliderFill()
{
    const int w = 101, h = 12;
    QImage img = canvas(w, h, false);
    QPainter p(&img);
    QLinearGradient g(0, 0, 0, h);
    g.setColorAt(0, QColor(0x6f, 0xd3, 0xff));
    g.setColorAt(0.5, QColor(0x2a, 0x8f, 0xe0));
    g.setColorAt(1, QColor(0x16, 0x60, 0xb0));
    p.fillRect(img.rect(), g);
    p.setPen(QColor(0xb5, 0xea, 0xff));
    p.drawLine(0, 0, w - 1, 0);
    return img;
}

QImage sliderTrack()
{
    // A groove sunk into the panel: dark upper edge, light lower edge.
    const int w = 327, h = 25;
    QImage img = canvas(w, h, false);
    QPainter p(&img);
    QLinearGradient g(0, 0, 0, h);
    g.setColorAt(0, QColor(0x06, 0x0f, 0x1c));
    g.setColorAt(1, QColor(0x16, 0x2b, 0x4c));
    p.fillRect(img.rect(), g);
    p.setPen(QColor(0x03, 0x08, 0x10));
    p.drawLine(0, 0, w - 1, 0);
    p.drawLine(0, 0, 0, h - 1);
    p.setPen(QColor(0x3a, 0x5e, 0x8c));
    p.drawLine(0, h - 1, w - 1, h - 1);
    p.drawLine(w - 1, 0, w - 1, h - 1);
    return img;
}

QImage sliderHandle()
{
    // Drawn about 10 px wide, so borders and grips are thick enough to
    // survive being sampled down.
    const int w = 122, h = 208;
    QImage img = canvas(w, h, false);
    QPainter p(&img);
    QLinearGradient g(0, 0, w, 0);
    g.setColorAt(0, QColor(0x87, 0x96, 0xaa));
    g.setColorAt(0.45, QColor(0xee, 0xf3, 0xf8));
    g.setColorAt(1, QColor(0x6f, 0x7e, 0x93));
    p.fillRect(img.rect(), g);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x2b, 0x3c, 0x55));
    const int b = 14;
    p.drawRect(0, 0, w, b);
    p.drawRect(0, h - b, w, b);
    p.drawRect(0, 0, b, h);
    p.drawRect(w - b, 0, b, h);
    p.setBrush(QColor(0x5b, 0x6b, 0x82));
    for (int y = h / 2 - 36; y <= h / 2 + 28; y += 16)
        p.drawRect(b + 12, y, w - 2 * b - 24, 8);
    return img;
}

QImage button(bool down)
{
    const int w = 97, h = 79;
    QImage img = canvas(w, h, false);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient g(0, 0, 0, h);
    if (down) {
        g.setColorAt(0, QColor(0x0e, 0x2e, 0x57));
        g.setColorAt(1, QColor(0x19, 0x4c, 0x8a));
    } else {
        g.setColorAt(0, kBlue);
        g.setColorAt(1, kBlueDark);
    }
    const QRectF r(1, 1, w - 2, h - 2);
    p.setPen(QPen(QColor(0x0c, 0x2a, 0x50), 2));
    p.setBrush(g);
    p.drawRoundedRect(r, 6, 6);
    p.setBrush(Qt::NoBrush);
    if (down) {
        // Shadow along the top: the face sits lower than the frame.
        p.setPen(QPen(QColor(0x05, 0x12, 0x24, 200), 3));
        p.drawLine(QPointF(6, 4), QPointF(w - 6, 4));
    } else {
        p.setPen(QPen(QColor(0x5d, 0x95, 0xd6), 2));
        p.drawLine(QPointF(6, 3), QPointF(w - 6, 3));
    }
    return img;
}

QImage lamp(bool on)
{
    const int s = 36;
    QImage img = canvas(s, s, true);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    const QPointF c(s / 2.0, s / 2.0);
    if (on)
        lampGlow(p, c, s / 2.0);
    p.setPen(lampRim(on));
    p.setBrush(lampFace(c, on, 14));
    p.drawEllipse(c, 13, 13);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 255, 255, on ? 190 : 120));
    p.drawEllipse(c + QPointF(-4.5, -5.5), 3.5, 2.5);
    return img;
}

QImage valueBox()
{
    // Sits behind a green number.
    const int w = 120, h = 48;
    QImage img = canvas(w, h, true);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient g(0, 0, 0, h);
    g.setColorAt(0, QColor(0x05, 0x0e, 0x1b));
    g.setColorAt(1, QColor(0x10, 0x24, 0x40));
    p.setPen(QPen(QColor(0x3a, 0x79, 0xc4), 2));
    p.setBrush(g);
    p.drawRoundedRect(QRectF(1, 1, w - 2, h - 2), 6, 6);
    return img;
}

} // namespace

int main(int argc, char* argv[])
{
    return runIconTool(argc, argv, 2, "makeskin <icons folder> <program images folder>", [](const QStringList& dirs) {
        const int id = QFontDatabase::addApplicationFont(
            QStringLiteral("/usr/share/fonts/truetype/open-sans/OpenSans-Bold.ttf"));
        gFamily = id >= 0 ? QFontDatabase::applicationFontFamilies(id).value(0) : QStringLiteral("Sans");

        const QString& icons = dirs[0];
        bool ok = save(logo(), icons, "2.png");
        ok = save(dialogBackground(), icons, "3-1.png") && ok;
        ok = save(sliderFill(), icons, "slideru.png") && ok;
        ok = save(sliderTrack(), icons, "sliderd.png") && ok;
        ok = save(sliderHandle(), icons, "slidert.png") && ok;
        ok = save(button(false), icons, "buttonu.png") && ok;
        ok = save(button(true), icons, "buttond.png") && ok;
        ok = save(lamp(false), icons, "19.png") && ok;
        ok = save(lamp(true), icons, "18.png") && ok;
        ok = save(valueBox(), dirs[1], "edit.png") && ok;
        return ok;
    });
}
