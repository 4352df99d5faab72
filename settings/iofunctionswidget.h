#pragma once
#include "widgets/basewidgets.h"

class IOFunctionsWidget : public BWidget {
    Q_OBJECT
public:
    explicit IOFunctionsWidget(QWidget* parent = nullptr) : BWidget(parent) {}
    void WizardParaInit() {}
    void accept() {}
};
