#include "settings/camerafunctionswidget.h"

#include "params/lanstr.h"
#include "params/wizardpara.h"
#include "widgets/edit.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLayout>
#include <QVBoxLayout>

namespace camerafunctions {

const std::vector<pagekit::SwitchField>& Switches()
{
    static const std::vector<pagekit::SwitchField> table = {
        {388, PAGE_FIELD(auto_shading)},
        {270, PAGE_FIELD(enable_color_camera)},
        {519, PAGE_FIELD(use_external_trigger)},
        {196, PAGE_FIELD(enable_defect_detect)},
        {198, PAGE_FIELD(enable_ignore_area)},
        {390, PAGE_FIELD(enable_black_area)},
        {397, PAGE_FIELD(enable_similarity)},
        {583, PAGE_FIELD(enable_direction_check)},
        {337, PAGE_FIELD(prohibit_optimize)},
        {271, PAGE_FIELD(enable_gray_channel)},
        {200, PAGE_FIELD(enable_display_detail)},
        {197, PAGE_FIELD(enable_spot_detect)},
        {199, PAGE_FIELD(enable_manual_edit)},
        {391, PAGE_FIELD(enable_white_area)},
        {520, PAGE_FIELD(enable_white_num)},
    };
    return table;
}

} // namespace camerafunctions

using camerafunctions::Switches;

CameraFunctionsValues LoadCameraFunctions(const WizardPara& p)
{
    CameraFunctionsValues v;
    for (const pagekit::SwitchField& s : Switches())
        v.push_back(s.field(const_cast<WizardPara&>(p)) != 0);
    return v;
}

bool StoreCameraFunctions(const CameraFunctionsValues& v, WizardPara& p)
{
    const std::vector<pagekit::SwitchField>& t = Switches();
    for (size_t i = 0; i < t.size() && i < v.size(); ++i)
        t[i].field(p) = v[i] ? 1 : 0;
    if (p.enable_spot_detect || p.enable_black_area || p.enable_white_area || p.enable_white_num
        || p.enable_direction_check)
        p.enable_display_detail = 1;
    return p.enable_display_detail != 0;
}

CameraFunctionsWidget::CameraFunctionsWidget(QWidget* parent) : BWidget(parent)
{
    setStyleSheet(QString::fromLatin1(pagekit::kPageStyle));
    auto* root = new QHBoxLayout(this);
    root->setSpacing(20);
    root->setContentsMargins(100, 50, 100, 50);
    QVBoxLayout* columns[2] = {new QVBoxLayout, new QVBoxLayout};
    const std::vector<pagekit::SwitchField>& t = Switches();
    for (size_t i = 0; i < t.size(); ++i) {
        auto* caption = new QLabel(LanStr(t[i].captionRow), this);
        auto* box = new CheckBox(this);
        auto* line = new QHBoxLayout;
        line->addWidget(caption);
        line->addWidget(box);
        columns[i < 8 ? 0 : 1]->addLayout(line);
        captions.push_back(caption);
        boxes.push_back(box);
    }
    for (QVBoxLayout* c : columns) {
        c->addStretch();
        root->addLayout(c);
    }
}

void CameraFunctionsWidget::WizardParaInit()
{
    const CameraFunctionsValues v = LoadCameraFunctions(*gpWParaBak);
    for (size_t i = 0; i < boxes.size(); ++i)
        boxes[i]->setValue(v[i]);
}

CameraFunctionsValues CameraFunctionsWidget::values() const
{
    CameraFunctionsValues v;
    for (CheckBox* b : boxes)
        v.push_back(b->value() != 0);
    return v;
}

void CameraFunctionsWidget::accept()
{
    boxes[camerafunctions::kDisplayDetail]->setValue(StoreCameraFunctions(values(), *gpWParaBak));
}

void CameraFunctionsWidget::showEvent(QShowEvent* event)
{
    const bool shown = factoryShown && factoryShown();
    for (QWidget* w : boxes)
        w->setVisible(shown);
    for (QWidget* w : captions)
        w->setVisible(shown);
    // Rows shown just now take their places before the first paint.
    layout()->activate();
    BWidget::showEvent(event);
}
