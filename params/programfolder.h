#pragma once
// Lays out a program folder: the databases, text files and folders that the
// monitor expects at its first start. What is already there is left as it
// is, so laying out again never loses data.
#include <QString>

// dir: the program folder; filesDir: a folder whose files are copied in at
// the same relative places (may be empty). False when anything could not be
// made; the reason is logged.
bool LayOutProgramFolder(const QString& dir, const QString& filesDir = QString());
