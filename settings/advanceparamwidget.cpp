#include "settings/advanceparamwidget.h"

#include "params/lanstr.h"
#include "params/wizardpara.h"
#include "widgets/keyboards.h"
#include "widgets/sliderlabel.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <QStyledItemDelegate>
#include <QVBoxLayout>

namespace advanceparams {

const std::vector<SliderField>& Sliders()
{
    static const std::vector<SliderField> table = {
        {213, 1, 8000, PAGE_FIELD(location_adge)},
        {188, 0, 4, PAGE_FIELD(difference_multiplier)},
        {181, 1, 20, PAGE_FIELD(min_spot)},
        {403, 0, 180, PAGE_FIELD(rotate_angle)},
        {243, 0, 9999, PAGE_FIELD(location_level)},
        {189, 0, 1000, PAGE_FIELD(auto_cancel_timelen)},
        {185, 1, 50, PAGE_FIELD(max_mold_num)},
        {186, 0, 500, PAGE_FIELD(ng_max_num)},
        {187, 0, 500, PAGE_FIELD(ok_record_max_num)},
    };
    return table;
}

} // namespace advanceparams

using namespace advanceparams;

int ScreenOffValue(int seconds) { return seconds >= 1 && seconds <= 9 ? 10 : seconds; }

AdvanceParamValues LoadAdvanceParam(const WizardPara& p)
{
    AdvanceParamValues v;
    for (const SliderField& s : Sliders())
        v.push_back(pagekit::clampTo(s.field(const_cast<WizardPara&>(p)), s.min, s.max));
    v[kScreenOff] = ScreenOffValue(v[kScreenOff]);
    return v;
}

void StoreAdvanceParam(const AdvanceParamValues& v, WizardPara& p)
{
    const std::vector<SliderField>& t = Sliders();
    for (size_t i = 0; i < t.size() && i < v.size(); ++i)
        t[i].field(p) = v[i];
}

AdvanceparamWidget::AdvanceparamWidget(QWidget* parent) : QWidget(parent)
{
    setStyleSheet(QStringLiteral(
        "QLabel{font-size:22px;color:#656263;}QPushButton{color:#656263;}QSlider { height:120;}"
        "QSlider::handle:horizontal{ }QComboBox { combobox-popup: 0;}"
        "QComboBox QAbstractItemView::item { min-height: 60px; }"));
    auto caption = [this](int row) {
        auto* l = new QLabel(LanStr(row), this);
        l->setMinimumSize(130, 50); // longer texts (English) widen it
        return l;
    };
    auto button = [this](int row) {
        auto* b = new QPushButton(LanStr(row), this);
        b->setMinimumSize(100, 50);
        b->setFixedHeight(50);
        return b;
    };
    groupName = new BLineEdit(this, QString(), QString(), KeyboardFull);
    groupName->setFixedSize(200, 50);
    groupList = new QComboBox(this);
    groupList->setItemDelegate(new QStyledItemDelegate(groupList));
    groupList->setFixedWidth(200);
    backupButton = button(182);
    restoreButton = button(183);
    deleteButton = button(184);

    auto* v = new QVBoxLayout(this);
    v->setSpacing(20);
    v->setContentsMargins(100, 50, 50, 30);
    auto* nameRow = new QHBoxLayout;
    nameRow->setSpacing(20);
    nameRow->setContentsMargins(0, 0, 0, 0);
    nameRow->addWidget(caption(261));
    nameRow->addWidget(groupName);
    nameRow->addWidget(backupButton);
    nameRow->addStretch();
    v->addLayout(nameRow);
    auto* listRow = new QHBoxLayout;
    listRow->setSpacing(20);
    listRow->setContentsMargins(0, 0, 0, 0);
    listRow->addWidget(caption(571));
    listRow->addWidget(groupList);
    listRow->addWidget(restoreButton);
    listRow->addWidget(deleteButton);
    listRow->addStretch();
    v->addLayout(listRow);

    auto* grid = new QGridLayout;
    grid->setContentsMargins(0, 50, 100, 50);
    grid->setVerticalSpacing(20);
    grid->setHorizontalSpacing(0);
    const std::vector<SliderField>& t = Sliders();
    const QString units[9] = {QString(), QString(), LanStr(settingstext::kPiecesUnit), QString(), LanStr(540), LanStr(540),
                              LanStr(570), LanStr(570), LanStr(570)};
    for (size_t i = 0; i < t.size(); ++i) {
        rows.push_back(pagekit::addSliderRow(this, grid, int(i), LanStr(t[i].captionRow), t[i].min, t[i].max, 1,
                                             units[i]));
        connect(rows.back().slider, &QSlider::valueChanged, this, &AdvanceparamWidget::slotQSliderValue);
    }
    grid->setRowStretch(9, 1);
    v->addLayout(grid);
    v->addStretch();
}

void AdvanceparamWidget::slotQSliderValue(int)
{
    auto* s = qobject_cast<QSlider*>(sender());
    for (size_t i = 0; i < rows.size(); ++i) {
        if (rows[i].slider != s)
            continue;
        if (int(i) == kScreenOff && ScreenOffValue(s->value()) != s->value()) {
            s->setValue(ScreenOffValue(s->value())); // comes back here with the raised value
            return;
        }
        rows[i].value->setText(QString::number(s->value()));
    }
}

void AdvanceparamWidget::WizardParaInit()
{
    const AdvanceParamValues v = LoadAdvanceParam(*gpWParaBak);
    // Loaded in this order so that the screen-off rule sees its own value.
    for (int i : {0, 6, 7, 8, 4, 1, 5, 2, 3})
        rows[size_t(i)].slider->setValue(v[size_t(i)]);
    groupName->clear();
    groupList->setCurrentIndex(0);
    groupName->clear();
    if (gpWPara)
        groupList->setCurrentIndex(gpWPara->para_group);
}

AdvanceParamValues AdvanceparamWidget::values() const
{
    AdvanceParamValues v;
    for (const pagekit::SliderRow& r : rows)
        v.push_back(r.slider->value());
    return v;
}

void AdvanceparamWidget::accept() { StoreAdvanceParam(values(), *gpWParaBak); }
