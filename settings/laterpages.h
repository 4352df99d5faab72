#pragma once
// Pages of the settings window that come with their own work. Each is a plain
// widget with the names the window calls; its work replaces its block here
// (and its stand-in slots in systemsettingwidget_later.cpp) with the real page.
#include "widgets/basewidgets.h"

// ---- Camera parameters page (tab 3) ---------------------------------------
class CameraParamsWidget : public BWidget {
    Q_OBJECT
public:
    explicit CameraParamsWidget(QWidget* parent = nullptr) : BWidget(parent) {}
    void WizardParaInit() {}
    void accept() {}
};

// ---- System log page (tab 7) ------------------------------------------------------
class SystemLogWidget : public BWidget {
    Q_OBJECT
public:
    explicit SystemLogWidget(QWidget* parent = nullptr) : BWidget(parent) {}
public slots:
    void modelChange() {}
};

// ---- Help page (tab 14) ----------------------------------------------------------------
class HelpWidget : public BWidget {
    Q_OBJECT
public:
    explicit HelpWidget(QWidget* parent = nullptr) : BWidget(parent) {}
};
