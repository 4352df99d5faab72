#pragma once
// A check over what the operator reads on a screen: every visible button,
// combo box entry and one-line label whose text is wider than the room its
// widget leaves it, and every word-wrapped label whose wrapped text is taller
// than the label (or has a word wider than a line), measured in the font the
// widget has (after its style sheets).
#include <QStringList>

class QWidget;

// "<text> (<width> > <room>)" for each caption under root that is cut off.
// Skinned buttons that paint their text in a face of their own (ColorButton)
// are not measured here.
QStringList clippedCaptions(QWidget* root);
