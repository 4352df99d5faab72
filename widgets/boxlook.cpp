#include "widgets/boxlook.h"

#include "params/geometry.h"
#include "widgets/basewidgets.h"

#include <QDialog>
#include <QHBoxLayout>
#include <QLabel>
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
