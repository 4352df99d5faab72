#include "monitor/led.h"

#include "platform/paneldevice.h"
#include "widgets/uihost.h"

int gfLED = -1;
int& gScreenOff = uiHost().screenOff;

namespace {
unsigned char gLedByte = 0xFF;
}

void OpenLedDevice() { gfLED = platform::PanelDevice::instance().openLed(); }

void LCDOnOff(int on)
{
    if (gfLED > 0)
        platform::PanelDevice::instance().ledRequest(gfLED, on ? led::kBacklightOn : led::kBacklightOff);
    gScreenOff = on ? 0 : 1;
}

void LEDOnOff(int n, int v)
{
    if (n < 0 || n > 7)
        return;
    if (v & 1)
        gLedByte = static_cast<unsigned char>(gLedByte | (1u << n));
    else
        gLedByte = static_cast<unsigned char>(gLedByte & ~(1u << n));
    if (gfLED > 0)
        platform::PanelDevice::instance().ledRequest(gfLED, led::kSetBits | gLedByte);
}

unsigned char LedByte() { return gLedByte; }

void led::reset()
{
    gLedByte = 0xFF;
    gScreenOff = 0;
}
