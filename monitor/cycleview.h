#pragma once
// The frame hand-off between the cycle and a camera view.
#include "camera/cammerwidget.h"

namespace cycleview {

// The newest frame becomes what the view shows. The live sources show the
// newest frame itself (no copy); any other source keeps this frame as it was
// judged.
inline void showLive(CammerWidget* v)
{
    if (v->curImage.empty())
        return;
    if (gSource == -1 || gSource == 1)
        v->showImage = v->curImage;
    else
        v->showImage = v->curImage.clone();
}

} // namespace cycleview
