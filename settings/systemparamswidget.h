#pragma once
#include "widgets/basewidgets.h"

class SystemParamsWidget : public BWidget {
    Q_OBJECT
public:
    explicit SystemParamsWidget(QWidget* parent = nullptr) : BWidget(parent) {}
    void WizardParaInit() {}
    void accept() {}
    void setReCheckCaption(const QString&) {}
};
