#pragma once
// Fonts and the application style sheet of the touch panel.
#include <QFont>
#include <QString>

class QWidget;

// The families the screens ask for by name ("wqy-microhei", "wenquanyi") are
// the WenQuanYi fonts; fontconfig knows them by their full names, so the
// short names are registered as substitutions once.
void InstallKitFonts();

// A font of the given family at a pixel size (substitutions installed).
QFont kitFont(const QString& family, int pixelSize);
// The same at a point size.
QFont kitPointFont(const QString& family, int pointSize);
// True when the font draws every visible character of the text with a
// shape. WenQuanYi Micro Hei maps some signs (the degree sign "℃") to an
// empty glyph, which shows nothing at all.
bool drawsEveryCharacter(const QString& text, const QFont& font);

// The font at the largest size, up to its own and not below `smallest` (in
// the unit the font is given in, pixels or points), at which the widest line
// of the text fits `width`: a long translation (English) is drawn smaller
// instead of being cut off.
QFont fittingFont(QFont font, const QString& text, int width, int smallest = 8);

// Keeps the caption of a button, a combo box (every entry) or a one-line
// label inside the room its style leaves: whenever the widget is shown, its
// text size is lowered just as far as fittingFont says, through a rule of its
// own style sheet (so that it wins over the bar's), or given back. Measured at
// show time, in the fonts and style sheets then in force.
void fitCaption(QWidget* w);
// The same for the widget's buttons, combo boxes and labels.
void fitCaptions(QWidget* parent);
// Fits the caption at once, for a text that changed while it is shown.
void refitCaption(QWidget* w);

// A label whose font and text colour are set in code keeps them under the
// application style sheet, whose QLabel rule would make it 18 px and white
// (white on a white field shows nothing): font and colour as they are now go
// into a rule of its own style sheet. Called again after a change of either.
void keepLook(QWidget* w);

// The one style sheet of the whole program, set by the start-up.
QString AppStyleSheet();
