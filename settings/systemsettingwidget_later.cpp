// Stand-ins for the settings window's command slots whose work comes later
// (record viewer, counters and password, power and clock, live camera
// tuning, parameter groups, export and update, hardware view). Each work
// replaces its own slots here.
#include "settings/systemsettingwidget.h"

void SystemSettingWidget::SlotToRecord() {}
void SystemSettingWidget::ResetTotal() {}
void SystemSettingWidget::SlotShutDown() {}
void SystemSettingWidget::ChangePwd() {}
void SystemSettingWidget::SetAutoWDR(int) {}
void SystemSettingWidget::SlotParaGroupBackup() {}
void SystemSettingWidget::SlotParaGroupChange(int) {}
void SystemSettingWidget::SlotParaGroupRestore() {}
void SystemSettingWidget::SlotParaGroupDelete() {}
void SystemSettingWidget::ParaGroupUpdateList() {}
void SystemSettingWidget::SlotUpdateApp() {}
void SystemSettingWidget::SlotExportData() {}
void SystemSettingWidget::SlotRestoreFactorySet() {}
void SystemSettingWidget::SlotShowHardwareConfigurationWidget() {}
void SystemSettingWidget::SlotExit() {}
void SystemSettingWidget::SlotModifyTime() {}
void SystemSettingWidget::SlotCalibration() {}
