#pragma once
// "IO function": the machine-signal switches, the uses of the spare fourth
// input and output, and (factory rows) the initial states of outputs 1 to 4.
#include "settings/pagekit.h"
#include "widgets/basewidgets.h"

#include <functional>
#include <vector>

class CheckBox;
class QButtonGroup;
class QLabel;

namespace iofunctions {
// The thirteen switches in grid order, left then right of each row.
const std::vector<pagekit::SwitchField>& Switches();
// The six option groups: spare input, spare output, initial states of
// outputs 1, 2, alarm and 4 (button id = stored value).
const std::vector<pagekit::SwitchField>& Groups();
} // namespace iofunctions

struct IOFunctionsValues {
    std::vector<bool> switches; // order of Switches()
    std::vector<int> groups;    // order of Groups(); -1: nothing chosen, the stored value stays
};

IOFunctionsValues LoadIOFunctions(const WizardPara& p);
void StoreIOFunctions(const IOFunctionsValues& v, WizardPara& p);

class IOFunctionsWidget : public BWidget {
    Q_OBJECT
public:
    explicit IOFunctionsWidget(QWidget* parent = nullptr);
    void WizardParaInit();
    void accept();

    IOFunctionsValues values() const;
    std::vector<CheckBox*> boxes;
    std::vector<QButtonGroup*> groups;
    std::vector<QWidget*> initialStateRows; // captions and buttons of the four initial states
    std::function<bool()> factoryShown;

protected:
    void showEvent(QShowEvent* event) override;
};
