#include "widgets/uihost.h"

UiHost& uiHost()
{
    static UiHost host;
    return host;
}

void kitLcdOnOff(int on)
{
    UiHost& h = uiHost();
    if (h.lcdOnOff)
        h.lcdOnOff(on);
    else
        h.screenOff = on ? 0 : 1;
}
