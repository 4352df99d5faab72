#pragma once
#include "widgets/basewidgets.h"

class AdvanceparamWidget : public BWidget {
    Q_OBJECT
public:
    explicit AdvanceparamWidget(QWidget* parent = nullptr) : BWidget(parent) {}
    void WizardParaInit() {}
    void accept() {}
};
