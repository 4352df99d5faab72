#include "settings/iofunctionswidget.h"

#include "params/lanstr.h"
#include "params/wizardpara.h"
#include "widgets/edit.h"

#include <QButtonGroup>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLayout>
#include <QRadioButton>
#include <QVBoxLayout>

namespace iofunctions {

const std::vector<pagekit::SwitchField>& Switches()
{
    static const std::vector<pagekit::SwitchField> table = {
        {179, PAGE_FIELD(enable_stop_mold)},
        {178, PAGE_FIELD(mold_cutoff)},
        {192, PAGE_FIELD(enable_cutoff_ontime)},
        {190, PAGE_FIELD(enable_stop_not_alarm)},
        {202, PAGE_FIELD(pulse_output)},
        {193, PAGE_FIELD(is_cut_ontime)},
        {513, PAGE_FIELD(is_cut_ontime_thimble)},
        {265, PAGE_FIELD(enable_trigger_safety)},
        {195, PAGE_FIELD(enable_disarm_before_open)},
        {555, PAGE_FIELD(temp_alarm_cuts_clamp)},
        {515, PAGE_FIELD(cut_ejector_on_prod_alarm)},
        {589, PAGE_FIELD(cut_clamp_on_mold_alarm)},
        {592, PAGE_FIELD(detect_any_order)},
    };
    return table;
}

const std::vector<pagekit::SwitchField>& Groups()
{
    static const std::vector<pagekit::SwitchField> table = {
        {203, PAGE_FIELD(enable_output_thimble_pulse)},
        {334, PAGE_FIELD(enable_mold_backup)},
        {273, PAGE_FIELD(output_initial_state[0])},
        {274, PAGE_FIELD(output_initial_state[1])},
        {275, PAGE_FIELD(output_initial_state[2])},
        {281, PAGE_FIELD(output_initial_state[3])},
    };
    return table;
}

} // namespace iofunctions

using namespace iofunctions;

namespace {
// Buttons of each group: their text rows; the id is the position.
const std::vector<int> kGroupButtons[6] = {
    {304, 301, 302, 303}, {304, 305, 306, 307}, {204, 211}, {204, 211}, {204, 211}, {204, 211}};
} // namespace

IOFunctionsValues LoadIOFunctions(const WizardPara& p)
{
    IOFunctionsValues v;
    WizardPara& q = const_cast<WizardPara&>(p);
    for (const pagekit::SwitchField& s : Switches())
        v.switches.push_back(s.field(q) != 0);
    const std::vector<pagekit::SwitchField>& g = Groups();
    for (size_t i = 0; i < g.size(); ++i) {
        const int value = g[i].field(q);
        v.groups.push_back(value >= 0 && value < int(kGroupButtons[i].size()) ? value : -1);
    }
    return v;
}

void StoreIOFunctions(const IOFunctionsValues& v, WizardPara& p)
{
    const std::vector<pagekit::SwitchField>& s = Switches();
    for (size_t i = 0; i < s.size() && i < v.switches.size(); ++i)
        s[i].field(p) = v.switches[i] ? 1 : 0;
    const std::vector<pagekit::SwitchField>& g = Groups();
    for (size_t i = 0; i < g.size() && i < v.groups.size(); ++i)
        if (v.groups[i] >= 0)
            g[i].field(p) = v.groups[i];
}

IOFunctionsWidget::IOFunctionsWidget(QWidget* parent) : BWidget(parent)
{
    setStyleSheet(QString::fromLatin1(pagekit::kPageStyle));
    auto* v = new QVBoxLayout(this);
    v->setSpacing(10);
    v->setContentsMargins(50, 50, 50, 50);

    auto* grid = new QGridLayout;
    grid->setSpacing(20);
    grid->setContentsMargins(7, 7, 7, 7);
    const std::vector<pagekit::SwitchField>& s = Switches();
    for (size_t i = 0; i < s.size(); ++i) {
        auto* box = new CheckBox(this);
        grid->addWidget(new QLabel(LanStr(s[i].captionRow), this), int(i / 2), int(i % 2) * 2);
        grid->addWidget(box, int(i / 2), int(i % 2) * 2 + 1);
        boxes.push_back(box);
    }
    v->addLayout(grid);

    auto groupRow = [this](std::initializer_list<int> indexes, bool initialStates) {
        auto* h = new QHBoxLayout;
        h->setSpacing(20);
        h->setContentsMargins(7, 7, 7, 7);
        for (int i : indexes) {
            auto* caption = new QLabel(LanStr(Groups()[size_t(i)].captionRow), this);
            h->addWidget(caption);
            auto* group = new QButtonGroup(this);
            if (initialStates)
                initialStateRows.push_back(caption);
            for (size_t b = 0; b < kGroupButtons[i].size(); ++b) {
                auto* button = new QRadioButton(LanStr(kGroupButtons[i][b]), this);
                group->addButton(button, int(b));
                h->addWidget(button);
                if (initialStates)
                    initialStateRows.push_back(button);
            }
            groups.push_back(group);
        }
        h->addStretch();
        return h;
    };
    v->addLayout(groupRow({0}, false));
    v->addLayout(groupRow({1}, false));
    v->addWidget(createHorizontalSplitLine(this, QStringLiteral("#f5f5f5")));
    v->addLayout(groupRow({2, 3}, true));
    v->addLayout(groupRow({4, 5}, true));
    v->addStretch();
    for (QWidget* w : initialStateRows)
        w->hide();
}

void IOFunctionsWidget::WizardParaInit()
{
    const IOFunctionsValues v = LoadIOFunctions(*gpWParaBak);
    for (size_t i = 0; i < boxes.size(); ++i)
        boxes[i]->setValue(v.switches[i]);
    for (size_t i = 0; i < groups.size(); ++i)
        pagekit::selectId(groups[i], v.groups[i]);
}

IOFunctionsValues IOFunctionsWidget::values() const
{
    IOFunctionsValues v;
    for (CheckBox* b : boxes)
        v.switches.push_back(b->value() != 0);
    for (QButtonGroup* g : groups)
        v.groups.push_back(g->checkedId());
    return v;
}

void IOFunctionsWidget::accept() { StoreIOFunctions(values(), *gpWParaBak); }

void IOFunctionsWidget::showEvent(QShowEvent* event)
{
    const bool shown = factoryShown && factoryShown();
    for (QWidget* w : initialStateRows)
        w->setVisible(shown);
    // Rows shown just now take their places before the first paint.
    layout()->activate();
    BWidget::showEvent(event);
}
