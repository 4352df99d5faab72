#pragma once
// The frame hand-off between the cycle and a camera view.
#include "camera/cammerwidget.h"
#include "params/geometry.h"

#include <cstring>

namespace cycleview {

// The newest frame becomes what the view shows (both buffers exist for
// the whole run, so nothing is allocated here).
inline void showLive(CammerWidget* v)
{
    const size_t n = size_t(gColorLen);
    if (v->curImage.total() * v->curImage.elemSize() >= n && v->showImage.size() >= n)
        std::memcpy(v->showImage.data(), v->curImage.data, n);
}

} // namespace cycleview
