#pragma once
// The file work of the maintenance commands, without widgets: parameter
// groups under "./paraGroup", the export copy, update packages. Every copy is
// checked, and a group is only ever replaced by a complete copy, so a failed
// copy loses nothing. No name reaches a shell: files are copied, renamed and
// removed by the program itself, inside their folders.
#include <QString>
#include <QStringList>
#include <functional>

class QObject;
class QWidget;

namespace maintenance {

// Texts of the maintenance commands beyond the established ones.
constexpr int kRowPasswordUnusable = 1100;
constexpr int kRowGroupNameInvalid = 1101;
constexpr int kRowFactoryGroupProtected = 1102;
constexpr int kRowGroupBackupFailed = 1103;
constexpr int kRowGroupRestoreFailed = 1104;
constexpr int kRowGroupDeleteFailed = 1105;
constexpr int kRowNoGroupChosen = 1106;
constexpr int kRowExportFailed = 1107;
constexpr int kRowUpdateCopyFailed = 1108;
constexpr int kRowFactoryFileMissing = 1109;
constexpr int kRowRestartFailed = 1110;
constexpr int kRowClockNotSet = 1111;
constexpr int kRowCalibrationNotRun = 1112;
constexpr int kRowChooseUpdateFile = 1113; // title of the update file dialog
constexpr int kRowCalibrationFailed = 1114;
constexpr int kRowHaltedForRestart = 1526;   // journal: detection stopped, clamp prohibited
constexpr int kRowRestartRefusedHalted = 1527; // journal: refused, detection stays stopped
constexpr int kRowClockHardwareFailed = 1528;
constexpr int kRowClockSetTo = 1529;
constexpr int kRowRestoredWaitsForRestart = 1530;
constexpr int kRowSavesHeld = 1531;
constexpr int kRowParamsNotSaved = 1560;
constexpr int kRowGroupIndexNotSaved = 1561;
constexpr int kRowRecordNotCleared = 1761;
constexpr int kRowUpdateNotAPackage = 1701; // %1 the chosen file's name

// Writes the live record to the parameter database. False, with the operator
// told, when the database refused it: a command that needs the record on disk
// (a restart, leaving, a group copy) must then stop.
bool saveParameters();

// The language switch: saved with the record, journaled, then the restart
// that brings it in (in the background, see restartSystem). A refused save or
// restart leaves the language as it was, in memory and on disk; `done` gets
// whether the restart was taken.
void switchLanguage(QWidget* screen, int lan, std::function<void(bool)> done = {});

// The operator password: what the record keeps and the keypad can type
// again. A longer password or one with characters outside Latin-1 would be
// stored cut or as "?" and then never match what is typed.
constexpr int kMaxPasswordBytes = 32;
bool passwordStorable(const QString& password);

// Asks the system to restart ("reboot") or to power off ("init 0") without
// holding the GUI thread: haltForRestart(), then requestRestart().
void restartSystem(QWidget* screen, bool powerOff = false, std::function<void(bool)> done = {});
// What cannot run beside a restart stops first: detection, with the clamp
// prohibited (journaled), then the databases are closed.
void haltForRestart();
// The command runs in the background under the busy cover of `screen`. When
// the system refuses, the databases are opened again, the refusal journaled
// and the operator told; detection stays stopped. `done` (if any) gets
// whether the system took the command.
void requestRestart(QWidget* screen, bool powerOff = false, std::function<void(bool)> done = {});

// Runs the touch calibration "./tsc", which holds the screen until the
// operator is done, in the background. `done` gets false, with the operator
// told, when it could not be run or ended in a failure: a restart would then
// only stop production.
void runTouchCalibration(QObject* context, std::function<void(bool)> done);

constexpr const char* kGroupFolder = "paraGroup";
constexpr const char* kFactoryGroup = "default";

enum class GroupName {
    Ok,
    Empty,    // nothing but blanks
    Invalid,  // "/", a leading ".", a control character, too long for a folder name
    Reserved, // the factory group "default" (in any letter case)
};
GroupName checkGroupName(const QString& name);

// Group folders of `root`, sorted by name (hidden work folders left out).
QStringList listGroups(const QString& root);
// The group of `groups` that `name` names, compared ignoring letter case, in
// its own spelling; empty when there is none.
QString existingGroup(const QStringList& groups, const QString& name);

// What a group holds, as names inside a folder: "PARAM.db" and the template
// folders "cammer<c><s>" (camera 1..8, step 1..steps) that exist there.
QStringList groupItems(const QString& folder, int steps);

// Copies a file or a folder with everything in it; false at the first file
// that could not be copied (`to` may then hold part of the copy). A file that
// went away since its folder was read (a pruned raw frame) is no longer part
// of the folder and is left out.
bool copyTree(const QString& from, const QString& to);
// Empties a folder, keeping the folder itself.
bool clearFolder(const QString& folder);

// The export: the program folder copied into the folder `target` (as a
// folder of the same name), then the raw frames of `rawFolders` that were
// there before the copy began and are now on the disk removed from the
// device. Frames written while the copy ran stay on the device. False, with
// nothing removed and no part of the copy left, when the copy failed.
bool exportProgram(const QString& programFolder, const QString& target, const QStringList& rawFolders);

// The program folder's "PARAM.db" and template folders of steps 1..steps
// saved as group `name` of `root`. An existing group (named in its own
// spelling) is replaced only once the new copy is complete.
bool backupGroup(const QString& programFolder, const QString& root, const QString& name, int steps);

// Restoring a group in two halves: stage() copies the group's items into a
// work folder of the program folder (nothing in force changes); commit()
// puts them in place of the program folder's own, with the template folders
// of steps 1..steps of all eight cameras taken away first; a failure on the
// way puts back what was there. The databases must be closed for commit().
// Every move of commit() is written to a log in the work folder before it is
// made, so that a power cut midway is undone at the next start
// (recoverGroupRestore); the log goes once every move is made.
class GroupRestore {
public:
    GroupRestore(const QString& programFolder, const QString& groupFolder, int steps);
    ~GroupRestore();
    // False when the group has no "PARAM.db" or a copy failed.
    bool stage();
    bool commit();

    // Tests stand in for a power cut: called before and after every step of
    // commit(); false ends everything there, as the cut would.
    using Interrupt = std::function<bool()>;
    void setInterrupt(Interrupt interrupt) { interrupt_ = std::move(interrupt); }

private:
    bool cut();

    QString program_;
    QString group_;
    QString staging_;
    QString trash_;
    int steps_;
    Interrupt interrupt_;
    bool cutOff_ = false;
};

// A restore that a power cut left midway, set right before the databases
// open at start: finished when every move was made, else undone move by
// move. Failed leaves everything where it is (the work folder named).
enum class RestoreRecovery { Nothing, Finished, RolledBack, Failed };
RestoreRecovery recoverGroupRestore(const QString& programFolder);
// The work folder a failed recovery leaves, for the operator's message.
QString restoreWorkFolder(const QString& programFolder);

// Removes group `name` of `root` (first out of sight, then from the disk).
bool deleteGroup(const QString& root, const QString& name);

// The name an update package is installed under in the program folder, by
// the chosen file's name: "newupdate.tar.gz", "newupdate.tar.xz",
// "newupdate.rar"; empty for any other file.
QString updateTarget(const QString& fileName);
// Copies a file under a temporary name beside `to`, compares size and
// content with the original, then renames it to `to`. On any failure `to` is
// left as it was.
bool copyChecked(const QString& from, const QString& to);

} // namespace maintenance
