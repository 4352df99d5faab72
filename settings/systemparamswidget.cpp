#include "settings/systemparamswidget.h"

#include "params/lanstr.h"
#include "params/procedures.h"
#include "params/wizardpara.h"
#include "widgets/sliderlabel.h"

#include <QGridLayout>
#include <QLabel>
#include <QSlider>

using namespace systemparams;
using pagekit::clampTo;

SystemParamsValues LoadSystemParams(const WizardPara& p)
{
    SystemParamsValues v;
    v.delay[0] = clampTo(p.detect_delay[0], 0, kDelayMax);
    v.delay[1] = clampTo(p.detect_delay[1], 0, kDelayMax);
    v.recheck = clampTo(p.front_auto_check_time, 0, kRecheckMax);
    v.filterSize = clampTo(p.minimum_size, kFilterMin, kFilterMax);
    v.area = clampTo(p.minimum_area, kAreaMin, kAreaMax);
    return v;
}

void StoreSystemParams(const SystemParamsValues& v, WizardPara& p)
{
    p.detect_delay[0] = v.delay[0];
    p.detect_delay[1] = v.delay[1];
    p.front_auto_check_time = v.recheck;
    p.minimum_size = v.filterSize;
    p.minimum_area = v.area;
}

QString ReCheckCaption(const WizardPara* live)
{
    if (live && live->procedure == ProcMultiDetect)
        return LanStr(511).arg(LanStr(476 + live->detect_count));
    return LanStr(167);
}

SystemParamsWidget::SystemParamsWidget(QWidget* parent) : BWidget(parent)
{
    setStyleSheet(QString::fromLatin1(pagekit::kPageStyle));
    const bool multi = gpWPara && gpWPara->procedure == ProcMultiDetect;
    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(100, 50, 100, 50);
    grid->setVerticalSpacing(40);
    delayRows[0] = pagekit::addSliderRow(this, grid, 0, LanStr(multi ? 508 : 161), 0, kDelayMax, 10, LanStr(540));
    delayRows[1] = pagekit::addSliderRow(this, grid, 1, LanStr(multi ? 509 : 162), 0, kDelayMax, 10, LanStr(540));
    filterRow = pagekit::addSliderRow(this, grid, 2, LanStr(22), kFilterMin, kFilterMax, 1, QString());
    areaRow = pagekit::addSliderRow(this, grid, 3, LanStr(24), kAreaMin, kAreaMax, 1, QString());
    recheckRow = pagekit::addSliderRow(this, grid, 4, LanStr(222), 0, kRecheckMax, 1, LanStr(settingstext::kTimesUnit));
    grid->setRowStretch(5, 1);
    for (const pagekit::SliderRow* r : {&delayRows[0], &delayRows[1], &filterRow, &areaRow, &recheckRow}) {
        connect(r->slider, &QSlider::valueChanged, this, &SystemParamsWidget::slotQSliderValue);
        r->value->setText(QString::number(r->slider->value()));
    }
    for (const pagekit::SliderRow* r : {&delayRows[0], &delayRows[1]})
        r->value->setText(pagekit::tenthsText(r->slider->value()));
    paraInit();
}

void SystemParamsWidget::paraInit() { setReCheckCaption(ReCheckCaption(gpWPara)); }

void SystemParamsWidget::setReCheckCaption(const QString& text) { recheckRow.caption->setText(text); }

void SystemParamsWidget::slotQSliderValue(int)
{
    auto* s = qobject_cast<QSlider*>(sender());
    for (const pagekit::SliderRow* r : {&delayRows[0], &delayRows[1]})
        if (s == r->slider)
            r->value->setText(pagekit::tenthsText(s->value()));
    for (const pagekit::SliderRow* r : {&filterRow, &areaRow, &recheckRow})
        if (s == r->slider)
            r->value->setText(QString::number(s->value()));
}

void SystemParamsWidget::WizardParaInit()
{
    const SystemParamsValues v = LoadSystemParams(*gpWParaBak);
    delayRows[0].slider->setValue(v.delay[0]);
    delayRows[1].slider->setValue(v.delay[1]);
    recheckRow.slider->setValue(v.recheck);
    filterRow.slider->setValue(v.filterSize);
    areaRow.slider->setValue(v.area);
}

SystemParamsValues SystemParamsWidget::values() const
{
    SystemParamsValues v;
    v.delay[0] = delayRows[0].slider->value();
    v.delay[1] = delayRows[1].slider->value();
    v.recheck = recheckRow.slider->value();
    v.filterSize = filterRow.slider->value();
    v.area = areaRow.slider->value();
    return v;
}

void SystemParamsWidget::accept() { StoreSystemParams(values(), *gpWParaBak); }
