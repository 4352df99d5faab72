#pragma once
// "Advanced features": display, protection, image and log switches, the raw
// image switch of the running program, and the maintenance buttons (their
// actions are the window's). "Display factory param" also decides what the
// factory rows of other pages show.
#include "settings/pagekit.h"

#include <QWidget>
#include <vector>

class CheckBox;
class QPushButton;

namespace advancefunctions {
// The thirteen record switches in grid order, left then right of each row;
// the fourteenth switch, "Save all as test images", is kRawImages.
const std::vector<pagekit::SwitchField>& Switches();
constexpr int kFactory = 0;
constexpr int kRawImagesRow = 201;
} // namespace advancefunctions

struct AdvanceFuncValues {
    std::vector<bool> switches; // order of Switches()
    bool rawImages = false;     // not a record field: the running program's switch
};

AdvanceFuncValues LoadAdvanceFunc(const WizardPara& p, bool rawImages);
// Stores the record switches; returns the raw-image switch for the program.
bool StoreAdvanceFunc(const AdvanceFuncValues& v, WizardPara& p);

class AdvanceFuncWidget : public QWidget {
    Q_OBJECT
public:
    explicit AdvanceFuncWidget(QWidget* parent = nullptr);
    void WizardParaInit();
    // Stores the record switches; the raw-image switch waits for the apply
    // step, which puts it in force only with a save that was made (or when
    // there is nothing to save), then calls rawImagesSettled().
    void accept();

    AdvanceFuncValues values() const;
    bool factoryParamShown() const;
    bool rawImagesWanted() const;
    // The wish is taken or dropped: the switch shows the program's again.
    void rawImagesSettled();

    std::vector<CheckBox*> boxes; // order of Switches()
    CheckBox* rawImagesBox;
    QPushButton* updateButton;
    QPushButton* timeButton;
    QPushButton* calibrationButton;
    QPushButton* exportButton;
    QPushButton* factoryResetButton;
    QPushButton* exitButton;     // built hidden
    QPushButton* hardwareButton; // built hidden, in no layout

private:
    int rawPending_ = -1; // the switch as accept() stored it, until settled
};
