#include "widgets/boxlook.h"

#include "params/geometry.h"
#include "widgets/basewidgets.h"

#include <QDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QLayout>
#include <QVBoxLayout>
#include <QFontMetrics>
#include <QRegularExpression>
#include <algorithm>

const char* const kBoxStyleSheet =
    "BMessageBox{border-width:1px;border-style:solid;border-color:#656263;background-color:#ffffff;}"
    "QLabel{font-size:30px;color:#656263;}"
    "QPushButton{background-color:#d3d3d3;border-style:none;color:#656263;font-size:22px;}"
    "QPushButton:pressed{color:#656263;background-color:#83636e;}";

namespace {
constexpr int kBoxTextPx = 30; // the label size of the box style sheet
}

QRect boxGeometry() { return QRect(gShowW / 2 - 340, gShowH / 2 - 125, 680, 250); }

namespace {

// The height the box's layout asks for at width w, in the fonts now set.
int neededHeight(QDialog* box, int w)
{
    QLayout* layout = box->layout();
    layout->invalidate();
    layout->activate();
    const int h = layout->hasHeightForWidth() ? layout->totalHeightForWidth(w) : -1;
    return h > 0 ? h : layout->totalSizeHint().height();
}

} // namespace

QRect fittedBoxGeometry(QDialog* box, QLabel* message)
{
    constexpr int kWidth = 680, kHeight = 250, kSmallestPx = 16;
    const int roomW = std::max(kWidth, gShowW);
    const int roomH = std::max(kHeight, gShowH);
    box->ensurePolished();
    message->setStyleSheet(QString());
    message->ensurePolished();
    int w = kWidth;
    int h = neededHeight(box, w);
    while (h > roomH && w < roomW) {
        w = std::min(roomW, w + 160);
        h = neededHeight(box, w);
    }
    for (int px = kBoxTextPx - 2; h > roomH && px >= kSmallestPx; px -= 2) {
        message->setStyleSheet(QStringLiteral("font-size:%1px;").arg(px));
        h = neededHeight(box, w);
    }
    h = std::min(roomH, std::max(kHeight, h));
    // Centred on the display area as the plain box is, kept on it.
    const int x = std::max(0, gShowW / 2 - w / 2);
    const int y = std::max(0, gShowH / 2 - h / 2);
    return QRect(x, y, w, h);
}

QLabel* makeBoxTitle(const QString& title, int width, QWidget* parent)
{
    auto* label = new QLabel(title, parent);
    label->setAlignment(Qt::AlignCenter);
    label->setWordWrap(true);
    label->setFixedWidth(width);
    QFont font = label->font();
    font.setPixelSize(kBoxTextPx);
    const QFontMetrics metrics(font);
    int widest = 0;
    for (const QString& word : title.split(QRegularExpression(QStringLiteral("\\s+")), Qt::SkipEmptyParts))
        widest = std::max(widest, metrics.horizontalAdvance(word));
    if (widest > width)
        label->setStyleSheet(QStringLiteral("font-size:%1px;").arg(std::max(14, kBoxTextPx * width / widest)));
    return label;
}

QVBoxLayout* buildBoxLook(QDialog* box, QLabel* title)
{
    auto* root = new QHBoxLayout(box);
    root->setContentsMargins(16, 16, 16, 16);
    root->setSpacing(16);

    auto* titleColumn = new QVBoxLayout;
    titleColumn->setContentsMargins(0, 0, 0, 0);
    titleColumn->addSpacing(12);
    titleColumn->addWidget(title);
    titleColumn->addStretch();
    root->addLayout(titleColumn);

    root->addWidget(createVerticalSplitLine(box, QStringLiteral("#656263")));

    auto* body = new QVBoxLayout;
    root->addLayout(body, 1);
    return body;
}
