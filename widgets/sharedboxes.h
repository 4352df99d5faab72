#pragma once
// The shared boxes and keypads of the start-up, made in its order and later
// handed to the main window.

// Makes gpWarnBox (confirm hidden, "initializing" text), gpChooseBox,
// gpNumPad, gpNumCharPad and gpPasswordBox, without parents.
void MakeSharedBoxes();
// Makes `window` the parent of all five (the boxes stay windows) and keeps
// the question box above everything. Also registers the window with uiHost.
class QWidget;
void AdoptSharedBoxes(QWidget* window);
