#include "inspection/paramroi.h"

#include "params/wizardpara.h"

QList<param_roi> g_listParamROI;
const int* gpCycleTrigger = nullptr;

namespace {
RegionParamHook gRegionHook = nullptr;
TempPicHook gPicHook = nullptr;
DelTempPicHook gDelPicHook = nullptr;
bool linkOn() { return gpWPara && gpWPara->cntnet_enable; }
} // namespace

void setRegionParamHook(RegionParamHook hook) { gRegionHook = hook; }
void setTempPicHook(TempPicHook hook) { gPicHook = hook; }
void setDelTempPicHook(DelTempPicHook hook) { gDelPicHook = hook; }

void NotifyRegionParam(int camera, int step)
{
    if (gRegionHook && linkOn())
        gRegionHook(camera, step);
}

void NotifyTempPic(const QString& absolutePath)
{
    if (gPicHook && linkOn())
        gPicHook(absolutePath);
}

void NotifyDelTempPic(int cameraNumber, int stepNumber, const QString& name)
{
    if (gDelPicHook && linkOn())
        gDelPicHook(cameraNumber, stepNumber, name);
}
