#pragma once
// Fonts and the application style sheet of the touch panel.
#include <QFont>
#include <QString>

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

// The one style sheet of the whole program, set by the start-up.
QString AppStyleSheet();
