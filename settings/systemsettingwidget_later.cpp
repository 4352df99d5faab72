// Stand-ins for the settings window's command slots whose work comes later
// (record viewer, counters and password, power and clock, live camera
// tuning, multi-detection IO and IO names, parameter groups, export and
// update, hardware view). Each work replaces its own slots here.
#include "settings/systemsettingwidget.h"

void SystemSettingWidget::SlotShowIOWidget() {}
void SystemSettingWidget::SlotShowCustomIONameWidget() {}
