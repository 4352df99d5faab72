#pragma once
// The look shared by the warning, question, password and date boxes: a title
// column, a split line and a body, 680 x 250 centred on the camera display area.
#include <QRect>

class QDialog;
class QLabel;
class QVBoxLayout;
class QString;
class QWidget;

extern const char* const kBoxStyleSheet;

// 680 x 250 centred on gShowW x gShowH (halves in integer division).
QRect boxGeometry();
// The same box grown to show the whole of `message` (a word-wrapped label):
// taller first, then wider, up to the display area; if even that is too
// small, the message is drawn smaller. A text that fits keeps 680 x 250.
QRect fittedBoxGeometry(QDialog* box, QLabel* message);

// The title of a box: centred, wrapped, in a column of fixed width. A word
// too wide for the column at the box's 30-px text (English titles such as
// "Confirmation") gets a smaller size instead of being cut off.
QLabel* makeBoxTitle(const QString& title, int width, QWidget* parent);

// Lays out the title column, the split line and the body on `box`; returns
// the body layout (stretch factor 1) for the caller to fill.
QVBoxLayout* buildBoxLook(QDialog* box, QLabel* title);
