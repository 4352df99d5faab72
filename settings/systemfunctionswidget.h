#pragma once
#include "widgets/basewidgets.h"

class SystemFunctionsWidget : public BWidget {
    Q_OBJECT
public:
    explicit SystemFunctionsWidget(QWidget* parent = nullptr) : BWidget(parent) {}
    void WizardParaInit() {}
    void accept() {}
};
