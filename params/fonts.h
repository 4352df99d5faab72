#pragma once
#include <QString>

// Registers the embedded fonts (":/font/fonts/SourceHanSansCN-Medium.ttf",
// "SourceHanSansCN-Normal.ttf" and "opensans.ttf") with the application's
// font database, once; later calls only repeat the answer. Returns the first
// family of the Medium font, the one the screens are set in, or an empty
// text when that font could not be loaded. Needs a QGuiApplication.
QString LoadApplicationFonts();
