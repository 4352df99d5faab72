#pragma once
// "IO parameters": machine-signal timing, the execution procedure (the
// requested detection mode), the cavity set of the two-cavity procedures, the
// doors to the multi-detection IO page and the IO names, and in
// multi-detection the initial states of the five extra outputs.
#include "settings/pagekit.h"
#include "widgets/basewidgets.h"

#include <functional>

class QButtonGroup;
class QComboBox;
class QLabel;
class QPushButton;
class QRadioButton;

namespace ioparams {
constexpr int kTimeoutMax = 10000; // seconds
constexpr int kPulseMax = 1000;    // tenths: 100.0 s
constexpr int kShortMax = 100;     // tenths: 10.0 s
} // namespace ioparams

struct IOParamsValues {
    int timeout = 0;      // seconds
    int ejectorPulse = 0; // tenths of a second
    int clampPulse = 0;
    int preCut = 0;
    int debounce = 0;
    int procedure = -1;   // -1: no procedure chosen (the stored one stays)
    int cavity = -1;      // -1: no cavity set chosen (the stored one stays)
    int initialState[5] = {}; // outputs 5 to 9, multi-detection only
};

// `multiDetect`: the procedure in force is multi-detection (the initial
// states are the page's only then).
IOParamsValues LoadIOParams(const WizardPara& p, bool multiDetect);
void StoreIOParams(const IOParamsValues& v, WizardPara& p, bool multiDetect);

class IOParamsWidget : public BWidget {
    Q_OBJECT
public:
    explicit IOParamsWidget(QWidget* parent = nullptr);
    void WizardParaInit();
    void accept();
    // The cavity row and the two IO buttons for a procedure choice.
    void showProcedureRows(int id);

    IOParamsValues values() const;
    pagekit::SliderRow timeoutRow;
    pagekit::SliderRow ejectorRow;
    pagekit::SliderRow clampRow;
    pagekit::SliderRow preCutRow;
    pagekit::SliderRow debounceRow;
    QButtonGroup* procedureGroup;
    QLabel* cavityCaption;
    QButtonGroup* cavityGroup;
    QPushButton* customIOButton;
    QPushButton* ioNameButton;
    QLabel* initialCaption;
    QComboBox* initialBoxes[5] = {}; // made only in multi-detection
    // Whether "Display factory param" is ticked now (set by the window).
    std::function<bool()> factoryShown;

public slots:
    void slotQSliderValue(int);

protected:
    void showEvent(QShowEvent* event) override;

private:
    bool multiDetect_;
};
