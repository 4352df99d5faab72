// Draws the icons of the region editor: the drawing toolbar (drawn over the
// camera image, so each sits on a dark disc), the buttons of the region and
// alarm option bars, and the entries of their
// source, camera and step lists. "End Set", "Re-detected" and "All Camera"
// share their icons (38, 5, 39a) with the main option bar, which draws them.
//   draw_editor_icons <icon folder>
#include <QGuiApplication>
#include <QPainterPath>
#include <cmath>
#include <cstdio>

#include "resources/tools/drawicon.h"

namespace {

const QColor kBlue(0x27, 0x3d, 0x88);
const QColor kAmber(0xff, 0xc1, 0x07);

QPen line(const QColor& c, double w) { return QPen(c, w, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin); }

// ---- drawing toolbar, 60 x 60

void disc(QPainter& p)
{
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0, 0, 0, 120));
    p.drawEllipse(QRectF(2, 2, 56, 56));
    p.setBrush(Qt::NoBrush);
}

void toolRect(QPainter& p)
{
    disc(p);
    p.setPen(line(Qt::white, 4));
    p.drawRect(QRectF(15, 19, 30, 22));
}

void toolRing(QPainter& p)
{
    disc(p);
    p.setPen(line(Qt::white, 4));
    p.drawEllipse(QPointF(30, 30), 16, 16);
    p.setPen(line(kAmber, 3));
    p.drawEllipse(QPointF(30, 30), 7, 7);
}

void toolPolygon(QPainter& p)
{
    disc(p);
    const QPointF v[5] = {{16, 40}, {20, 17}, {38, 14}, {46, 32}, {32, 45}};
    p.setPen(line(Qt::white, 4));
    p.drawPolygon(v, 5);
    p.setBrush(kAmber);
    p.setPen(Qt::NoPen);
    for (const QPointF& c : v)
        p.drawEllipse(c, 3.5, 3.5);
}

void toolFreeHand(QPainter& p)
{
    disc(p);
    QPainterPath path;
    path.moveTo(14, 36);
    path.cubicTo(14, 14, 30, 10, 36, 20);
    path.cubicTo(42, 30, 48, 26, 46, 38);
    path.cubicTo(44, 48, 24, 50, 14, 36);
    p.setPen(line(Qt::white, 4));
    p.drawPath(path);
}

void toolCopy(QPainter& p)
{
    disc(p);
    p.setPen(line(Qt::white, 3.5));
    p.drawRect(QRectF(14, 14, 20, 16));
    p.setPen(line(kAmber, 3.5));
    p.drawRect(QRectF(26, 28, 20, 16));
}

void toolDelete(QPainter& p, bool all)
{
    disc(p);
    p.setPen(line(Qt::white, 3.5));
    if (all) {
        p.drawRect(QRectF(12, 12, 16, 13));
        p.drawRect(QRectF(32, 12, 16, 13));
        p.drawRect(QRectF(12, 33, 16, 13));
        p.drawRect(QRectF(32, 33, 16, 13));
    } else {
        p.drawRect(QRectF(16, 18, 28, 22));
    }
    p.setPen(line(QColor(0xee, 0x23, 0x29), 5));
    p.drawLine(QPointF(18, 18), QPointF(42, 42));
    p.drawLine(QPointF(42, 18), QPointF(18, 42));
}

// ---- option bar buttons, 68 x 68 (blue line art, readable on grey and on green)

void picture(QPainter& p, QRectF r)
{
    p.drawRoundedRect(r, 4, 4);
    QPainterPath hills;
    hills.moveTo(r.left() + 4, r.bottom() - 4);
    hills.lineTo(r.left() + r.width() * 0.38, r.top() + r.height() * 0.45);
    hills.lineTo(r.left() + r.width() * 0.6, r.top() + r.height() * 0.7);
    hills.lineTo(r.left() + r.width() * 0.75, r.top() + r.height() * 0.55);
    hills.lineTo(r.right() - 4, r.bottom() - 4);
    p.drawPath(hills);
    p.drawEllipse(QPointF(r.right() - r.width() * 0.25, r.top() + r.height() * 0.28), 4, 4);
}

void templateCard(QPainter& p)
{
    p.setPen(line(kBlue, 4));
    picture(p, QRectF(8, 14, 44, 36));
    p.setPen(line(kBlue, 5));
    p.drawLine(QPointF(52, 40), QPointF(52, 62));
    p.drawLine(QPointF(41, 51), QPointF(63, 51));
}

void liveTemplate(QPainter& p)
{
    // Live picture and template with a two-way arrow, 125 x 68.
    p.setPen(line(kBlue, 4));
    picture(p, QRectF(6, 16, 38, 32));
    picture(p, QRectF(81, 16, 38, 32));
    p.drawLine(QPointF(52, 32), QPointF(73, 32));
    p.drawPolyline(QPolygonF({{57, 26}, {51, 32}, {57, 38}}));
    p.drawPolyline(QPolygonF({{68, 26}, {74, 32}, {68, 38}}));
}

void dontDetect(QPainter& p)
{
    p.setPen(line(kBlue, 4));
    p.drawEllipse(QPointF(30, 32), 16, 10);
    p.drawEllipse(QPointF(30, 32), 5, 5);
    p.setPen(line(kBlue, 5));
    p.drawLine(QPointF(12, 52), QPointF(50, 12));
}

void ignorePoint(QPainter& p, bool remove)
{
    p.setPen(line(kBlue, 4));
    p.drawRect(QRectF(10, 10, 48, 48));
    p.setBrush(kBlue);
    p.drawEllipse(QPointF(26, 28), 4, 4);
    p.drawEllipse(QPointF(40, 40), 4, 4);
    p.setBrush(Qt::NoBrush);
    p.setPen(line(kBlue, 5));
    if (remove) {
        p.drawLine(QPointF(18, 18), QPointF(50, 50));
        p.drawLine(QPointF(50, 18), QPointF(18, 50));
    } else {
        p.drawEllipse(QPointF(33, 34), 15, 15);
    }
}

// ---- list entries, 80 x 100

void cameraEntry(QPainter& p, int n)
{
    p.setPen(line(Qt::white, 3));
    p.setBrush(kBlue);
    p.drawRoundedRect(QRectF(6, 30, 68, 46), 8, 8);
    p.drawRect(QRectF(26, 22, 24, 10));
    p.setBrush(kAmber);
    p.drawEllipse(QRectF(22, 35, 36, 36));
    p.setFont(boldFont(26));
    p.setPen(kBlue);
    p.drawText(QRectF(22, 35, 36, 36), Qt::AlignCenter, QString::number(n));
}

void sourceEntry(QPainter& p)
{
    p.setPen(line(kBlue, 4));
    p.setBrush(QColor(255, 255, 255, 200));
    picture(p, QRectF(8, 28, 64, 48));
}

void stepEntry(QPainter& p)
{
    p.setPen(line(kBlue, 4));
    p.setBrush(QColor(255, 255, 255, 200));
    p.drawRoundedRect(QRectF(10, 24, 60, 56), 6, 6);
    for (int i = 0; i < 3; ++i) {
        const double y = 38 + 14 * i;
        p.drawLine(QPointF(30, y), QPointF(60, y));
        p.drawEllipse(QPointF(21, y), 3, 3);
    }
}

} // namespace

int main(int argc, char* argv[])
{
    return runIconTool(argc, argv, 1, "draw_editor_icons <icon folder>", [](const QStringList& dirs) {
        const QString& dir = dirs[0];
        const QSize tool(60, 60), button(68, 68), entry(80, 100);
        bool ok = drawIcons(dir, {
            {"99.png", tool, toolRect},
            {"98.png", tool, toolRing},
            {"97.png", tool, toolPolygon},
            {"96.png", tool, toolFreeHand},
            {"100.png", tool, toolCopy},
            {"101.png", tool, [](QPainter& p) { toolDelete(p, false); }},
            {"102.png", tool, [](QPainter& p) { toolDelete(p, true); }},
            {"106.png", button, templateCard},
            {"44.png", button, templateCard},
            {"110.png", {125, 68}, liveTemplate},
            {"43.png", button, dontDetect},
            {"45.png", button, [](QPainter& p) { ignorePoint(p, false); }},
            {"46.png", button, [](QPainter& p) { ignorePoint(p, true); }},
            {"104.png", entry, sourceEntry},
            {"105.png", entry, stepEntry},
        });
        // The names of cameras 6, 7 and 8 (69, 71 and 73.png) are the kit's
        // page arrows and radio-button icon; they stay the kit's.
        for (int n = 1; n < 6; ++n)
            ok = drawIcon(dir, QStringLiteral("%1.png").arg(57 + 2 * n), entry, [n](QPainter& p) { cameraEntry(p, n); }) && ok;
        return ok;
    });
}
