#pragma once
// Pages of the settings window that come with their own work. Each is a plain
// widget with the names the window calls; its work replaces its block here
// (and its stand-in slots in systemsettingwidget_later.cpp) with the real page.
#include "widgets/basewidgets.h"

// ---- Device parameters page (tab 2) ---------------------------------------
class DeviceParamsWidget : public BWidget {
    Q_OBJECT
public:
    explicit DeviceParamsWidget(QWidget* parent = nullptr) : BWidget(parent) {}
    void WizardParaInit() {}
    void accept() {}
public slots:
    void SlotGetProductName() {}
};

// ---- Camera parameters page (tab 3) ---------------------------------------
class CameraParamsWidget : public BWidget {
    Q_OBJECT
public:
    explicit CameraParamsWidget(QWidget* parent = nullptr) : BWidget(parent) {}
    void WizardParaInit() {}
    void accept() {}
};

// ---- Network parameters page (tab 5) ----------------------------------------
class NetworkParamsWidget : public BWidget {
    Q_OBJECT
public:
    explicit NetworkParamsWidget(QWidget* parent = nullptr) : BWidget(parent) {}
    void WizardParaInit() {}
    void accept() {}
};

// ---- Other networks page (tab 6) ----------------------------------------------
class OtherNetworksWidget : public BWidget {
    Q_OBJECT
public:
    explicit OtherNetworksWidget(QWidget* parent = nullptr) : BWidget(parent) {}
    void WizardParaInit() {}
    void accept() {}
public slots:
    void SlotGetRemindList() {}
};

// ---- System log page (tab 7) ------------------------------------------------------
class SystemLogWidget : public BWidget {
    Q_OBJECT
public:
    explicit SystemLogWidget(QWidget* parent = nullptr) : BWidget(parent) {}
public slots:
    void modelChange() {}
};

// ---- Memorandum page (tab 8) --------------------------------------------------------
class MemorandumWidget : public BWidget {
    Q_OBJECT
public:
    explicit MemorandumWidget(QWidget* parent = nullptr) : BWidget(parent) {}
};

// ---- Help page (tab 14) ----------------------------------------------------------------
class HelpWidget : public BWidget {
    Q_OBJECT
public:
    explicit HelpWidget(QWidget* parent = nullptr) : BWidget(parent) {}
};
