#pragma once
// Stand-in for the drawing toolbar that each camera view carries while
// regions are edited. It has the toolbar's size and look but no buttons yet;
// the region editor's work replaces it.
#include "widgets/basewidgets.h"

class roiOperation : public BWidget {
    Q_OBJECT
public:
    explicit roiOperation(QWidget* parent = nullptr);
};
