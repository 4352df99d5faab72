#pragma once
// Opening the three databases at start-up. A database that is missing or
// damaged is replaced by its default copy and the panel reboots; when the
// default itself is missing or unusable the program stays up with a warning,
// so a broken default can never make the panel reboot again and again.
#include <QString>

struct StartupDatabase {
    QString connection;  // "dbIn", "dbRecord", "dbT"
    QString file;        // "PARAM.db" ...
    QString table;       // a table the file must hold
    QString replacement; // default copy put in its place
    int message;         // text row of the English warning
    int waitMs;          // pause after the copy
};

// The column of the text table the start-up database warnings are read in
// (English): they show before the stored language is loaded.
constexpr int kStartupMessageColumn = 1;

// Texts of the start-up repairs.
namespace startuptext {
constexpr int kKeptDamaged = 1764;      // %1 the file, %2 the name it is kept under, %3 the default
constexpr int kNotKept = 1765;          // %1 the file
constexpr int kRestoreFinished = 1766;  // a group restore cut by a power failure, completed
constexpr int kRestoreUndone = 1767;    // the same, undone
constexpr int kRestoreStuck = 1768;     // the same, neither: %1 the work folder
} // namespace startuptext

enum class DbOpenResult { Opened, Replaced, Unusable };

// Opens the database under its connection. On failure: warning (fixed English
// text), the default copied over it and "reboot" requested, all through the
// command runner; Unusable when no usable default exists (no reboot). A file
// that is there but unusable is first kept beside it under a name with the
// date (journaled); when it cannot be kept, or the default cannot be put in
// its place, it stays as it was (Unusable, the operator told).
DbOpenResult OpenStartupDatabase(const StartupDatabase& db);

// The name a damaged file is kept under: "PARAM.db" becomes
// "PARAM.damaged-2026-05-04-090507.db" (a free name).
QString KeptName(const QString& file);

// True when the file exists, opens as SQLite and holds the table, and every
// row of the table can be read (a lock by another process aside).
bool DatabaseUsable(const QString& file, const QString& table);

// The three databases in start-up order.
StartupDatabase ParamDatabase();
StartupDatabase RecordDatabase();
StartupDatabase SerialDatabase();
