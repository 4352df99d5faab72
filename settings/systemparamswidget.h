#pragma once
// "System Param": the delays of the first two detection steps, the automatic
// re-checks of the mold step and the two size filters of the inspection.
#include "settings/pagekit.h"
#include "widgets/basewidgets.h"

class QLabel;

// The page's values as its sliders hold them.
struct SystemParamsValues {
    int delay[2] = {};   // tenths of a second
    int recheck = 0;
    int filterSize = 1;
    int area = 0;
};

namespace systemparams {
constexpr int kDelayMax = 1000; // 100.0 s
constexpr int kRecheckMax = 10;
constexpr int kFilterMin = 1;
constexpr int kFilterMax = 10;
// The loader takes no area below 1 (nor gamma or template count below 1):
// a page that offered 0 would see it replaced at the next start.
constexpr int kAreaMin = 1;
constexpr int kAreaMax = 1000;
} // namespace systemparams

// From the edit copy, clamped to the sliders' ranges.
SystemParamsValues LoadSystemParams(const WizardPara& p);
void StoreSystemParams(const SystemParamsValues& v, WizardPara& p);
// The re-check caption for the procedure in force when the page is built.
QString ReCheckCaption(const WizardPara* live);

class SystemParamsWidget : public BWidget {
    Q_OBJECT
public:
    explicit SystemParamsWidget(QWidget* parent = nullptr);
    void WizardParaInit();
    void accept();
    void setReCheckCaption(const QString& text);

    SystemParamsValues values() const;
    pagekit::SliderRow delayRows[2];
    pagekit::SliderRow filterRow;
    pagekit::SliderRow areaRow;
    pagekit::SliderRow recheckRow;

public slots:
    void slotQSliderValue(int);

private:
    void paraInit();
};
