#include "monitor/mainscreenrules.h"

#include "params/procedures.h"
#include "params/wizardpara.h"

namespace mainscreen {

QString ioIconPath(int kind, int index, bool active)
{
    const int number = 26 + 2 * index + (active ? 0 : 1) - (kind == 0 ? 8 : 0);
    return QStringLiteral(":/img/icons/%1.png").arg(number);
}

int ioIconEntry(int kind, int index) { return index + 4 * (kind != 0 ? 1 : 0); }

std::array<bool, 4> reportedInputs(const WizardPara& p)
{
    if (p.procedure != ProcMultiDetect)
        return {true, true, true, true};
    std::array<bool, 4> r = {false, true, false, false};
    for (int input : p.step_trigger_input)
        if (input >= 0 && input < 4)
            r[size_t(input)] = true;
    return r;
}

QPoint alarmLampPosition(const std::array<bool, 4>& reported, bool multiDetect, int bandHeight)
{
    int x = 7;
    if (reported[1])
        x = 82;
    if (reported[2])
        x += 75;
    if (reported[3])
        x += 75;
    const int left = multiDetect ? 7 : x + 90;
    return {left + 150, bandHeight - 1 - 84};
}

bool productSnapshotVisible(const WizardPara& p)
{
    return p.snap_shot != 0 && p.detect_product != 0 && p.procedure != ProcMultiDetect;
}

bool moldSnapshotVisible(const WizardPara& p) { return p.snap_shot != 0 && p.procedure != ProcMultiDetect; }

int passwordGate(int passwordUsed, int userLevel)
{
    if (passwordUsed == 0)
        return 2;
    return userLevel != 0 ? userLevel : kAskPassword;
}

bool commandBlocked(const ScreenState& s)
{
    return s.settingsShown || s.alarmBarShown || s.regionBarShown || s.displayState == 2 || s.renumberShown
        || s.ioNamesShown;
}

} // namespace mainscreen
