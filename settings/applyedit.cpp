#include "settings/applyedit.h"

#include "params/lanstr.h"
#include "params/procedures.h"
#include "params/wizardpara.h"
#include "settings/settingshost.h"

#include <QStringList>
#include <algorithm>

using settingshost::CameraOp;

bool AnyMethodEnabled(const WizardPara& p)
{
    return p.enable_defect_detect || p.enable_spot_detect || p.enable_black_area || p.enable_white_area
        || p.enable_white_num || p.enable_similarity || p.enable_direction_check;
}

ApplyChanges CaptureChanges(const WizardPara& live, const WizardPara& edit)
{
    ApplyChanges c;
    for (int i = 0; i < 8; ++i) {
        c.exposure[i] = live.expose_time[i] != edit.expose_time[i];
        c.gain[i] = live.adjust_plus[i] != edit.adjust_plus[i];
        c.sharp[i] = live.sharp[i] != edit.sharp[i];
        c.contrast[i] = live.contrast[i] != edit.contrast[i];
        c.gamma[i] = live.gamma[i] != edit.gamma[i];
    }
    c.positioning = live.enable_correct != edit.enable_correct || live.rotate_angle != edit.rotate_angle;
    c.autoExposure = live.auto_exposure != edit.auto_exposure || live.auto_shading != edit.auto_shading;
    c.productDetect = live.detect_product != edit.detect_product;
    c.twoSame = live.enabe_two_test != edit.enabe_two_test;
    c.maxTemplates = live.max_mold_num != edit.max_mold_num;
    c.ngImages = live.ng_max_num != edit.ng_max_num;
    c.okImages = live.ok_record_max_num != edit.ok_record_max_num;
    c.amplify = live.difference_multiplier != edit.difference_multiplier;
    c.speed = live.capture_speed != edit.capture_speed;
    c.serialPort = live.serial_port != edit.serial_port;
    c.colour = live.enable_color_camera != edit.enable_color_camera;
    c.grayChannel = live.enable_gray_channel != edit.enable_gray_channel;
    c.optimize = live.prohibit_optimize != edit.prohibit_optimize;
    c.externalTrigger = live.use_external_trigger != edit.use_external_trigger;
    c.snapShot = live.snap_shot != edit.snap_shot;
    c.cavity = live.cavity_position != edit.cavity_position;
    c.procedureRequested = live.procedure_requested != edit.procedure_requested;
    c.offset = live.location_adge != edit.location_adge;
    return c;
}

namespace {

void rebuildMultiDetect(WizardPara& edit, bool act)
{
    const int n = std::clamp(int(edit.detect_count), 1, 8);
    if (act && n != gDNum) {
        settingshost::changeDetectNum(n);
        settingshost::resetSteps(n, edit);
    }
    for (int k = 0; k < 8; ++k) {
        if (k < n)
            edit.step_row[k] = edit.output_row[k];
        const int row = k < n ? edit.output_row[k] : -1;
        // A choice or trigger slot outside the tables leaves the step off.
        const bool valid = row >= 0 && row < 8 && edit.row_trigger[row] >= 0 && edit.row_trigger[row] < 8;
        if (valid && (k > 0 || edit.detect_product)) {
            edit.step_enabled[k] = 1;
            edit.step_trigger_input[k] = TriginNo[edit.row_trigger[row]] - 1;
        } else {
            edit.step_enabled[k] = 0;
            edit.step_trigger_input[k] = -1;
        }
    }
    if (!act)
        return;
    gDNum = n;
    for (int slot : settingshost::usedSlots()) {
        for (int s = 0; s < gDNum; ++s) {
            if (!edit.step_enabled[s])
                continue;
            settingshost::cameraOp(slot, CameraOp::CreateShape, s);
            settingshost::cameraOp(slot, CameraOp::VarTrain, s);
        }
    }
    FillMultiDetectNames(edit);
}

void setSelector(int v)
{
    if (gpLeftMoldActive)
        *gpLeftMoldActive = v;
}

} // namespace

void RebuildMode(WizardPara& edit, const WizardPara& live, bool act)
{
    const int req = edit.procedure_requested;
    const int cur = live.procedure;
    if (req == ProcMultiDetect && cur == ProcMultiDetect) {
        rebuildMultiDetect(edit, act);
        return;
    }
    if (req == ProcMultiDetect || cur == ProcMultiDetect)
        return; // the next start derives the steps from the saved request
    edit.procedure = req;
    switch (req) {
    case ProcStandard:
    case ProcAutoParts:
    case ProcStandardNoRecheck:
        edit.step_enabled[0] = edit.detect_product;
        edit.step_enabled[1] = 1;
        edit.step_trigger_input[0] = 0;
        edit.step_trigger_input[1] = edit.semi_auto ? 2 : 0;
        for (int i = 4; i <= 7; ++i)
            edit.output_initial_state[i] = edit.enable_stop_not_alarm ? 0 : 1;
        if (req == ProcStandardNoRecheck)
            edit.front_auto_check_time = 0;
        break;
    case ProcTwoColor:
    case ProcTurntable: {
        const int p = edit.detect_product ? 1 : 0;
        const bool turntable = req == ProcTurntable;
        const int semi = edit.semi_auto ? 2 : -1;
        int e[4];
        int first, second;
        if (edit.cavity_position == 0) {
            e[0] = p, e[1] = 1, e[2] = 0, e[3] = 0;
            if (act)
                setSelector(1);
            first = 0;
            second = turntable ? (semi >= 0 ? semi : 0) : 2;
        } else if (edit.cavity_position == 1) {
            e[0] = 0, e[1] = 0, e[2] = p, e[3] = 1;
            if (act)
                setSelector(0);
            first = turntable ? 3 : 0;
            second = turntable ? (semi >= 0 ? semi : 3) : 3;
        } else {
            e[0] = p, e[1] = 1, e[2] = p, e[3] = 1;
            first = turntable ? kEitherMoldInput : 0;
            second = turntable ? (semi >= 0 ? semi : kEitherMoldInput) : kEitherMoldInput;
        }
        std::copy(e, e + 4, edit.step_enabled);
        edit.step_trigger_input[0] = first;
        edit.step_trigger_input[1] = second;
        break;
    }
    default:
        break;
    }
}

void RestoreCameras(const ApplyChanges& c)
{
    for (int k = 0; k < 8; ++k) {
        if (c.exposure[k] || c.autoExposure)
            settingshost::cameraOp(k, CameraOp::Expose);
        if (c.gain[k])
            settingshost::cameraOp(k, CameraOp::Gain);
        if (c.sharp[k])
            settingshost::cameraOp(k, CameraOp::Sharp);
        if (c.contrast[k])
            settingshost::cameraOp(k, CameraOp::Contrast);
        if (c.gamma[k])
            settingshost::cameraOp(k, CameraOp::Gamma);
    }
}

void ReapplyCameras(const ApplyChanges& c, const WizardPara& live)
{
    const std::vector<int> inUse = settingshost::usedSlots();
    if (c.externalTrigger)
        for (int slot : inUse)
            settingshost::cameraOp(slot, CameraOp::ChangeTrig);
    if (c.speed)
        settingshost::setSpeed();

    auto eachEnabledStep = [&](int slot, auto&& act) {
        for (int s = 0; s < gDNum && s < 8; ++s)
            if (live.step_enabled[s])
                act(slot, s);
    };
    if (c.cavity || c.offset || c.positioning)
        for (int slot : inUse)
            eachEnabledStep(slot, [](int sl, int s) { settingshost::cameraOp(sl, CameraOp::CreateShape, s); });

    if (c.productDetect || c.twoSame || c.cavity) {
        const int mode = live.procedure;
        const bool twoStepMode = mode == ProcStandard || mode == ProcAutoParts || mode == ProcStandardNoRecheck;
        const bool copy = live.enabe_two_test
            && ((live.detect_product && twoStepMode) || mode == ProcTwoColor || mode == ProcTurntable);
        for (int slot : inUse) {
            if (copy)
                settingshost::cameraOp(slot, CameraOp::CopyPara);
            eachEnabledStep(slot, [&](int sl, int s) {
                if (!c.positioning && !c.offset)
                    settingshost::cameraOp(sl, CameraOp::CreateShape, s);
                settingshost::cameraOp(sl, CameraOp::VarTrain, s);
            });
        }
    } else if (c.amplify) {
        for (int slot : inUse)
            eachEnabledStep(slot, [](int sl, int s) { settingshost::cameraOp(sl, CameraOp::VarTrain, s); });
    }
}

QStringList RestartNotes(const ApplyChanges& c)
{
    QStringList notes;
    if (c.maxTemplates || c.ngImages || c.okImages)
        notes << LanStr(276);
    if (c.serialPort || c.colour || c.grayChannel || c.optimize)
        notes << LanStr(309);
    if (c.procedureRequested)
        notes << LanStr(277);
    return notes;
}
