// Draws the camera views' icons (camera numbers, template arrows, zoom
// buttons) and the two demonstration camera pictures shown when no camera is
// found:
//   draw_view_pictures <icon folder> <program folder>
// The pictures go to "<program folder>/cammer15/template0.bmp" (a mold half
// holding four molded caps) and "template1.bmp" (the same mold emptied),
// 1920 x 1080 grey, the working size without cameras.
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <functional>

#include "resources/tools/drawicon.h"
#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>

namespace {

const QColor kBlue(0x27, 0x3d, 0x88);

void cameraNumber(QPainter& p, int n)
{
    // A small camera body with the number on its lens.
    p.setPen(QPen(Qt::white, 3));
    p.setBrush(kBlue);
    p.drawRoundedRect(QRectF(4, 16, 88, 60), 10, 10);
    p.drawRect(QRectF(30, 6, 30, 12));
    p.setBrush(QColor(0xff, 0xc1, 0x07));
    p.drawEllipse(QRectF(26, 22, 48, 48));
    p.setFont(boldFont(34));
    p.setPen(kBlue);
    p.drawText(QRectF(26, 22, 48, 48), Qt::AlignCenter, QString::number(n));
}

void arrow(QPainter& p, bool next)
{
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0, 0, 0, 110));
    p.drawEllipse(QRectF(2, 2, 56, 56));
    QPainterPath chevron;
    const double d = next ? 1 : -1;
    chevron.moveTo(30 - 8 * d, 14);
    chevron.lineTo(30 + 10 * d, 30);
    chevron.lineTo(30 - 8 * d, 46);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(Qt::white, 7, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawPath(chevron);
}

void magnifier(QPainter& p, bool plus)
{
    p.setPen(QPen(Qt::white, 9, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(31, 31), QPointF(45, 45));
    p.setPen(QPen(kBlue, 5, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(31, 31), QPointF(45, 45));
    p.setPen(QPen(kBlue, 4));
    p.setBrush(QColor(255, 255, 255, 220));
    p.drawEllipse(QRectF(4, 4, 32, 32));
    p.setPen(QPen(kBlue, 4, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(12, 20), QPointF(28, 20));
    if (plus)
        p.drawLine(QPointF(20, 12), QPointF(20, 28));
}

// Brushed steel: smooth noise stretched along x, with light from the top left.
cv::Mat steel(cv::Size size, cv::RNG& rng)
{
    cv::Mat noise(size, CV_32F);
    rng.fill(noise, cv::RNG::NORMAL, 0, 1);
    cv::GaussianBlur(noise, noise, cv::Size(0, 0), 9.0, 1.2);
    cv::normalize(noise, noise, -14, 14, cv::NORM_MINMAX);
    cv::Mat light(size, CV_32F);
    for (int y = 0; y < size.height; ++y) {
        float* row = light.ptr<float>(y);
        for (int x = 0; x < size.width; ++x) {
            const double dx = (x - size.width * 0.35) / size.width;
            const double dy = (y - size.height * 0.3) / size.height;
            row[x] = float(150 - 90 * (dx * dx + dy * dy));
        }
    }
    return light + noise;
}

void fillCircle(cv::Mat& img, cv::Point c, int r, double v)
{
    cv::circle(img, c, r, cv::Scalar(v), cv::FILLED, cv::LINE_AA);
}

// One mold half: plate, guide pins, runner, four cavities with ejector pins;
// with parts, every cavity holds a molded cap.
cv::Mat moldPicture(bool withParts)
{
    const cv::Size size(1920, 1080);
    cv::RNG rng(20240611);
    cv::Mat img = steel(size, rng);

    // The plate and its border shadow.
    const cv::Rect plate(260, 110, 1400, 860);
    cv::rectangle(img, plate + cv::Point(10, 12), cv::Scalar(60), cv::FILLED);
    cv::Mat plateArea = img(plate);
    plateArea += cv::Scalar(30);
    cv::rectangle(img, plate, cv::Scalar(205), 3, cv::LINE_AA);

    // Guide pins in the corners.
    for (cv::Point c : {cv::Point(340, 190), cv::Point(1580, 190), cv::Point(340, 890), cv::Point(1580, 890)}) {
        fillCircle(img, c + cv::Point(6, 8), 44, 70);
        fillCircle(img, c, 44, 215);
        fillCircle(img, c, 30, 175);
        fillCircle(img, c - cv::Point(10, 10), 10, 240);
    }

    // Sprue and runners.
    const cv::Point sprue(960, 540);
    const std::vector<cv::Point> cavities = {{600, 330}, {1320, 330}, {600, 750}, {1320, 750}};
    for (const cv::Point& c : cavities)
        cv::line(img, sprue, c, cv::Scalar(95), 22, cv::LINE_AA);
    fillCircle(img, sprue, 34, 80);
    fillCircle(img, sprue, 16, 55);

    for (const cv::Point& c : cavities) {
        // Cavity: a dark recess with a bright rim and three ejector pins.
        fillCircle(img, c, 178, 215);
        fillCircle(img, c, 165, 70);
        fillCircle(img, c + cv::Point(-25, -25), 120, 85);
        for (int k = 0; k < 3; ++k) {
            const double a = CV_PI * (0.5 + 2.0 * k / 3.0);
            const cv::Point pin = c + cv::Point(int(95 * std::cos(a)), int(95 * std::sin(a)));
            fillCircle(img, pin, 16, 185);
            fillCircle(img, pin, 10, 150);
        }
        if (withParts) {
            // The molded cap: a light disc with its rim, knurled edge, a
            // raised centre and the gate mark.
            fillCircle(img, c + cv::Point(8, 10), 160, 55);
            fillCircle(img, c, 160, 200);
            for (int k = 0; k < 72; ++k) {
                const double a = 2 * CV_PI * k / 72;
                const cv::Point a1 = c + cv::Point(int(150 * std::cos(a)), int(150 * std::sin(a)));
                const cv::Point a2 = c + cv::Point(int(160 * std::cos(a)), int(160 * std::sin(a)));
                cv::line(img, a1, a2, cv::Scalar(150), 3, cv::LINE_AA);
            }
            cv::circle(img, c, 120, cv::Scalar(165), 5, cv::LINE_AA);
            fillCircle(img, c, 55, 222);
            fillCircle(img, c - cv::Point(14, 14), 22, 238);
            fillCircle(img, c + cv::Point(0, 85), 7, 140);
        }
    }

    // A short runner stub left on the sprue only with parts in place.
    if (withParts)
        fillCircle(img, sprue, 26, 190);

    cv::Mat grain(size, CV_32F);
    rng.fill(grain, cv::RNG::NORMAL, 0, 3.0);
    img += grain;
    cv::GaussianBlur(img, img, cv::Size(0, 0), 1.1);
    cv::Mat out;
    img.convertTo(out, CV_8U);
    return out;
}

bool savePicture(const cv::Mat& grey, const QString& path)
{
    QImage img(grey.cols, grey.rows, QImage::Format_Indexed8);
    QVector<QRgb> table(256);
    for (int i = 0; i < 256; ++i)
        table[i] = qRgb(i, i, i);
    img.setColorTable(table);
    for (int y = 0; y < grey.rows; ++y)
        std::memcpy(img.scanLine(y), grey.ptr(y), size_t(grey.cols));
    QDir().mkpath(QFileInfo(path).path());
    return img.save(path, "BMP");
}

} // namespace

int main(int argc, char* argv[])
{
    return runIconTool(argc, argv, 2, "draw_view_pictures <icon folder> <program folder>", [](const QStringList& dirs) {
        const QString& icons = dirs[0];
        bool ok = true;
        for (int n = 1; n <= 8; ++n)
            ok = drawIcon(icons, QStringLiteral("camNum%1.png").arg(n), QSize(96, 80), [n](QPainter& p) { cameraNumber(p, n); })
                && ok;
        ok = drawIcons(icons, {
                 {"107.png", {60, 60}, [](QPainter& p) { arrow(p, false); }},
                 {"108.png", {60, 60}, [](QPainter& p) { arrow(p, true); }},
                 {"ZoomIn.png", {50, 50}, [](QPainter& p) { magnifier(p, true); }},
                 {"ZoomOut.png", {50, 50}, [](QPainter& p) { magnifier(p, false); }},
             })
            && ok;
        ok = savePicture(moldPicture(true), dirs[1] + QStringLiteral("/cammer15/template0.bmp")) && ok;
        ok = savePicture(moldPicture(false), dirs[1] + QStringLiteral("/cammer15/template1.bmp")) && ok;
        return ok;
    });
}
