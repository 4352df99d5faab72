#pragma once
// What the settings pages share: slider rows with their value labels, switch
// rows, option groups that keep the stored value when nothing is chosen, and
// the number formats of the value labels.
#include <QString>
#include <cstdint>

class BlineLabel;
class CheckBox;
class QAbstractButton;
class QButtonGroup;
class QGridLayout;
class QLabel;
class QSlider;
class QWidget;
class WizardPara;

namespace pagekit {

constexpr const char* kPageStyle = "QLabel{font-size:22px;color:#656263;}";
constexpr const char* kValueStyle =
    "font-size:32px;color:#1f3f8d;border-width:0px 0px 2px 0px;border-style:solid;border-color:#1f3f8d;";
constexpr const char* kUnitStyle = "font-size:16px;color:#656263;";

// A value in tenths shown in units: 15 -> "1.5", 10 -> "1", 0 -> "0".
QString tenthsText(int tenths);
int clampTo(int v, int lo, int hi);

// A switch bound to one 0/1 field of the record (any non-zero value ticks).
struct SwitchField {
    int captionRow;
    int32_t& (*field)(WizardPara&);
};

struct SliderRow {
    QLabel* caption = nullptr;
    QSlider* slider = nullptr;
    BlineLabel* value = nullptr;
    QLabel* unit = nullptr;
};

// Caption, slider (fixed width 600), value label and unit label in grid row
// `row`. `scale` is the slider steps per shown unit (10 for tenths), so a
// typed value lands in the unit the field is stored in.
SliderRow addSliderRow(QWidget* page, QGridLayout* grid, int row, const QString& caption, int min, int max,
                       int scale, const QString& unit);

// The checked button's id, or `keep` when the group has none checked.
int checkedIdOr(const QButtonGroup* group, int keep);
// Checks the button with this id; for any other id no button stays checked.
void selectId(QButtonGroup* group, int id);

} // namespace pagekit

#define PAGE_FIELD(expr) [](WizardPara& p) -> int32_t& { return p.expr; }

// Texts the settings pages added to the table.
namespace settingstext {
constexpr int kTimesUnit = 900;     // unit of the re-check count
constexpr int kPiecesUnit = 901;    // unit of the minimum spot
constexpr int kPasswordTitle = 902; // keypad title of the password fields
constexpr int kPasswordHint = 903;  // keypad hint of the password fields
constexpr int kConfirmLabel = 904;  // before the second password field
constexpr int kSimplifiedChinese = 905; // the language buttons
constexpr int kTraditionalChinese = 906;
constexpr int kEnglish = 907;
} // namespace settingstext
