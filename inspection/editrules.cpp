#include "inspection/editrules.h"

#include "params/procedures.h"
#include "params/wizardpara.h"

int ChooseEditStep(int currentStep, bool alarmScreen, const WizardPara& p, int stepCount, int selectedCamera,
                   int cameraCount)
{
    int e = currentStep;
    if (alarmScreen)
        return e;
    const bool P = p.step_enabled[0] != 0;
    const bool S = p.enabe_two_test != 0;
    const int K = p.cavity_position;
    switch (p.procedure) {
    case ProcStandard:
    case ProcAutoParts:
    case ProcStandardNoRecheck:
        if (!P)
            e = 1;
        else if (S)
            e = 0;
        break;
    case ProcMultiDetect:
        if (e == 0 && !P)
            e = 1;
        break;
    case ProcTwoColor:
    case ProcTurntable: {
        // Steps 0 left product, 1 left mold, 2 right product, 3 right mold.
        int t = e;
        if (t >= 2 && (S || K == 0))
            t -= 2;
        if (K == 1 && t <= 1) {
            t = P ? 2 : 3;
            if (t >= stepCount)
                t = 0;
        } else {
            if (t % 2 == 0 && !P)
                t += 1;
            if (t < 0 || t >= stepCount)
                t = 0;
        }
        e = t;
        break;
    }
    default:
        break;
    }
    if (p.detect_any_order) {
        // Cameras in the second half of the list edit the mold step, those
        // in the first half the product step (no camera counts as the first).
        const int half = cameraCount > 0 ? (2 * selectedCamera) / cameraCount : 0;
        if (e == 0 && half != 0)
            e = 1;
        else if (e == 1 && half == 0)
            e = 0;
    }
    return e;
}

int NextNGCamera(int c, int cameraCount, const std::function<bool(int)>& isNG)
{
    for (int i = 0; i < cameraCount; ++i) {
        const int k = (c + i) % cameraCount;
        if (isNG(k))
            return k;
    }
    return c;
}
