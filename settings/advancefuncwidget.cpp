#include "settings/advancefuncwidget.h"

#include "params/lanstr.h"
#include "params/wizardpara.h"
#include "settings/settingshost.h"
#include "widgets/edit.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace advancefunctions {

const std::vector<pagekit::SwitchField>& Switches()
{
    static const std::vector<pagekit::SwitchField> table = {
        {254, PAGE_FIELD(factory_param)},
        {342, PAGE_FIELD(ignore_alarm_protect)},
        {272, PAGE_FIELD(snap_shot)},
        {556, PAGE_FIELD(stop_detect_protect)},
        {256, PAGE_FIELD(enable_screen_alert)},
        {457, PAGE_FIELD(template_is_ng_image)},
        {191, PAGE_FIELD(auto_generate_area)},
        {470, PAGE_FIELD(show_live_regions)},
        {389, PAGE_FIELD(save_ok_record)},
        {471, PAGE_FIELD(show_cavity_number)},
        {194, PAGE_FIELD(enable_pass_protect)},
        {558, PAGE_FIELD(enable_log)},
        {341, PAGE_FIELD(add_template_protect)},
    };
    return table;
}

} // namespace advancefunctions

using advancefunctions::Switches;

AdvanceFuncValues LoadAdvanceFunc(const WizardPara& p, bool rawImages)
{
    AdvanceFuncValues v;
    for (const pagekit::SwitchField& s : Switches())
        v.switches.push_back(s.field(const_cast<WizardPara&>(p)) != 0);
    v.rawImages = rawImages;
    return v;
}

bool StoreAdvanceFunc(const AdvanceFuncValues& v, WizardPara& p)
{
    const std::vector<pagekit::SwitchField>& t = Switches();
    for (size_t i = 0; i < t.size() && i < v.switches.size(); ++i)
        t[i].field(p) = v.switches[i] ? 1 : 0;
    return v.rawImages;
}

AdvanceFuncWidget::AdvanceFuncWidget(QWidget* parent) : QWidget(parent)
{
    setStyleSheet(QStringLiteral("QLabel{font-size:22px;color:#656263;}QPushButton{color:#656263;}"));
    auto button = [this](int row) {
        auto* b = new QPushButton(LanStr(row), this);
        // At least 200 x 50; larger for a caption that needs it (two lines).
        b->setMinimumSize(200, 50);
        return b;
    };
    updateButton = button(325);
    timeButton = button(401);
    calibrationButton = button(458);
    exportButton = button(326);
    factoryResetButton = button(551);
    exitButton = button(210);
    exitButton->hide();
    hardwareButton = button(551);
    hardwareButton->hide();

    auto* v = new QVBoxLayout(this);
    v->setSpacing(0);
    v->setContentsMargins(30, 15, 5, 5);
    auto buttonRow = [v](std::initializer_list<QPushButton*> buttons) {
        auto* h = new QHBoxLayout;
        h->setSpacing(20);
        h->setContentsMargins(30, 30, 30, 30);
        for (QPushButton* b : buttons)
            h->addWidget(b);
        h->addStretch();
        v->addLayout(h);
    };
    buttonRow({updateButton, timeButton, calibrationButton, exitButton});
    buttonRow({exportButton, factoryResetButton});

    auto* grid = new QGridLayout;
    grid->setSpacing(20);
    const std::vector<pagekit::SwitchField>& t = Switches();
    auto place = [this, grid](int index, const QString& caption, CheckBox* box) {
        grid->addWidget(new QLabel(caption, this), index / 2, (index % 2) * 2);
        grid->addWidget(box, index / 2, (index % 2) * 2 + 1);
    };
    for (size_t i = 0; i < t.size(); ++i) {
        boxes.push_back(new CheckBox(this));
        place(int(i), LanStr(t[i].captionRow), boxes.back());
    }
    rawImagesBox = new CheckBox(this);
    place(int(t.size()), LanStr(advancefunctions::kRawImagesRow), rawImagesBox);
    v->addLayout(grid);
    v->addStretch();
}

void AdvanceFuncWidget::WizardParaInit()
{
    // A wish not yet settled (a refused save, a floated page) is shown again.
    const bool raw = rawPending_ >= 0 ? rawPending_ != 0 : settingshost::saveOriginalImages();
    const AdvanceFuncValues v = LoadAdvanceFunc(*gpWParaBak, raw);
    for (size_t i = 0; i < boxes.size(); ++i)
        boxes[i]->setValue(v.switches[i]);
    rawImagesBox->setValue(v.rawImages);
}

AdvanceFuncValues AdvanceFuncWidget::values() const
{
    AdvanceFuncValues v;
    for (CheckBox* b : boxes)
        v.switches.push_back(b->value() != 0);
    v.rawImages = rawImagesBox->value() != 0;
    return v;
}

bool AdvanceFuncWidget::factoryParamShown() const { return boxes[advancefunctions::kFactory]->value() != 0; }

void AdvanceFuncWidget::accept() { rawPending_ = StoreAdvanceFunc(values(), *gpWParaBak) ? 1 : 0; }

bool AdvanceFuncWidget::rawImagesWanted() const { return rawImagesBox->value() != 0; }

void AdvanceFuncWidget::rawImagesSettled()
{
    rawPending_ = -1;
    rawImagesBox->setValue(settingshost::saveOriginalImages());
}
