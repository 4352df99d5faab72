#include "settings/multidetect.h"

#include "params/procedures.h"
#include "params/wizardpara.h"

#include <QStringList>
#include <algorithm>

using namespace multidetect;

namespace {

int inRangeOr(int v, int lo, int hi, int fallback) { return v >= lo && v <= hi ? v : fallback; }

} // namespace

MultiDetectModel::MultiDetectModel()
{
    for (int r = 0; r < kLines; ++r) {
        for (int k = 0; k < kSteps; ++k) {
            ticked_[r][k] = false;
            open_[r][k] = true;
        }
        cutMode_[r] = 0;
        trigger_[r] = 0;
        triggerBase_[r] = 0;
        inputNameIndex[r] = 0;
        outputNameIndex[r] = 0;
    }
    for (int k = 0; k < kSteps; ++k)
        stepChoice_[k] = -1;
}

void MultiDetectModel::loadNames(const WizardPara& p)
{
    for (int j = 0; j < kLines; ++j) {
        setInputName(j, p.input_name_index[j]);
        setOutputName(j, p.output_name_index[j]);
    }
}

void MultiDetectModel::load(const WizardPara& p)
{
    loadNames(p);
    const int n = inRangeOr(p.detect_count, kMinSteps, kSteps, kMinSteps);
    for (int r = 0; r < kLines; ++r)
        for (int k = 0; k < kSteps; ++k) {
            ticked_[r][k] = false;
            open_[r][k] = true;
        }
    for (int k = 0; k < kSteps; ++k) {
        const int choice = p.output_row[k];
        // A claim of a hidden step or by a hidden line would tick a box the
        // operator cannot see (and lock shown ones with it).
        stepChoice_[k] = choice >= 0 && choice < n && k < n ? choice : -1;
        cutMode_[k] = inRangeOr(p.row_cut_mode[k], 0, kCutModes - 1, 0);
        trigger_[k] = inRangeOr(p.row_trigger[k], 0, kLines - 1, 0);
        triggerBase_[k] = 0;
    }
    setStepCount(n);
}

void MultiDetectModel::setInputName(int slot, int index)
{
    if (slot >= 0 && slot < kLines)
        inputNameIndex[slot] = inRangeOr(index, 0, kInputNames - 1, -1);
}

void MultiDetectModel::setOutputName(int slot, int index)
{
    if (slot >= 0 && slot < kLines)
        outputNameIndex[slot] = inRangeOr(index, 0, kOutputNames - 1, -1);
}

QString MultiDetectModel::inputName(int slot) const
{
    return slot >= 0 && slot < kLines ? InName(inputNameIndex[slot]) : QString();
}

QString MultiDetectModel::stepName(int k) const
{
    if (k < 0 || k >= kSteps)
        return QString();
    return OutName(outputNameIndex[outputSlotOfStep(k)]);
}

// ---- step count and trigger slots ------------------------------------------------

void MultiDetectModel::setStepCount(int n)
{
    stepCount_ = std::clamp(n, kMinSteps, kSteps);
    for (int r = 0; r < stepCount_; ++r)
        setIONum(r, stepCount_, r == 0 ? 0 : trigger_[r - 1]);
    resetOutput();
}

void MultiDetectModel::setIONum(int r, int n, int base)
{
    if (base < n) {
        triggerBase_[r] = base;
        // A stored slot below the offered ones moves up to the first of them.
        trigger_[r] = std::clamp(trigger_[r], base, n - 1);
    } else {
        triggerBase_[r] = trigger_[r] = n - 1;
    }
}

void MultiDetectModel::chooseTrigger(int r, int slot)
{
    if (r < 0 || r >= kLines)
        return;
    trigger_[r] = std::clamp(slot, triggerBase_[r], std::max(triggerBase_[r], stepCount_ - 1));
    if (r < kLines - 1)
        followTrigger(r + 1, trigger_[r]);
}

void MultiDetectModel::followTrigger(int r, int base)
{
    triggerBase_[r] = base;
    trigger_[r] = std::clamp(trigger_[r], base, std::max(base, stepCount_ - 1));
    if (r < kLines - 1)
        followTrigger(r + 1, trigger_[r]);
}

void MultiDetectModel::setCutMode(int r, int mode)
{
    if (r >= 0 && r < kLines && mode >= 0 && mode < kCutModes)
        cutMode_[r] = mode;
}

// ---- ticks and locks --------------------------------------------------------------

void MultiDetectModel::setOpen(int r, int k, bool open)
{
    if (open) {
        open_[r][k] = true;
        return;
    }
    if (ticked_[r][k])
        setTicked(r, k, false);
    open_[r][k] = false;
}

void MultiDetectModel::setTicked(int r, int k, bool on)
{
    if (ticked_[r][k] == on)
        return;
    if (on && !open_[r][k])
        return; // a locked box takes no tick
    ticked_[r][k] = on;
    stateChanged(r, k, on);
}

void MultiDetectModel::stateChanged(int r, int k, bool on)
{
    stepChoice_[k] = on ? r : -1;
    applyLocks(r, k, on);
}

void MultiDetectModel::applyLocks(int r, int k, bool on)
{
    const int n = stepCount_;
    for (int i = 0; i < n; ++i) {
        if (i < r)
            for (int c = k; c < n; ++c)
                setOpen(i, c, !on);
        else if (i > r)
            for (int c = 0; c <= k && c < kSteps; ++c)
                setOpen(i, c, !on);
    }
    if (on)
        return;
    // The claims that remain lock their regions again.
    for (int j = 0; j < n; ++j)
        for (int c = 0; c < n; ++c) {
            if (!ticked_[j][c])
                continue;
            for (int i = 0; i < j; ++i)
                for (int cc = c; cc < n; ++cc)
                    setOpen(i, cc, false);
            for (int i = j + 1; i < n; ++i)
                for (int cc = 0; cc <= c; ++cc)
                    setOpen(i, cc, false);
        }
}

bool MultiDetectModel::click(int r, int k)
{
    if (r < 0 || r >= stepCount_ || k < 0 || k >= stepCount_ || !open_[r][k])
        return false;
    setTicked(r, k, !ticked_[r][k]);
    return true;
}

void MultiDetectModel::resetOutput()
{
    const int n = stepCount_;
    for (int r = 0; r < kLines; ++r)
        for (int k = 0; k < kSteps; ++k) {
            if (std::max(r, k) < n) {
                // Quietly: the claim stays and is ticked again below.
                open_[r][k] = true;
                ticked_[r][k] = false;
            } else {
                open_[r][k] = true;
                setTicked(r, k, false); // a tick out there releases its step
            }
        }
    for (int k = 0; k < kSteps; ++k) {
        const int r = stepChoice_[k];
        if (r < 0)
            continue;
        setTicked(r, k, true);
        // A claim that the others' locks refuse (stored out of order) is
        // released rather than kept unseen.
        if (!ticked_[r][k])
            stepChoice_[k] = -1;
    }
}

void MultiDetectModel::reset()
{
    for (int r = 0; r < kLines; ++r)
        for (int k = 0; k < kSteps; ++k) {
            open_[r][k] = true;
            setTicked(r, k, false);
        }
}

// ---- confirming ---------------------------------------------------------------------

bool MultiDetectModel::store(WizardPara& p) const
{
    if (!lastStepClaimed())
        return false;
    p.detect_count = stepCount_;
    for (int k = 0; k < kSteps; ++k) {
        p.row_trigger[k] = trigger_[k];
        p.output_row[k] = stepChoice_[k];
        p.row_cut_mode[k] = cutMode_[k];
    }
    return true;
}

void MultiDetectModel::storeNames(WizardPara& p) const
{
    for (int j = 0; j < kLines; ++j) {
        p.input_name_index[j] = inputNameIndex[j];
        p.output_name_index[j] = outputNameIndex[j];
    }
}

QString MultiDetectModel::matrix() const
{
    QStringList lines;
    for (int r = 0; r < stepCount_; ++r) {
        QString line;
        for (int k = 0; k < stepCount_; ++k)
            line += ticked_[r][k] ? QLatin1Char('X') : open_[r][k] ? QLatin1Char('o') : QLatin1Char('-');
        lines << line;
    }
    return lines.join(QLatin1Char(' '));
}
