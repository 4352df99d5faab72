#pragma once
// The drawing toolbar each camera view carries while regions are edited:
// rectangle, ring, polygon, free hand, copy, delete and delete all. Every
// button acts on the region editor of the main window while it is held.
#include "widgets/basewidgets.h"

class QPushButton;

class roiOperation : public BWidget {
    Q_OBJECT
public:
    explicit roiOperation(QWidget* parent = nullptr);

    // In the order above.
    QPushButton* buttons[7] = {};

private:
    void Btnconnect();
};
