#pragma once
// Stand-ins for screens that come with their own work (title bar, option bar,
// index column, IO status panel, the settings window's dialogs, region
// editor and its option bars). Each is an empty widget with only the names
// the start-up needs; none of them acts. Each real screen replaces its class
// here when it lands.
#include "settings/customionamewidget.h" // the real IO naming dialog
#include "settings/hardwareconfigurationwidget.h"
#include "settings/widgetchangecamera.h"
#include "widgets/basewidgets.h"

#include <QWidget>
