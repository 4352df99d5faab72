#include "params/procedures.h"

#include "params/lanstr.h"
#include "params/wizardpara.h"

#include <QFile>
#include <QTextStream>

const char* const gInName[16][3] = {
    {"开模到位", "Mol op", "開模到位"},   {"安全门关", "clo door", "安全門關"},
    {"安全门开", "op door", "安全門開"},  {"顶针退", "Thim O", "頂針退"},
    {"顶针进", "Thim I", "頂針進"},       {"开模阀", "Mol val", "開模閥"},
    {"机械手", "Manip", "機械手"},        {"复位键", "Res but", "復位鍵"},
    {"滑块退", "Slid bac", "滑塊退"},     {"机手上行", "Mac up", "機手上行"},
    {"中子A进", "Neu A I", "中子A進"},    {"中子A退", "Neu A O", "中子A退"},
    {"中子B进", "Neu B I", "中子B進"},    {"中子B退", "Neu B O", "中子B退"},
    {"中子C进", "Neu C I", "中子C進"},    {"中子C退", "Neu C O", "中子C退"},
};

const char* const gOutName[14][3] = {
    {"允许合模", "Al clam", "允許合模"},  {"允许顶针", "Al thim", "允許頂針"},
    {"中子A进", "Neu A I", "中子A進"},    {"中子A退", "Neu A O", "中子A退"},
    {"中子B进", "Neu B I", "中子B進"},    {"中子B退", "Neu B O", "中子B退"},
    {"中子C进", "Neu C I", "中子C進"},    {"中子C退", "Neu C O", "中子C退"},
    {"允许绞牙", "Al thread", "允許絞牙"}, {"允许旋转", "Rot", "允許旋轉"},
    {"允许左移", "L shift", "允許左移"},  {"允许右移", "R shift", "允許右移"},
    {"允许移模", "Mov mol", "允許移模"},  {"机手动作", "Mac mov", "機手動作"},
};

const int TriginNo[8] = {1, 3, 4, 5, 6, 7, 8, 9};
const int OutputNo[8] = {2, 4, 5, 6, 7, 8, 9, 1};

namespace {
int column() { return gLan >= 0 && gLan < 3 ? gLan : 0; }
} // namespace

QString InName(int row)
{
    return row >= 0 && row < 16 ? QString::fromUtf8(gInName[row][column()]) : QString();
}

QString OutName(int row)
{
    return row >= 0 && row < 14 ? QString::fromUtf8(gOutName[row][column()]) : QString();
}

void FillMultiDetectNames(const WizardPara& p)
{
    gaName[0] = InName(p.input_name_index[0]);
    gaName[1] = LanStr(302);
    for (int i = 1; i <= 7; ++i)
        gaName[i + 1] = InName(p.input_name_index[i]);
    gaName[9] = OutName(p.output_name_index[0]);
    gaName[10] = OutName(p.output_name_index[1]);
    gaName[11] = LanStr(307);
    for (int i = 2; i <= 7; ++i)
        gaName[i + 10] = OutName(p.output_name_index[i]);
}

void FillDisplayNames(const WizardPara& p)
{
    QFile f(QStringLiteral("name.txt"));
    if (f.open(QIODevice::ReadOnly | QIODevice::Text)) {
        QTextStream in(&f);
        in.setCodec("UTF-8");
        for (int i = 0; i < 8; ++i)
            gaName[i] = in.atEnd() ? QString() : in.readLine();
        return;
    }
    static const int standard[8] = {301, 302, 303, 304, 305, 306, 307, 304};
    static const int twoColor[8] = {301, 302, 376, 377, 305, 378, 307, 304};
    static const int turntable[8] = {379, 380, 381, 382, 378, 306, 307, 304};
    const int* rows = standard;
    switch (p.procedure) {
    case ProcTwoColor:
        rows = twoColor;
        break;
    case ProcTurntable:
        rows = turntable;
        break;
    case ProcMultiDetect:
        FillMultiDetectNames(p);
        return;
    default:
        break;
    }
    for (int i = 0; i < 8; ++i)
        gaName[i] = LanStr(rows[i]);
}
