#include "params/skin.h"

#include <QPixmap>

QPixmap* gpPixmapLogo = nullptr;
QPixmap* gpPixmapBG = nullptr;
QPixmap* gpPixmapEdit = nullptr;
QPixmap* gpPixmapSlideru = nullptr;
QPixmap* gpPixmapSliderd = nullptr;
QPixmap* gpPixmapSlidert = nullptr;
QPixmap* gpPixmapButton[2] = {nullptr, nullptr};
QPixmap* gpPixmapOUT[2] = {nullptr, nullptr};

void MakeSkinPixmaps()
{
    Q_INIT_RESOURCE(resources);
    gpPixmapLogo = new QPixmap(QStringLiteral(":/img/icons/2.png"));
    gpPixmapBG = new QPixmap(QStringLiteral(":/img/icons/3-1.png"));
    gpPixmapEdit = new QPixmap(QStringLiteral("./images/edit.png"));
    gpPixmapSlideru = new QPixmap(QStringLiteral(":/img/icons/slideru.png"));
    gpPixmapSliderd = new QPixmap(QStringLiteral(":/img/icons/sliderd.png"));
    gpPixmapSlidert = new QPixmap(QStringLiteral(":/img/icons/slidert.png"));
    gpPixmapButton[0] = new QPixmap(QStringLiteral(":/img/icons/buttonu.png"));
    gpPixmapButton[1] = new QPixmap(QStringLiteral(":/img/icons/buttond.png"));
    gpPixmapOUT[0] = new QPixmap(QStringLiteral(":/img/icons/19.png"));
    gpPixmapOUT[1] = new QPixmap(QStringLiteral(":/img/icons/18.png"));
}
