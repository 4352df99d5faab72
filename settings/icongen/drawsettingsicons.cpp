// Draws the icons of the settings window's camera pages, the date editor's
// arrows and the help page's stand-in picture into a folder:
//   draw_settings_icons <folder>
#include <QGuiApplication>
#include <QPainter>
#include <QPainterPath>

#include "resources/tools/drawicon.h"

namespace {

const QColor kGrey(0x65, 0x62, 0x63);
const QColor kBlue(0x1f, 0x3f, 0x8d);
const QColor kLight(0xd3, 0xd3, 0xd3);

// A camera body with its lens, in a box of the given size.
void cameraShape(QPainter& p, const QRectF& box, const QColor& colour)
{
    const qreal w = box.width();
    const qreal h = box.height();
    p.setPen(Qt::NoPen);
    p.setBrush(colour);
    p.drawRoundedRect(QRectF(box.x() + w * 0.3, box.y() + h * 0.12, w * 0.3, h * 0.18), w * 0.04, w * 0.04);
    p.drawRoundedRect(QRectF(box.x(), box.y() + h * 0.25, w, h * 0.7), w * 0.12, w * 0.12);
    p.setBrush(Qt::white);
    p.drawEllipse(QPointF(box.center().x(), box.y() + h * 0.6), w * 0.24, w * 0.24);
    p.setBrush(colour);
    p.drawEllipse(QPointF(box.center().x(), box.y() + h * 0.6), w * 0.14, w * 0.14);
}

// Camera buttons: a small camera over its number.
// Camera buttons: a small camera over its number on a light disc, so that
// the checked button's dark background shows as a ring around it.
void numberedCamera(QPainter& p, int n)
{
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0xf8, 0xf8, 0xff));
    p.drawEllipse(QRectF(6, 6, 46, 46));
    cameraShape(p, QRectF(19, 10, 20, 17), kBlue);
    p.setFont(boldFont(20));
    p.setPen(kBlue);
    p.drawText(QRectF(6, 26, 46, 24), Qt::AlignCenter, QString::number(n));
}

// A wide pill button with a glyph and no text (the page has no room for words).
void pill(QPainter& p, const std::function<void(QPainter&)>& glyph)
{
    p.setPen(QPen(kGrey, 2));
    p.setBrush(Qt::white);
    p.drawRoundedRect(QRectF(1, 1, 126, 44), 22, 22);
    glyph(p);
}

void tune(QPainter& p)
{
    pill(p, [](QPainter& q) {
        // Two cameras with arrows between them: the order of the cameras.
        cameraShape(q, QRectF(18, 10, 26, 24), kGrey);
        cameraShape(q, QRectF(84, 10, 26, 24), kGrey);
        q.setPen(QPen(kBlue, 3, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        q.drawLine(QPointF(52, 17), QPointF(76, 17));
        q.drawLine(QPointF(70, 12), QPointF(76, 17));
        q.drawLine(QPointF(52, 31), QPointF(76, 31));
        q.drawLine(QPointF(52, 31), QPointF(58, 36));
    });
}

void restore(QPainter& p)
{
    pill(p, [](QPainter& q) {
        // A turning arrow: back to the camera's own settings.
        q.setPen(QPen(kBlue, 4, Qt::SolidLine, Qt::RoundCap));
        q.setBrush(Qt::NoBrush);
        q.drawArc(QRectF(48, 7, 32, 32), 60 * 16, 280 * 16);
        QPainterPath head;
        head.moveTo(70, 4);
        head.lineTo(80, 12);
        head.lineTo(68, 16);
        head.closeSubpath();
        q.setPen(Qt::NoPen);
        q.setBrush(kBlue);
        q.drawPath(head);
    });
}

// The view button: a window, with an arrow out (detach) or in (attach).
void viewKey(QPainter& p, bool out)
{
    p.setPen(QPen(kGrey, 3));
    p.setBrush(Qt::white);
    p.drawRoundedRect(QRectF(8, 14, 36, 32), 4, 4);
    p.setPen(QPen(kBlue, 4, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    const QPointF a = out ? QPointF(30, 30) : QPointF(52, 8);
    const QPointF b = out ? QPointF(52, 8) : QPointF(30, 30);
    p.drawLine(a, b);
    p.drawLine(b, b + QPointF(out ? -12 : 12, 0));
    p.drawLine(b, b + QPointF(0, out ? 12 : -12));
}

void separatorMark(QPainter& p)
{
    p.setPen(QPen(kLight, 1));
    p.setBrush(Qt::white);
    p.drawRoundedRect(QRectF(20, 2, 60, 32), 16, 16);
    p.setPen(QPen(kGrey, 3, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawLine(QPointF(40, 13), QPointF(50, 23));
    p.drawLine(QPointF(50, 23), QPointF(60, 13));
}

// The date editor's step keys: "left" steps up, "right" steps down.
void stepKey(QPainter& p, bool up)
{
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0xd3, 0xd3, 0xd3));
    p.drawRoundedRect(QRectF(2, 2, 56, 56), 8, 8);
    QPainterPath t;
    if (up) {
        t.moveTo(30, 16);
        t.lineTo(46, 40);
        t.lineTo(14, 40);
    } else {
        t.moveTo(30, 44);
        t.lineTo(46, 20);
        t.lineTo(14, 20);
    }
    t.closeSubpath();
    p.setBrush(kGrey);
    p.drawPath(t);
}

void helpStandIn(QPainter& p)
{
    p.fillRect(QRectF(0, 0, 400, 300), QColor(0xf5, 0xf5, 0xf5));
    cameraShape(p, QRectF(130, 70, 140, 120), kBlue);
    p.setFont(boldFont(40));
    p.setPen(kGrey);
    p.drawText(QRectF(0, 200, 400, 80), Qt::AlignCenter, QStringLiteral("?"));
}

} // namespace

int main(int argc, char** argv)
{
    return runIconTool(argc, argv, 1, "draw_camera_page_icons <folder>", [](const QStringList& dirs) {
        const QString& dir = dirs[0];
        bool ok = true;
        const char* numbered[4] = {"60.png", "62.png", "64.png", "66.png"};
        for (int i = 0; i < 4; ++i)
            ok = drawIcon(dir, QString::fromLatin1(numbered[i]), {58, 58}, [i](QPainter& p) { numberedCamera(p, i + 1); })
                && ok;
        return drawIcons(dir, {
                   {"57.png", {128, 46}, tune},
                   {"57-1.png", {128, 46}, restore},
                   {"58.png", {60, 60}, [](QPainter& p) { viewKey(p, true); }},
                   // The view button's icon while the block floats; 67.png is
                   // already the region editor's camera 5.
                   {"58-1.png", {60, 60}, [](QPainter& p) { viewKey(p, false); }},
                   {"48.png", {64, 56}, [](QPainter& p) { cameraShape(p, QRectF(2, 0, 60, 56), kGrey); }},
                   {"4a.png", {100, 36}, separatorMark},
                   {"left.png", {60, 60}, [](QPainter& p) { stepKey(p, true); }},
                   {"right.png", {60, 60}, [](QPainter& p) { stepKey(p, false); }},
                   {"camera.png", {400, 300}, helpStandIn},
               })
            && ok;
    });
}
