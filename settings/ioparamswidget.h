#pragma once
#include "widgets/basewidgets.h"

class IOParamsWidget : public BWidget {
    Q_OBJECT
public:
    explicit IOParamsWidget(QWidget* parent = nullptr) : BWidget(parent) {}
    void WizardParaInit() {}
    void accept() {}
    void showProcedureRows(int) {}
};
