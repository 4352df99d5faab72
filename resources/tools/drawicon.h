#pragma once
// Shared by the picture generators: paints one transparent PNG of the given size.
#include <QDir>
#include <QImage>
#include <QPainter>
#include <QString>
#include <functional>

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
