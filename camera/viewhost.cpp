#include "camera/viewhost.h"

#include "inspection/regionedit.h"
#include "params/geometry.h"

#include <cstring>

namespace {

int scratchCode = 0;

BasicViewHost& fallbackHost()
{
    static BasicViewHost host;
    return host;
}

CameraViewHost* gHost = nullptr;

} // namespace

ViewState BasicViewHost::state(int) const { return s; }

void BasicViewHost::setCursor(int x, int y)
{
    s.cursorX = x;
    s.cursorY = y;
}

void BasicViewHost::setCursorValue(int value) { s.cursorValue = value; }

void BasicViewHost::setDragOrigin(int x, int y)
{
    dragX = x;
    dragY = y;
}

void BasicViewHost::dragOrigin(int* x, int* y) const
{
    *x = dragX;
    *y = dragY;
}

void BasicViewHost::setPan(double x, double y)
{
    s.panX = x;
    s.panY = y;
}

void BasicViewHost::setEditTools(const EditTools& t)
{
    s.drawTool = t.drawTool;
    s.copyAreaMode = t.copyAreaMode;
    s.freeHandMode = t.freeHandMode;
}

void BasicViewHost::selectCamera(int camera) { s.selectedCamera = camera; }

int& BasicViewHost::saveCode(int camera, int step)
{
    if (camera < 0 || camera >= 8 || step < 0 || step >= 8) {
        scratchCode = 0;
        return scratchCode;
    }
    return codes[camera][step];
}

namespace {

bool validSlot(int camera, int step, int kind)
{
    return camera >= 0 && camera < 8 && step >= 0 && step < 8 && kind >= 0 && kind < 2;
}

} // namespace

void BasicViewHost::markFirstFailure(int camera, int step, int region)
{
    if (validSlot(camera, step, 0) && failIndex[camera][step] == 0)
        failIndex[camera][step] = region;
}

void BasicViewHost::storeFailImage(int camera, int step, int kind, const unsigned char* rgb32)
{
    if (!validSlot(camera, step, kind) || gImageLen <= 0)
        return;
    failImages[camera][step][kind].assign(rgb32, rgb32 + size_t(gImageLen) * 4);
}

bool BasicViewHost::loadFailImage(int camera, int step, int kind, unsigned char* rgb32)
{
    if (!validSlot(camera, step, kind) || gImageLen <= 0)
        return false;
    const std::vector<unsigned char>& img = failImages[camera][step][kind];
    if (img.size() != size_t(gImageLen) * 4)
        return false;
    std::memcpy(rgb32, img.data(), img.size());
    return true;
}

void setViewHost(CameraViewHost* host) { gHost = host; }

CameraViewHost& viewHost() { return gHost ? *gHost : fallbackHost(); }
