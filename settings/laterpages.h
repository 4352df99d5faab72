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

// ---- Memorandum page (tab 8) --------------------------------------------------------
class MemorandumWidget : public BWidget {
    Q_OBJECT
public:
    explicit MemorandumWidget(QWidget* parent = nullptr) : BWidget(parent) {}
};

// ---- Multi-detection IO page (shown from the IO parameters page) -----------------
class IOWidget : public BWidget {
    Q_OBJECT
public:
    explicit IOWidget(QWidget* parent = nullptr) : BWidget(parent) { hide(); }
    void WizardParaInit() {}
    void accept() {}
};
