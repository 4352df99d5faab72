#pragma once
// The apply step's work on the two records, apart from the window: which
// fields changed, the check that some inspection method is on, the rebuild
// of the detection steps for the requested procedure, the re-application to
// the cameras and the retraining. Everything outside the records goes through
// settingshost.
#include <QString>

class WizardPara;

// True when at least one inspection method is enabled.
bool AnyMethodEnabled(const WizardPara& p);

// What differed between the live record and the edit copy when the pages had
// stored themselves (taken before anything changes).
struct ApplyChanges {
    bool exposure[8] = {};
    bool gain[8] = {};
    bool sharp[8] = {};
    bool contrast[8] = {};
    bool gamma[8] = {};
    bool positioning = false; // motion correction, or else the angle
    bool autoExposure = false; // auto exposure or automatic shading
    bool productDetect = false;
    bool twoSame = false;
    bool maxTemplates = false;
    bool ngImages = false;
    bool okImages = false;
    bool amplify = false;
    bool speed = false;
    bool serialPort = false;
    bool colour = false;
    bool grayChannel = false;
    bool optimize = false;
    bool externalTrigger = false;
    bool snapShot = false;
    bool cavity = false;
    bool procedureRequested = false;
    bool offset = false;
};

ApplyChanges CaptureChanges(const WizardPara& live, const WizardPara& edit);

// The procedure fields of the edit copy for its requested procedure, against
// the procedure in force (the live record). A change to or from
// multi-detection waits for the next start; within multi-detection a new step
// count takes effect at once (cycle state, region editor, training, names).
// Without `act` only the fields of the edit copy change (the record to save).
void RebuildMode(WizardPara& edit, const WizardPara& live, bool act = true);

// After a declined apply: each camera whose values the live tuning changed
// gets its saved values back.
void RestoreCameras(const ApplyChanges& c);

// After a saved apply (the record now live): trigger mode, speed and the
// retraining the changed fields need.
void ReapplyCameras(const ApplyChanges& c, const WizardPara& live);

// The restart notes of a saved apply, in order (empty when none).
QStringList RestartNotes(const ApplyChanges& c);
