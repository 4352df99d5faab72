#include "settings/pagekit.h"

#include "widgets/sliderlabel.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QFontMetrics>
#include <QGridLayout>
#include <QLabel>
#include <QSlider>
#include <algorithm>

namespace pagekit {

QString tenthsText(int tenths) { return QString::number(tenths / 10.0, 'g', 6); }

int clampTo(int v, int lo, int hi) { return std::clamp(v, lo, hi); }

SliderRow addSliderRow(QWidget* page, QGridLayout* grid, int row, const QString& caption, int min, int max,
                       int scale, const QString& unit)
{
    SliderRow r;
    r.caption = new QLabel(caption, page);
    r.slider = new QSlider(Qt::Horizontal, page);
    r.slider->setRange(min, max);
    r.slider->setFixedWidth(600);
    r.value = new BlineLabel(r.slider, page, QString(), QString(), KeyboardDigital);
    r.value->setScale(scale);
    r.value->setStyleSheet(QString::fromLatin1(kValueStyle));
    // Room for the widest value, so that no digit is cut off.
    QFont font = r.value->font();
    font.setPixelSize(32); // the value style's size
    r.value->setMinimumWidth(QFontMetrics(font).horizontalAdvance(QString::number(max) + QStringLiteral(".0")));
    r.value->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    r.unit = new QLabel(unit, page);
    r.unit->setStyleSheet(QString::fromLatin1(kUnitStyle));
    grid->addWidget(r.caption, row, 0, Qt::AlignLeft);
    grid->addWidget(r.slider, row, 1, Qt::AlignCenter);
    grid->addWidget(r.value, row, 2, Qt::AlignRight);
    grid->addWidget(r.unit, row, 3, Qt::AlignLeft);
    return r;
}

int checkedIdOr(const QButtonGroup* group, int keep)
{
    const int id = group->checkedId();
    return id == -1 ? keep : id;
}

void selectId(QButtonGroup* group, int id)
{
    if (QAbstractButton* b = group->button(id)) {
        b->setChecked(true);
        return;
    }
    // No button for the value: none checked, so that the store keeps the
    // value rather than an earlier opening's choice.
    const bool exclusive = group->exclusive();
    group->setExclusive(false);
    for (QAbstractButton* b : group->buttons())
        b->setChecked(false);
    group->setExclusive(exclusive);
}

} // namespace pagekit
