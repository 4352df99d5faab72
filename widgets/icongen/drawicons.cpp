// Draws the kit's icons (message, warning, password, keyboard close, switches,
// radio marks, combo arrow, slider handle, paging arrows, logo) into a folder:
//   draw_widget_icons <folder>
#include <QPainter>
#include <QPainterPath>

#include "resources/tools/drawicon.h"

namespace {

const QColor kGrey(0x65, 0x62, 0x63);
const QColor kBlue(0x27, 0x3d, 0x88);
const QColor kLight(0xd3, 0xd3, 0xd3);

void message(QPainter& p)
{
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0xe6, 0x9b, 0x1e));
    p.drawEllipse(QRectF(3, 3, 64, 64));
    p.setBrush(Qt::white);
    p.drawRoundedRect(QRectF(31, 14, 8, 30), 4, 4);
    p.drawEllipse(QRectF(30, 49, 10, 10));
}

void closeMark(QPainter& p)
{
    p.setPen(QPen(kGrey, 4, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(7, 7), QPointF(25, 25));
    p.drawLine(QPointF(25, 7), QPointF(7, 25));
}

void padlock(QPainter& p)
{
    p.setPen(QPen(kGrey, 7, Qt::SolidLine, Qt::RoundCap));
    p.setBrush(Qt::NoBrush);
    p.drawArc(QRectF(19, 6, 32, 36), 0, 180 * 16);
    p.drawLine(QPointF(19, 24), QPointF(19, 32));
    p.drawLine(QPointF(51, 24), QPointF(51, 32));
    p.setPen(Qt::NoPen);
    p.setBrush(kBlue);
    p.drawRoundedRect(QRectF(10, 30, 50, 36), 6, 6);
    p.setBrush(Qt::white);
    p.drawEllipse(QRectF(30, 40, 10, 10));
    p.drawRect(QRectF(33, 46, 4, 11));
}

void toggle(QPainter& p, bool on)
{
    p.setPen(Qt::NoPen);
    p.setBrush(on ? kBlue : kLight);
    p.drawRoundedRect(QRectF(2, 6, 91, 38), 19, 19);
    p.setBrush(Qt::white);
    p.drawEllipse(QRectF(on ? 57 : 6, 9, 32, 32));
}

// A white disc in a ring of `rim`, with a blue dot unless `dot` is empty.
void ringAndDot(QPainter& p, const QColor& rim, const QRectF& ring, const QRectF& dot)
{
    p.setPen(QPen(rim, 3));
    p.setBrush(Qt::white);
    p.drawEllipse(ring);
    if (!dot.isEmpty()) {
        p.setPen(Qt::NoPen);
        p.setBrush(kBlue);
        p.drawEllipse(dot);
    }
}

void radio(QPainter& p, bool on)
{
    ringAndDot(p, on ? kBlue : kGrey, QRectF(5, 5, 40, 40), on ? QRectF(14, 14, 22, 22) : QRectF());
}

void arrow(QPainter& p)
{
    QPainterPath path;
    path.moveTo(14, 19);
    path.lineTo(36, 19);
    path.lineTo(25, 32);
    path.closeSubpath();
    p.setPen(Qt::NoPen);
    p.setBrush(kGrey);
    p.drawPath(path);
}

void handle(QPainter& p)
{
    ringAndDot(p, kBlue, QRectF(8, 8, 44, 44), QRectF(22, 22, 16, 16));
}

void warning(QPainter& p)
{
    QPainterPath path;
    path.moveTo(24, 3);
    path.lineTo(46, 43);
    path.lineTo(2, 43);
    path.closeSubpath();
    p.setPen(QPen(QColor(0xe6, 0x9b, 0x1e), 3, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(QColor(0xe6, 0x9b, 0x1e));
    p.drawPath(path);
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    p.drawRoundedRect(QRectF(21.5, 14, 5, 17), 2.5, 2.5);
    p.drawEllipse(QRectF(21, 34, 6, 6));
}

// A paging key on the bar's white circle: one or two chevrons, with a stop
// line for the first and last page.
void pageArrow(QPainter& p, bool forward, bool toEnd)
{
    p.setPen(QPen(QColor(0x62, 0x5f, 0x60), 1));
    p.setBrush(Qt::white);
    p.drawEllipse(QRectF(1, 1, 58, 58));
    p.setPen(QPen(kGrey, 4, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    const qreal dir = forward ? 1 : -1;
    const qreal tip = 30 + dir * 8;
    auto chevron = [&](qreal at) {
        QPainterPath c;
        c.moveTo(at - dir * 10, 19);
        c.lineTo(at, 30);
        c.lineTo(at - dir * 10, 41);
        p.drawPath(c);
    };
    chevron(toEnd ? tip - dir * 4 : tip);
    if (toEnd)
        p.drawLine(QPointF(tip + dir * 3, 19), QPointF(tip + dir * 3, 41));
}

void logo(QPainter& p)
{
    // A lens looking into a mold half, beside the product letters.
    p.setPen(Qt::NoPen);
    p.setBrush(kBlue);
    p.drawRoundedRect(QRectF(20, 40, 220, 220), 40, 40);
    p.setBrush(Qt::white);
    p.drawEllipse(QRectF(55, 75, 150, 150));
    p.setBrush(kBlue);
    p.drawEllipse(QRectF(85, 105, 90, 90));
    p.setBrush(QColor(0x3d, 0x9b, 0xe9));
    p.drawEllipse(QRectF(108, 128, 44, 44));
    p.setFont(boldFont(150));
    p.setPen(kBlue);
    p.drawText(QRectF(270, 40, 520, 220), Qt::AlignVCenter | Qt::AlignLeft, QStringLiteral("QMP"));
}

} // namespace

int main(int argc, char** argv)
{
    return runIconTool(argc, argv, 1, "draw_widget_icons <folder>", [](const QStringList& dirs) {
        return drawIcons(dirs[0], {
            {"56.png", {70, 70}, message},
            {"close.png", {32, 32}, closeMark},
            {"password.png", {70, 70}, padlock},
            {"54.png", {95, 50}, [](QPainter& p) { toggle(p, false); }},
            {"55.png", {95, 50}, [](QPainter& p) { toggle(p, true); }},
            {"70.png", {50, 50}, [](QPainter& p) { radio(p, true); }},
            {"71.png", {50, 50}, [](QPainter& p) { radio(p, false); }},
            {"2a.png", {50, 50}, arrow},
            {QStringLiteral("圆1.png"), {60, 60}, handle},
            {"0logo.png", {800, 300}, logo},
            {"warning.png", {48, 48}, warning},
            {"72.png", {60, 60}, [](QPainter& p) { pageArrow(p, false, true); }},
            {"68.png", {60, 60}, [](QPainter& p) { pageArrow(p, false, false); }},
            {"69.png", {60, 60}, [](QPainter& p) { pageArrow(p, true, false); }},
            {"73.png", {60, 60}, [](QPainter& p) { pageArrow(p, true, true); }},
        });
    });
}
