#pragma once
// "Camera function": camera features and the inspection methods regions may
// use. A factory page: its switches show only while "Display factory param"
// is ticked on the advanced functions page.
#include "settings/pagekit.h"
#include "widgets/basewidgets.h"

#include <functional>
#include <vector>

class CheckBox;
class QLabel;

namespace camerafunctions {
// The fifteen switches: left column lines 1-8, then right column lines 1-7.
const std::vector<pagekit::SwitchField>& Switches();
constexpr int kAutoShading = 0;      // index of "Automatic shading"
constexpr int kDisplayDetail = 10;   // index of "Display all the parameters"
constexpr int kExternalTrigger = 2;  // index of "Use External Trigger"
} // namespace camerafunctions

// Ticked states in the order of Switches().
using CameraFunctionsValues = std::vector<bool>;

CameraFunctionsValues LoadCameraFunctions(const WizardPara& p);
// Stores the switches; the detail display is forced on while the spot
// method or an area or count method is on. Returns the stored state of
// "Display all the parameters".
bool StoreCameraFunctions(const CameraFunctionsValues& v, WizardPara& p);

class CameraFunctionsWidget : public BWidget {
    Q_OBJECT
public:
    explicit CameraFunctionsWidget(QWidget* parent = nullptr);
    void WizardParaInit();
    void accept();

    CameraFunctionsValues values() const;
    std::vector<CheckBox*> boxes;
    std::vector<QLabel*> captions;
    CheckBox* autoShadingBox() const { return boxes[camerafunctions::kAutoShading]; }
    // Whether "Display factory param" is ticked now (set by the window).
    std::function<bool()> factoryShown;

protected:
    void showEvent(QShowEvent* event) override;
};
