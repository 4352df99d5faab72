#pragma once
#include "widgets/basewidgets.h"

class AdvanceFuncWidget : public BWidget {
    Q_OBJECT
public:
    explicit AdvanceFuncWidget(QWidget* parent = nullptr) : BWidget(parent) {}
    void WizardParaInit() {}
    void accept() {}
};
