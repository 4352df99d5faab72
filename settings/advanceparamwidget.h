#pragma once
// "Advanced Param": the parameter-group controls (their actions are the
// window's) and the inspection and storage limits.
#include "settings/pagekit.h"

#include <QWidget>

class BLineEdit;
class QComboBox;
class QPushButton;

namespace advanceparams {
// Sliders in grid order: caption row, range, field.
struct SliderField {
    int captionRow;
    int min;
    int max;
    int32_t& (*field)(WizardPara&);
};
const std::vector<SliderField>& Sliders();
constexpr int kScreenOff = 4; // grid row of "Scr Off": 0 or at least 10 s
} // namespace advanceparams

// Slider values in grid order.
using AdvanceParamValues = std::vector<int>;

// A screen-off time of 1 to 9 s becomes 10 (0 stays: never).
int ScreenOffValue(int seconds);
AdvanceParamValues LoadAdvanceParam(const WizardPara& p);
void StoreAdvanceParam(const AdvanceParamValues& v, WizardPara& p);

class AdvanceparamWidget : public QWidget {
    Q_OBJECT
public:
    explicit AdvanceparamWidget(QWidget* parent = nullptr);
    void WizardParaInit();
    void accept();

    AdvanceParamValues values() const;
    std::vector<pagekit::SliderRow> rows;
    BLineEdit* groupName;
    QComboBox* groupList;
    QPushButton* backupButton;
    QPushButton* restoreButton;
    QPushButton* deleteButton;

public slots:
    void slotQSliderValue(int);
};
