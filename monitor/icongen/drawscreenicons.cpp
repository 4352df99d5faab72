// Draws the main screen's icons (title bar, state icons, option bar, the
// fine-tuning pad) into a folder:
//   draw_screen_icons <folder>
#include <QGuiApplication>
#include <QPainter>
#include <QPainterPath>
#include <QtMath>

#include "resources/tools/drawicon.h"

namespace {

const QColor kGrey(0x65, 0x62, 0x63);
const QColor kBlue(0x1f, 0x3f, 0x8d);
const QColor kAmber(0xff, 0xc1, 0x07);
const QColor kRed(0xee, 0x23, 0x29);

// ---- title bar (drawn 32 x 32, shown at 16) --------------------------------

void info(QPainter& p)
{
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x3d, 0x9b, 0xe9));
    p.drawEllipse(QRectF(1, 1, 30, 30));
    p.setBrush(Qt::white);
    p.drawEllipse(QRectF(13.5, 6, 5, 5));
    p.drawRoundedRect(QRectF(13.5, 13, 5, 13), 2, 2);
}

void warning(QPainter& p)
{
    QPainterPath t;
    t.moveTo(16, 2);
    t.lineTo(31, 29);
    t.lineTo(1, 29);
    t.closeSubpath();
    p.setPen(Qt::NoPen);
    p.setBrush(kAmber);
    p.drawPath(t);
    p.setBrush(QColor(0x33, 0x33, 0x33));
    p.drawRoundedRect(QRectF(14, 10, 4, 11), 2, 2);
    p.drawEllipse(QRectF(14, 23, 4, 4));
}

void ngCount(QPainter& p)
{
    // Ringed in white: the bar turns red while detection is stopped.
    p.setPen(QPen(Qt::white, 2));
    p.setBrush(kRed);
    p.drawEllipse(QRectF(2, 2, 28, 28));
    p.setPen(QPen(Qt::white, 4, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(10, 10), QPointF(22, 22));
    p.drawLine(QPointF(22, 10), QPointF(10, 22));
}

void layers(QPainter& p)
{
    p.setPen(QPen(Qt::white, 2.5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    for (int i = 2; i >= 0; --i) {
        QPainterPath d;
        const double y = 8 + i * 7;
        d.moveTo(16, y - 6);
        d.lineTo(30, y);
        d.lineTo(16, y + 6);
        d.lineTo(2, y);
        d.closeSubpath();
        p.setBrush(i == 0 ? QColor(0x3d, 0x9b, 0xe9) : kBlue);
        p.drawPath(d);
    }
}

void stopwatch(QPainter& p)
{
    p.setPen(QPen(Qt::white, 3));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(QRectF(4, 6, 24, 24));
    p.drawLine(QPointF(16, 2), QPointF(16, 6));
    p.drawLine(QPointF(12, 2), QPointF(20, 2));
    p.setPen(QPen(kAmber, 3, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(16, 18), QPointF(16, 11));
    p.drawLine(QPointF(16, 18), QPointF(21, 21));
}

void pin(QPainter& p)
{
    QPainterPath d;
    d.moveTo(16, 31);
    d.cubicTo(6, 19, 4, 15, 4, 12);
    d.arcTo(QRectF(4, 0, 24, 24), 180, -180);
    d.cubicTo(28, 15, 26, 19, 16, 31);
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    p.drawPath(d);
    p.setBrush(kRed);
    p.drawEllipse(QRectF(11, 7, 10, 10));
}

// ---- IO state icons (38 x 38) ----------------------------------------------

// Inputs are round lamps, outputs square ones; both carry their number.
void stateLamp(QPainter& p, bool output, int number, bool on)
{
    const QPointF c(19, 19);
    if (on)
        lampGlow(p, c, 19);
    p.setPen(lampRim(on));
    p.setBrush(lampFace(c, on, 15));
    if (output)
        p.drawRoundedRect(QRectF(5, 5, 28, 28), 5, 5);
    else
        p.drawEllipse(c, 14, 14);
    p.setFont(boldFont(15));
    p.setPen(Qt::white);
    p.drawText(QRectF(0, 0, 38, 38), Qt::AlignCenter, QString::number(number));
}

// ---- option bar (68 x 68) --------------------------------------------------

void split(QPainter& p)
{
    p.setPen(Qt::NoPen);
    p.setBrush(kBlue);
    for (int r = 0; r < 2; ++r)
        for (int c = 0; c < 2; ++c)
            p.drawRoundedRect(QRectF(6 + c * 30, 6 + r * 30, 26, 26), 4, 4);
}

void stopSign(QPainter& p)
{
    p.setPen(QPen(Qt::white, 5));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(QRectF(5, 5, 58, 58));
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    p.drawRoundedRect(QRectF(23, 23, 22, 22), 3, 3);
}

void playSign(QPainter& p)
{
    p.setPen(QPen(Qt::white, 5));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(QRectF(5, 5, 58, 58));
    QPainterPath t;
    t.moveTo(27, 20);
    t.lineTo(48, 34);
    t.lineTo(27, 48);
    t.closeSubpath();
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    p.drawPath(t);
}

void gear(QPainter& p)
{
    const QPointF c(34, 34);
    QPainterPath teeth;
    for (int i = 0; i < 8; ++i) {
        QTransform t;
        t.translate(c.x(), c.y());
        t.rotate(i * 45);
        teeth.addPolygon(t.map(QPolygonF(QRectF(-6, -30, 12, 14))));
    }
    p.setPen(Qt::NoPen);
    p.setBrush(kBlue);
    p.drawPath(teeth.simplified());
    p.drawEllipse(c, 21, 21);
    p.setBrush(Qt::white);
    p.drawEllipse(c, 9, 9);
}

void camera(QPainter& p, QRectF body)
{
    p.setPen(Qt::NoPen);
    p.setBrush(kBlue);
    p.drawRoundedRect(body, 6, 6);
    p.drawRect(QRectF(body.left() + body.width() * 0.3, body.top() - 7, body.width() * 0.3, 8));
    p.setBrush(Qt::white);
    const QPointF c = body.center();
    p.drawEllipse(c, body.height() * 0.32, body.height() * 0.32);
    p.setBrush(QColor(0x3d, 0x9b, 0xe9));
    p.drawEllipse(c, body.height() * 0.18, body.height() * 0.18);
}

void sampling(QPainter& p)
{
    camera(p, QRectF(12, 22, 44, 32));
    p.setPen(QPen(kAmber, 5, Qt::SolidLine, Qt::RoundCap));
    p.setBrush(Qt::NoBrush);
    p.drawArc(QRectF(3, 6, 62, 62), 30 * 16, 120 * 16);
    p.drawArc(QRectF(3, 6, 62, 62), 210 * 16, 120 * 16);
}

void area(QPainter& p)
{
    p.setPen(QPen(kBlue, 4, Qt::DashLine));
    p.setBrush(Qt::NoBrush);
    p.drawRect(QRectF(12, 14, 44, 40));
    p.setPen(Qt::NoPen);
    p.setBrush(kAmber);
    for (QPointF c : {QPointF(12, 14), QPointF(56, 14), QPointF(12, 54), QPointF(56, 54)})
        p.drawRect(QRectF(c - QPointF(5, 5), QSizeF(10, 10)));
}

void chart(QPainter& p)
{
    p.setPen(Qt::NoPen);
    p.setBrush(kBlue);
    const double h[4] = {20, 36, 28, 48};
    for (int i = 0; i < 4; ++i)
        p.drawRect(QRectF(8 + i * 14, 60 - h[i], 10, h[i]));
    p.setPen(QPen(kGrey, 3));
    p.drawLine(QPointF(4, 61), QPointF(64, 61));
}

void productSnapshot(QPainter& p)
{
    camera(p, QRectF(4, 12, 40, 30));
    p.setPen(QPen(kBlue, 3));
    p.setBrush(kAmber);
    p.drawEllipse(QRectF(36, 36, 28, 28));
}

void moldSnapshot(QPainter& p)
{
    camera(p, QRectF(4, 12, 40, 30));
    p.setPen(QPen(kBlue, 3));
    p.setBrush(QColor(0xd3, 0xd3, 0xd3));
    p.drawRect(QRectF(34, 36, 30, 28));
    p.setBrush(Qt::white);
    p.drawRect(QRectF(42, 44, 14, 12));
}

// ---- fine-tuning pad (50 x 50, over the camera image) -----------------------

void arrowPath(QPainter& p, int quarterTurns)
{
    p.translate(25, 25);
    p.rotate(90 * quarterTurns);
    QPainterPath a;
    a.moveTo(0, -20);
    a.lineTo(18, 2);
    a.lineTo(7, 2);
    a.lineTo(7, 20);
    a.lineTo(-7, 20);
    a.lineTo(-7, 2);
    a.lineTo(-18, 2);
    a.closeSubpath();
    p.setPen(QPen(QColor(0x20, 0x20, 0x20, 200), 2));
    p.setBrush(QColor(255, 255, 255, 230));
    p.drawPath(a);
}

void zoomAll(QPainter& p)
{
    p.setPen(QPen(QColor(0x20, 0x20, 0x20, 200), 7, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
    p.setBrush(Qt::NoBrush);
    auto corners = [&p] {
        for (int i = 0; i < 4; ++i) {
            p.save();
            p.translate(25, 25);
            p.rotate(90 * i);
            p.drawPolyline(QPolygonF({QPointF(-20, -8), QPointF(-20, -20), QPointF(-8, -20)}));
            p.restore();
        }
    };
    corners();
    p.setPen(QPen(Qt::white, 4, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
    corners();
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 255, 255, 230));
    p.drawEllipse(QPointF(25, 25), 6, 6);
}

} // namespace

int main(int argc, char** argv)
{
    return runIconTool(argc, argv, 1, "draw_screen_icons <folder>", [](const QStringList& dirs) {
        const QString& dir = dirs[0];
        bool ok = drawIcons(dir, {
            {"15.png", {32, 32}, info},
            {"warning2.png", {32, 32}, warning},
            {"17a.png", {32, 32}, ngCount},
            {"layer.png", {32, 32}, layers},
            {"costTime.png", {32, 32}, stopwatch},
            {"location.png", {32, 32}, pin},
            {"split.png", {68, 68}, split},
            {"stop.png", {68, 68}, stopSign},
            {"5.png", {68, 68}, playSign},
            {"setting.png", {68, 68}, gear},
            {"sampling.png", {68, 68}, sampling},
            {"38.png", {68, 68}, area},
            {"39.png", {68, 68}, chart},
            {"40.png", {68, 68}, productSnapshot},
            {"39a.png", {68, 68}, moldSnapshot},
            {"MoveUp.png", {50, 50}, [](QPainter& p) { arrowPath(p, 0); }},
            {"MoveRight.png", {50, 50}, [](QPainter& p) { arrowPath(p, 1); }},
            {"MoveDown.png", {50, 50}, [](QPainter& p) { arrowPath(p, 2); }},
            {"MoveLeft.png", {50, 50}, [](QPainter& p) { arrowPath(p, 3); }},
            {"ZoomAll.png", {50, 50}, zoomAll},
        });
        // 18 and 19 (input 0) are the skin's lamps.
        for (bool output : {false, true})
            for (int k = output ? 0 : 1; k < 4; ++k)
                for (bool on : {true, false})
                    ok = drawIcon(dir, QStringLiteral("%1.png").arg((output ? 26 : 18) + 2 * k + (on ? 0 : 1)), {38, 38},
                                  [output, k, on](QPainter& p) { stateLamp(p, output, k, on); })
                        && ok;
        return ok;
    });
}
