#pragma once
// Text painted over a camera view at a size the view has room for: the views
// of a split screen are a half to a quarter as wide as a view shown alone.
#include <QFont>
#include <QSize>
#include <QString>

// The largest pixel size from `largest` down to `smallest` at which `text`,
// wrapped between words (between characters in Chinese), fits within
// `room`; `smallest` when none does.
int WrappedPixelSize(QFont font, const QString& text, const QSize& room, int largest, int smallest);
