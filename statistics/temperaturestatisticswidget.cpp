#include "statistics/temperaturestatisticswidget.h"

#include "params/lanstr.h"
#include "params/wizardpara.h"
#include "statistics/statisticsmath.h"
#include "widgets/kitstyle.h"
#include "widgets/msgbox.h"
#include "widgets/valuerows.h"

#include <QGridLayout>
#include <algorithm>

namespace {
constexpr int kRowTitle = 1325; // "温度%1"
constexpr int kRowParamsNotSaved = 1560;
} // namespace

TemperatureStatisticsWidget::TemperatureStatisticsWidget(QWidget* parent) : QWidget(parent)
{
    setFont(kitPointFont(QStringLiteral("wqy-microhei"), 32));
    auto* grid = new QGridLayout(this);
    grid->setRowStretch(0, 1);
    grid->setRowStretch(5, 1);
    grid->setContentsMargins(10, 10, 10, 10);
    for (int c = 0; c < 2; ++c) {
        for (int i = 0; i < 4; ++i) {
            const int k = 4 * c + i;
            auto* box = new EditTempBox(0, 1000, 0, 1000, this, LanStr(kRowTitle).arg(k + 1),
                                        QStringLiteral("℃"), 2, 10);
            if (gpWPara)
                box->setValueRange(gpWPara->temp_alarm_min[k], gpWPara->temp_alarm_max[k]);
            box->setFixedSize(360, 50);
            box->setFont(font());
            grid->addWidget(box, i + 1, c, Qt::AlignCenter);
            tempBoxes[k] = box;
        }
    }
}

void TemperatureStatisticsWidget::showEvent(QShowEvent* event)
{
    if (gpWPara && !unsaved_)
        for (int k = 0; k < 8; ++k)
            tempBoxes[k]->setValueRange(gpWPara->temp_alarm_min[k], gpWPara->temp_alarm_max[k]);
    QWidget::showEvent(event);
}

void TemperatureStatisticsWidget::hideEvent(QHideEvent* event)
{
    if (gpWPara) {
        const WizardPara before = *gpWPara;
        for (int k = 0; k < 8; ++k) {
            gpWPara->temp_alarm_min[k] = tempBoxes[k]->getMinValue();
            gpWPara->temp_alarm_max[k] = tempBoxes[k]->getMaxValue();
        }
        // A refused save leaves the record as the disk has it; the boxes keep
        // the typed limits, and the next leaving tries again.
        unsaved_ = !gpWPara->SaveDatatoFile();
        if (unsaved_) {
            std::copy(before.temp_alarm_min, before.temp_alarm_min + 8, gpWPara->temp_alarm_min);
            std::copy(before.temp_alarm_max, before.temp_alarm_max + 8, gpWPara->temp_alarm_max);
            showWarnBox(LanStr(kRowParamsNotSaved));
        }
    }
    QWidget::hideEvent(event);
}

void TemperatureStatisticsWidget::updateTemp(const float* temperatures)
{
    for (int k = 0; k < 8; ++k)
        tempBoxes[k]->setValue(stats::temperatureTenths(temperatures[k]));
}

bool TemperatureStatisticsWidget::judgeTemperature() const
{
    for (EditTempBox* box : tempBoxes)
        if (!box->judgeValue())
            return true;
    return false;
}
