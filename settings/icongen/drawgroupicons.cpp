// Draws the group icons of the settings window's tab column into a folder:
//   draw_settings_icons <folder>
#include <QGuiApplication>
#include <QPainterPath>
#include <QtMath>

#include "resources/tools/drawicon.h"

namespace {

const QColor kGrey(0x65, 0x62, 0x63);
const QColor kBlue(0x27, 0x3d, 0x88);

void camera(QPainter& p)
{
    p.setPen(Qt::NoPen);
    p.setBrush(kGrey);
    p.drawRoundedRect(QRectF(5, 18, 60, 42), 6, 6);
    p.drawRect(QRectF(22, 11, 24, 10));
    p.setBrush(Qt::white);
    p.drawEllipse(QPointF(35, 39), 14, 14);
    p.setBrush(kBlue);
    p.drawEllipse(QPointF(35, 39), 8, 8);
}

void network(QPainter& p)
{
    p.setPen(QPen(kGrey, 4));
    p.drawLine(QPointF(35, 22), QPointF(35, 36));
    p.drawLine(QPointF(13, 36), QPointF(57, 36));
    p.drawLine(QPointF(13, 36), QPointF(13, 46));
    p.drawLine(QPointF(57, 36), QPointF(57, 46));
    p.setPen(Qt::NoPen);
    p.setBrush(kGrey);
    p.drawRoundedRect(QRectF(24, 5, 22, 18), 3, 3);
    p.drawRoundedRect(QRectF(3, 46, 22, 18), 3, 3);
    p.drawRoundedRect(QRectF(45, 46, 22, 18), 3, 3);
}

void logbook(QPainter& p)
{
    p.setPen(Qt::NoPen);
    p.setBrush(kGrey);
    p.drawRoundedRect(QRectF(12, 5, 46, 60), 5, 5);
    p.setPen(QPen(Qt::white, 4, Qt::SolidLine, Qt::RoundCap));
    for (int y : {20, 32, 44})
        p.drawLine(QPointF(21, y), QPointF(49, y));
    p.drawLine(QPointF(21, 55), QPointF(37, 55));
}

void inputsOutputs(QPainter& p)
{
    p.setPen(QPen(kGrey, 5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawLine(QPointF(8, 24), QPointF(52, 24));
    p.drawPolyline(QPolygonF({QPointF(42, 14), QPointF(54, 24), QPointF(42, 34)}));
    p.drawLine(QPointF(62, 46), QPointF(18, 46));
    p.drawPolyline(QPolygonF({QPointF(28, 36), QPointF(16, 46), QPointF(28, 56)}));
}

void sliders(QPainter& p)
{
    p.setPen(QPen(kGrey, 4, Qt::SolidLine, Qt::RoundCap));
    const int x[3] = {16, 35, 54};
    const int knob[3] = {46, 22, 38};
    for (int i = 0; i < 3; ++i)
        p.drawLine(QPointF(x[i], 8), QPointF(x[i], 62));
    p.setPen(Qt::NoPen);
    p.setBrush(kBlue);
    for (int i = 0; i < 3; ++i)
        p.drawRoundedRect(QRectF(x[i] - 8, knob[i] - 5, 16, 10), 3, 3);
}

void about(QPainter& p)
{
    p.setPen(Qt::NoPen);
    p.setBrush(kGrey);
    p.drawEllipse(QRectF(5, 5, 60, 60));
    p.setBrush(Qt::white);
    p.drawEllipse(QPointF(35, 20), 5, 5);
    p.drawRoundedRect(QRectF(30, 30, 10, 26), 3, 3);
}

} // namespace

int main(int argc, char** argv)
{
    return runIconTool(argc, argv, 1, "draw_settings_icons <folder>", [](const QStringList& dirs) {
        const QSize size(70, 70);
        // The first group shows the option bar's gear, "setting.png", drawn with the main screen's icons.
        return drawIcons(dirs[0], {
            {"3c.png", size, camera},
            {"49.png", size, network},
            {"50.png", size, logbook},
            {"51.png", size, inputsOutputs},
            {"52.png", size, sliders},
            {"53.png", size, about},
        });
    });
}
