#include "settings/changelog.h"

#include "params/lanstr.h"
#include "params/wizardpara.h"

#include <cstring>

namespace {

#define FIELD(expr) [](WizardPara& p) -> int32_t& { return p.expr; }

std::vector<ChangePhrase> makeTable()
{
    using P = ChangePhrase;
    std::vector<ChangePhrase> t = {
        {P::Delay, 263, 0, FIELD(detect_delay[0])},
        {P::Delay, 264, 0, FIELD(detect_delay[1])},
        {P::Redetect, 264, 0, FIELD(front_auto_check_time)},
        {P::Value, 22, 0, FIELD(minimum_size)},
        {P::Value, 24, 0, FIELD(minimum_area)},
        {P::Switch, 174, 0, FIELD(semi_auto)},
        {P::Switch, 175, 0, FIELD(detect_product)},
        {P::OnAtZero, 176, 0, FIELD(enable_correct)},
        {P::Switch, 177, 0, FIELD(enabe_two_test)},
        {P::Switch, 400, 0, FIELD(template_auto_update)},
    };
    static int32_t& (*const exposure[8])(WizardPara&) = {
        FIELD(expose_time[0]), FIELD(expose_time[1]), FIELD(expose_time[2]), FIELD(expose_time[3]),
        FIELD(expose_time[4]), FIELD(expose_time[5]), FIELD(expose_time[6]), FIELD(expose_time[7])};
    static int32_t& (*const gain[8])(WizardPara&) = {
        FIELD(adjust_plus[0]), FIELD(adjust_plus[1]), FIELD(adjust_plus[2]), FIELD(adjust_plus[3]),
        FIELD(adjust_plus[4]), FIELD(adjust_plus[5]), FIELD(adjust_plus[6]), FIELD(adjust_plus[7])};
    static int32_t& (*const sharp[8])(WizardPara&) = {
        FIELD(sharp[0]), FIELD(sharp[1]), FIELD(sharp[2]), FIELD(sharp[3]),
        FIELD(sharp[4]), FIELD(sharp[5]), FIELD(sharp[6]), FIELD(sharp[7])};
    static int32_t& (*const contrast[8])(WizardPara&) = {
        FIELD(contrast[0]), FIELD(contrast[1]), FIELD(contrast[2]), FIELD(contrast[3]),
        FIELD(contrast[4]), FIELD(contrast[5]), FIELD(contrast[6]), FIELD(contrast[7])};
    static int32_t& (*const gamma[8])(WizardPara&) = {
        FIELD(gamma[0]), FIELD(gamma[1]), FIELD(gamma[2]), FIELD(gamma[3]),
        FIELD(gamma[4]), FIELD(gamma[5]), FIELD(gamma[6]), FIELD(gamma[7])};
    for (int c = 0; c < 8; ++c) {
        t.push_back({P::Camera, 237, c, exposure[c]});
        t.push_back({P::Camera, 238, c, gain[c]});
        t.push_back({P::Camera, 246, c, sharp[c]});
        t.push_back({P::Camera, 247, c, contrast[c]});
        t.push_back({P::Camera, 365, c, gamma[c]});
    }
    const std::vector<ChangePhrase> rest = {
        {P::Value, 244, 0, FIELD(capture_speed)},
        {P::Switch, 270, 0, FIELD(enable_color_camera)},
        {P::Switch, 271, 0, FIELD(enable_gray_channel)},
        {P::Switch, 387, 0, FIELD(auto_exposure)},
        {P::Switch, 388, 0, FIELD(auto_shading)},
        {P::Switch, 337, 0, FIELD(prohibit_optimize)},
        {P::Switch, 519, 0, FIELD(use_external_trigger)},
        {P::Switch, 196, 0, FIELD(enable_defect_detect)},
        {P::Switch, 197, 0, FIELD(enable_spot_detect)},
        {P::Switch, 198, 0, FIELD(enable_ignore_area)},
        {P::Switch, 199, 0, FIELD(enable_manual_edit)},
        {P::Switch, 200, 0, FIELD(enable_display_detail)},
        {P::Switch, 390, 0, FIELD(enable_black_area)},
        {P::Switch, 391, 0, FIELD(enable_white_area)},
        {P::Switch, 520, 0, FIELD(enable_white_num)},
        {P::Switch, 397, 0, FIELD(enable_similarity)},
        {P::Value, 269, 0, FIELD(serial_port)},
        {P::Value, 336, 0, FIELD(input_timeout_len)},
        {P::Value, 166, 0, FIELD(pre_cut)},
        {P::Value, 168, 0, FIELD(thimble_pulse)},
        {P::Value, 169, 0, FIELD(mold_pulse)},
        {P::Value, 203, 0, FIELD(enable_output_thimble_pulse)},
        {P::Value, 334, 0, FIELD(enable_mold_backup)},
        {P::Value, 273, 0, FIELD(output_initial_state[0])},
        {P::Value, 274, 0, FIELD(output_initial_state[1])},
        {P::Value, 275, 0, FIELD(output_initial_state[2])},
        {P::Value, 281, 0, FIELD(output_initial_state[3])},
        {P::Value, 585, 0, FIELD(cavity_position)},
        {P::Switch, 178, 0, FIELD(mold_cutoff)},
        {P::Clamp, 179, 0, FIELD(enable_stop_mold)},
        {P::Switch, 192, 0, FIELD(enable_cutoff_ontime)},
        {P::Switch, 190, 0, FIELD(enable_stop_not_alarm)},
        {P::Switch, 193, 0, FIELD(is_cut_ontime)},
        {P::Switch, 195, 0, FIELD(enable_disarm_before_open)},
        {P::Switch, 265, 0, FIELD(enable_trigger_safety)},
        {P::Switch, 202, 0, FIELD(pulse_output)},
        {P::Value, 185, 0, FIELD(max_mold_num)},
        {P::Value, 186, 0, FIELD(ng_max_num)},
        {P::Value, 187, 0, FIELD(ok_record_max_num)},
        {P::Value, 188, 0, FIELD(difference_multiplier)},
        {P::Value, 189, 0, FIELD(auto_cancel_timelen)},
        {P::Value, 213, 0, FIELD(location_adge)},
        {P::Value, 243, 0, FIELD(location_level)},
        {P::Value, 181, 0, FIELD(min_spot)},
        {P::Value, 403, 0, FIELD(rotate_angle)},
        {P::Switch, 194, 0, FIELD(enable_pass_protect)},
        {P::Switch, 341, 0, FIELD(add_template_protect)},
        {P::Switch, 342, 0, FIELD(ignore_alarm_protect)},
        {P::Switch, 191, 0, FIELD(auto_generate_area)},
        {P::Switch, 389, 0, FIELD(save_ok_record)},
        {P::Switch, 256, 0, FIELD(enable_screen_alert)},
        {P::Switch, 170, 0, FIELD(is_psw_used)},
        {P::Password, 249, 0, nullptr},
    };
    t.insert(t.end(), rest.begin(), rest.end());
    return t;
}

#undef FIELD

int32_t valueOf(const ChangePhrase& e, const WizardPara& p) { return e.field(const_cast<WizardPara&>(p)); }

} // namespace

const std::vector<ChangePhrase>& ChangePhrases()
{
    static const std::vector<ChangePhrase> table = makeTable();
    return table;
}

QString PhraseText(const ChangePhrase& e, const WizardPara& oldValue, const WizardPara& newValue)
{
    if (e.form == ChangePhrase::Password) {
        // Compared as zero-terminated texts; the phrase never carries them.
        if (std::strncmp(oldValue.password, newValue.password, WizardPara::TextLen) == 0)
            return QString();
        return LanStr(e.row);
    }
    const int32_t from = valueOf(e, oldValue);
    const int32_t to = valueOf(e, newValue);
    if (from == to)
        return QString();
    const QString a = QString::number(from);
    const QString b = QString::number(to);
    switch (e.form) {
    case ChangePhrase::Delay:
        return LanStr(236).arg(LanStr(e.row), a, b);
    case ChangePhrase::Redetect:
        return LanStr(239).arg(LanStr(e.row), a, b);
    case ChangePhrase::Value:
        return LanStr(245).arg(LanStr(e.row), a, b);
    case ChangePhrase::Switch:
        return LanStr(240).arg(LanStr(e.row)) + LanStr(to != 0 ? 250 : 251);
    case ChangePhrase::OnAtZero:
        return LanStr(240).arg(LanStr(e.row)) + LanStr(to == 0 ? 250 : 251);
    case ChangePhrase::Clamp:
        return LanStr(240).arg(LanStr(e.row)) + LanStr(to != 0 ? 252 : 253);
    case ChangePhrase::Camera:
        return LanStr(e.row).arg(QString::number(e.camera + 1), a, b);
    case ChangePhrase::Password:
        break;
    }
    return QString();
}

QString ChangeLogText(const WizardPara& oldValue, const WizardPara& newValue)
{
    QString text = LanStr(235);
    for (const ChangePhrase& e : ChangePhrases())
        text += PhraseText(e, oldValue, newValue);
    return text;
}
