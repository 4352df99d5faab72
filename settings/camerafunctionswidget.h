#pragma once
#include "widgets/basewidgets.h"

class CameraFunctionsWidget : public BWidget {
    Q_OBJECT
public:
    explicit CameraFunctionsWidget(QWidget* parent = nullptr) : BWidget(parent) {}
    void WizardParaInit() {}
    void accept() {}
};
