#include "camera/viewtext.h"

#include <QFontMetrics>
#include <QRect>

int WrappedPixelSize(QFont font, const QString& text, const QSize& room, int largest, int smallest)
{
    for (int px = largest; px > smallest; --px) {
        font.setPixelSize(px);
        const QRect needed =
            QFontMetrics(font).boundingRect(QRect(0, 0, room.width(), 1 << 20), Qt::TextWordWrap, text);
        if (needed.width() <= room.width() && needed.height() <= room.height())
            return px;
    }
    return smallest;
}
