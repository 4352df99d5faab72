#pragma once
// Choices of the region editor that depend only on the parameter record and
// the screen state: the step it opens on and the camera it shows after a
// re-check.
#include <functional>

class WizardPara;

// The step whose regions the editor opens: the current step, moved by the
// procedure (step 0 disabled, "Two same parameters", the cavity selector)
// and, with "detect with no particular orders", by the half of the camera
// list the selected camera is in. On the alarm screen the current step.
int ChooseEditStep(int currentStep, bool alarmScreen, const WizardPara& p, int stepCount, int selectedCamera,
                   int cameraCount);

// From camera c on (c first), wrapping, the first camera that is NG; c when
// none is.
int NextNGCamera(int c, int cameraCount, const std::function<bool(int camera)>& isNG);
