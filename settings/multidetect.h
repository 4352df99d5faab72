#pragma once
// The rules of the multi-detection IO page without its widgets. A machine
// cycle has 2 to 8 detection steps; each of up to eight lines (trigger
// choices) names a trigger input slot, claims one or more steps and has a
// cut mode. Claims rise down the lines, trigger slots never go backwards down
// the lines, and a step belongs to at most one line.
//
// Each step box of a line is open (may be ticked) or locked (unticked and not
// checkable). A tick at (line r, step k) locks, above r, the steps k and
// later and, below r, the steps up to k; removing a tick opens that region
// again and then locks again what the remaining ticks need.
#include <QString>

class WizardPara;

namespace multidetect {
constexpr int kLines = 8;
constexpr int kSteps = 8;
constexpr int kMinSteps = 2;
constexpr int kInputNames = 16;  // gInName
constexpr int kOutputNames = 14; // gOutName
constexpr int kCutModes = 3;     // Cut All, Cut self, Not Cut
} // namespace multidetect

class MultiDetectModel {
public:
    MultiDetectModel();

    // Loads the page from a record (the live one at start-up). Values that
    // cannot be indexes are repaired: a step count outside 2..8 becomes 2,
    // a trigger slot outside 0..7 becomes 0, a cut mode outside 0..2 becomes
    // 0, a name index outside its table becomes -1 (no name), and a claim that names no
    // line, or a hidden step or line, is dropped.
    void load(const WizardPara& p);
    // The custom-name indexes alone (repaired the same way).
    void loadNames(const WizardPara& p);

    // A new number of steps (2..8): every shown line offers the trigger
    // slots from the previous line's slot on, and the ticks are rebuilt from
    // the claims, releasing those of hidden steps or lines.
    void setStepCount(int n);
    int stepCount() const { return stepCount_; }

    // A finger on box k of line r: an open box toggles. False when nothing
    // changed (a locked or hidden box).
    bool click(int r, int k);
    // The trigger slot chosen in line r's list; every following line then
    // offers slots from it on, and a line whose slot was below moves up.
    void chooseTrigger(int r, int slot);
    void setCutMode(int r, int mode);
    // Releases every claim; trigger slots and cut modes stay.
    void reset();

    bool lastStepClaimed() const { return stepChoice_[stepCount_ - 1] != -1; }
    // Writes count, claims, trigger slots and cut modes (all eight of each)
    // into the record; false, and nothing written, while the last step is
    // not claimed.
    bool store(WizardPara& p) const;
    void storeNames(WizardPara& p) const;

    bool ticked(int r, int k) const { return ticked_[r][k]; }
    bool isOpen(int r, int k) const { return open_[r][k]; }
    int stepChoice(int k) const { return stepChoice_[k]; }
    int trigger(int r) const { return trigger_[r]; }
    int triggerBase(int r) const { return triggerBase_[r]; }
    int cutMode(int r) const { return cutMode_[r]; }

    // Custom names: per trigger input slot an index into gInName, per output
    // slot one into gOutName.
    int inputNameIndex[multidetect::kLines];
    int outputNameIndex[multidetect::kLines];
    void setInputName(int slot, int index);
    void setOutputName(int slot, int index);
    // The name of a trigger input slot in the current language.
    QString inputName(int slot) const;
    // The caption of step box k: the name of the output its step drives
    // (output slot k + 1, the last step output slot 0).
    QString stepName(int k) const;
    // The output slot the step drives.
    int outputSlotOfStep(int k) const { return k == stepCount_ - 1 ? 0 : k + 1; }

    // The boxes of the shown lines, one text per line: 'X' ticked, 'o' open,
    // '-' locked (tests and logs).
    QString matrix() const;

private:
    void setIONum(int r, int n, int base);
    void followTrigger(int r, int base);
    void resetOutput();
    // Box k of line r opened, or locked (a ticked box is unticked first, and
    // that release handled).
    void setOpen(int r, int k, bool open);
    // Ticks or unticks as a program would, the handling running.
    void setTicked(int r, int k, bool on);
    void stateChanged(int r, int k, bool on);
    void applyLocks(int r, int k, bool on);

    int stepCount_ = multidetect::kSteps;
    bool ticked_[multidetect::kLines][multidetect::kSteps];
    bool open_[multidetect::kLines][multidetect::kSteps];
    int stepChoice_[multidetect::kSteps];
    int cutMode_[multidetect::kLines];
    int trigger_[multidetect::kLines];
    int triggerBase_[multidetect::kLines];
};
