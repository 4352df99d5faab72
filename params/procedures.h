#pragma once
// Execution procedures: the fixed machine-signal names and the input and
// output numbering of the multi-detection procedure.
#include <QString>

class WizardPara;

enum Procedure {
    ProcStandard = 0,
    ProcTwoColor = 1,
    ProcTurntable = 2,
    ProcAutoParts = 3,
    ProcMultiDetect = 4,
    ProcStandardNoRecheck = 5,
};

// Trigger entry that stands for either of the procedure's two mold inputs.
constexpr int kEitherMoldInput = 255;

extern const char* const gInName[16][3];
extern const char* const gOutName[14][3];
extern const int TriginNo[8];
extern const int OutputNo[8];

// Names of the machine signals in the current language; empty outside the tables.
QString InName(int row);
QString OutName(int row);

// Fills gaName from "name.txt" when it exists, else by procedure (load step 5).
void FillDisplayNames(const WizardPara& p);
// The procedure-4 part of the display names (also rebuilt by the settings window).
void FillMultiDetectNames(const WizardPara& p);
