#pragma once
// The user-interface text table in three languages (0 simplified Chinese,
// 1 English, 2 traditional Chinese), filled once by Data_Init. Rows 0-599 are
// the product's established texts (lanstr.tsv); rows from kLanAddedFirst on are
// texts this program added (lanstr-added.tsv), in blocks per area.
#include <QString>

constexpr int kLanAddedFirst = 600;
constexpr int kLanRows = 1850; // room for every block listed at the top of lanstr-added.tsv
constexpr int kLanCols = 3;

extern QString gaLanStr[kLanRows][kLanCols];
extern int gLan; // current language column

// Fills the text table, then makes the skin pixmaps. Needs the application object.
void Data_Init();
// Only the text table (no pixmaps, no GUI needed).
void LoadTextTable();

// Row in the current language; empty for a row outside the table.
const QString& LanStr(int row);
// Row in a fixed column; empty outside the table.
const QString& LanStr(int row, int column);
