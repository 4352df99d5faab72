#include "settings/maintenance.h"

#include "params/lanstr.h"
#include "params/wizardpara.h"
#include "platform/background.h"
#include "platform/bitmapwrites.h"
#include "platform/commandrunner.h"
#include "platform/filesync.h"
#include "platform/host.h"
#include "settings/settingshost.h"
#include "widgets/busycover.h"
#include "widgets/msgbox.h"

#include <QCryptographicHash>
#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPointer>
#include <QElapsedTimer>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QThread>
#include <QWidget>
#include <cstdio>
#include <fcntl.h>
#include <unistd.h>
#include <utility>
#include <vector>

namespace maintenance {

namespace {

// Work folders inside the group folder and the program folder; hidden, so
// that a leftover of an interrupted run is never listed as a group.
constexpr const char* kNewGroup = ".new-group";
constexpr const char* kOldGroup = ".old-group";
constexpr const char* kDeletedGroup = ".deleted-group";
constexpr const char* kRestoreStaging = ".group-restore";
constexpr const char* kRestoreTrash = ".group-replaced";
// In the trash folder: one line "from<TAB>to" (relative to the program
// folder) per move of a restore, written before the move is made.
constexpr const char* kRestoreLog = ".moves";
// Room for the work prefixes within a folder name of 255 bytes.
constexpr int kMaxNameBytes = 200;
// A group backup copies again while templates are written during its copy,
// at most this often; a write under way is waited for at most this long.
constexpr int kConsistentCopyAttempts = 5;
constexpr int kBitmapWriteWaitMs = 10000;

QString join(const QString& folder, const QString& name) { return folder + QLatin1Char('/') + name; }

bool removeAny(const QString& path)
{
    const QFileInfo fi(path);
    if (!fi.exists() && !fi.isSymLink())
        return true;
    if (fi.isDir() && !fi.isSymLink())
        return QDir(path).removeRecursively();
    return QFile::remove(path);
}

// rename(2): replaces nothing here, but moves folders and files alike.
bool move(const QString& from, const QString& to)
{
    return std::rename(QFile::encodeName(from).constData(), QFile::encodeName(to).constData()) == 0;
}

QByteArray digest(const QString& path, qint64* size)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return QByteArray();
    *size = f.size();
    QCryptographicHash hash(QCryptographicHash::Sha256);
    if (!hash.addData(&f))
        return QByteArray();
    return hash.result();
}

QString templateFolder(int camera, int step) { return QStringLiteral("cammer%1%2").arg(camera).arg(step); }

// An SQLite database, by its header (anything else is copied as it is).
bool isDatabase(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) && f.read(16) == QByteArray("SQLite format 3", 16);
}

// A copy of an SQLite database as one read transaction sees it: never a
// write half done, whatever the program's own connection writes meanwhile
// (a write under way is waited for, as any reader waits).
bool snapshotDatabase(const QString& from, const QString& to)
{
    if (!removeAny(to))
        return false;
    const QString name = QStringLiteral("snapshot-%1").arg(quintptr(QThread::currentThreadId()));
    bool ok = false;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(from);
        db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY;QSQLITE_BUSY_TIMEOUT=10000"));
        if (db.open()) {
            QSqlQuery q(db);
            ok = q.prepare(QStringLiteral("VACUUM INTO ?"));
            q.addBindValue(to);
            ok = ok && q.exec();
            if (!ok)
                qWarning().noquote() << "cannot take a copy of" << from << ":" << q.lastError().text();
        } else {
            qWarning().noquote() << "cannot read" << from << ":" << db.lastError().text();
        }
        db.close();
    }
    QSqlDatabase::removeDatabase(name);
    if (!ok)
        removeAny(to);
    return ok;
}

// The line is on the disk before the move it announces.
bool logMove(const QString& log, const QString& from, const QString& to)
{
    QFile f(log);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Append))
        return false;
    const QByteArray line = QFile::encodeName(from) + '\t' + QFile::encodeName(to) + '\n';
    return f.write(line) == line.size() && f.flush() && ::fsync(f.handle()) == 0;
}

} // namespace

bool passwordStorable(const QString& password)
{
    if (password.size() > kMaxPasswordBytes)
        return false;
    for (const QChar c : password)
        if (c.unicode() > 0xff || c.category() == QChar::Other_Control)
            return false;
    return true;
}

void restartSystem(QWidget* screen, bool powerOff, std::function<void(bool)> done)
{
    haltForRestart();
    requestRestart(screen, powerOff, std::move(done));
}

void haltForRestart()
{
    // The restart closes the databases and ends the program: nothing may be
    // inspected on the way, so the clamp stays prohibited from here on.
    settingshost::haltDetection(LanStr(kRowHaltedForRestart));
    settingshost::flushAll();
}

void requestRestart(QWidget* screen, bool powerOff, std::function<void(bool)> done)
{
    BusyCover::hold(screen, LanStr(kRowHaltedForRestart));
    const QString program = powerOff ? QStringLiteral("init") : QStringLiteral("reboot");
    const QStringList args = powerOff ? QStringList{QStringLiteral("0")} : QStringList{};
    QPointer<QWidget> cover(screen);
    platform::runCommandInBackground(
        screen, program, args, 30000, [cover, powerOff, done](const platform::CommandResult& r) {
            if (r.ok()) {
                // The cover stays until the process ends: the databases are
                // closed, nothing may be started on this screen any more.
                if (done)
                    done(true);
                return;
            }
            BusyCover::release(cover);
            qWarning().noquote() << (powerOff ? "power-off" : "restart") << "refused by the system:"
                                 << QString::fromLocal8Bit(r.out + r.err).trimmed();
            // The program goes on, so it needs its databases again.
            settingshost::reopenDatabases();
            host::insertRecord(LanStr(kRowRestartRefusedHalted));
            showWarnBox(LanStr(kRowRestartFailed));
            if (done)
                done(false);
        });
}

bool saveParameters()
{
    if (!gpWPara || gpWPara->SaveDatatoFile())
        return true;
    showWarnBox(LanStr(kRowParamsNotSaved));
    return false;
}

void switchLanguage(QWidget* screen, int lan, std::function<void(bool)> done)
{
    const int old = gLan;
    gLan = lan;
    if (!saveParameters()) {
        gLan = old;
        if (done)
            done(false);
        return;
    }
    host::insertRecord(LanStr(319, old));
    settingshost::stopWatchdog();
    restartSystem(screen, false, [old, done](bool restarting) {
        if (!restarting) {
            // Still running in the old texts: the next start must come up in them too.
            gLan = old;
            saveParameters();
        }
        if (done)
            done(restarting);
    });
}

void runTouchCalibration(QObject* context, std::function<void(bool)> done)
{
    // The calibration takes as long as the operator needs.
    platform::runCommandInBackground(context, QStringLiteral("./tsc"), {}, -1,
                                     [done](const platform::CommandResult& r) {
                                         if (!r.ok()) {
                                             qWarning().noquote()
                                                 << "touch calibration" << (r.started ? "failed:" : "not run")
                                                 << QString::fromLocal8Bit(r.out + r.err).trimmed();
                                             showWarnBox(LanStr(r.started ? kRowCalibrationFailed
                                                                          : kRowCalibrationNotRun));
                                         }
                                         if (done)
                                             done(r.ok());
                                     });
}

GroupName checkGroupName(const QString& name)
{
    if (name.trimmed().isEmpty())
        return GroupName::Empty;
    if (name.contains(QLatin1Char('/')) || name.startsWith(QLatin1Char('.'))
        || name.toUtf8().size() > kMaxNameBytes)
        return GroupName::Invalid;
    for (const QChar c : name)
        if (c.category() == QChar::Other_Control)
            return GroupName::Invalid;
    if (name.compare(QLatin1String(kFactoryGroup), Qt::CaseInsensitive) == 0)
        return GroupName::Reserved;
    return GroupName::Ok;
}

QStringList listGroups(const QString& root)
{
    return QDir(root).entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name);
}

QString existingGroup(const QStringList& groups, const QString& name)
{
    for (const QString& g : groups)
        if (g.compare(name, Qt::CaseInsensitive) == 0)
            return g;
    return QString();
}

QStringList groupItems(const QString& folder, int steps)
{
    QStringList items;
    if (QFileInfo(join(folder, QStringLiteral("PARAM.db"))).isFile())
        items << QStringLiteral("PARAM.db");
    for (int c = 1; c <= 8; ++c)
        for (int s = 1; s <= steps && s <= 8; ++s)
            if (QFileInfo(join(folder, templateFolder(c, s))).isDir())
                items << templateFolder(c, s);
    return items;
}

bool copyTree(const QString& from, const QString& to)
{
    const QFileInfo fi(from);
    if (fi.isDir()) {
        if (fi.isSymLink())
            return true; // a linked folder could lead back into itself
        if (!QDir().mkpath(to))
            return false;
        const QFileInfoList entries =
            QDir(from).entryInfoList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System, QDir::Name);
        for (const QFileInfo& e : entries)
            if (!copyTree(e.filePath(), join(to, e.fileName())))
                return false;
        return true;
    }
    if (!removeAny(to))
        return false;
    if (!QFile::copy(from, to)) {
        if (!QFileInfo::exists(from) && !QFileInfo(from).isSymLink())
            return true; // gone since the folder was read
        qWarning().noquote() << "cannot copy" << from << "to" << to;
        return false;
    }
    return true;
}

bool exportProgram(const QString& programFolder, const QString& target, const QStringList& rawFolders)
{
    // The frames to remove afterwards are those there now: a frame written
    // during the copy may have been missed by it. Frames still being written
    // (".part") are not frames yet.
    QFileInfoList before;
    for (const QString& folder : rawFolders)
        for (const QFileInfo& f : QDir(folder).entryInfoList(QDir::Files | QDir::Hidden | QDir::System))
            if (!f.fileName().endsWith(QLatin1String(".part")))
                before << f;
    const QString copy = join(target, QDir(programFolder).dirName());
    if (!QDir().mkpath(target) || !copyTree(programFolder, copy)) {
        QDir(target).removeRecursively();
        return false;
    }
    const QDir program(programFolder);
    for (const QFileInfo& f : before) {
        // Only what the disk holds whole leaves the device.
        const QFileInfo copied(join(copy, program.relativeFilePath(f.absoluteFilePath())));
        if (copied.isFile() && copied.size() == f.size())
            QFile::remove(f.absoluteFilePath());
    }
    return true;
}

bool clearFolder(const QString& folder)
{
    QDir dir(folder);
    if (!dir.exists())
        return true;
    bool ok = true;
    for (const QFileInfo& e : dir.entryInfoList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System))
        ok = removeAny(e.filePath()) && ok;
    return ok;
}

bool backupGroup(const QString& programFolder, const QString& root, const QString& name, int steps)
{
    if (checkGroupName(name) != GroupName::Ok)
        return false;
    const QStringList items = groupItems(programFolder, steps);
    if (!items.contains(QStringLiteral("PARAM.db")))
        return false;
    const QString work = join(root, QLatin1String(kNewGroup));
    // The templates and the database of one moment: a bitmap written while
    // they were copied (the automatic template update, the alarm review's
    // save) makes them copied again; one under way is waited for.
    bool copied = false;
    for (int attempt = 0; attempt < kConsistentCopyAttempts && !copied; ++attempt) {
        QElapsedTimer waited;
        waited.start();
        while (bitmapwrites::active() != 0 && waited.elapsed() < kBitmapWriteWaitMs)
            QThread::msleep(10);
        const unsigned long long before = bitmapwrites::begun();
        if (bitmapwrites::active() != 0)
            break;
        bool ok = removeAny(work) && QDir().mkpath(work);
        for (const QString& item : items) {
            if (!ok)
                break;
            const QString from = join(programFolder, item);
            ok = isDatabase(from) ? snapshotDatabase(from, join(work, item)) : copyTree(from, join(work, item));
        }
        if (!ok)
            break; // the disk failed: not tried again
        copied = bitmapwrites::active() == 0 && bitmapwrites::begun() == before;
        if (!copied)
            qWarning().noquote() << "templates written during the parameter group backup; copied again";
    }
    if (!copied) {
        removeAny(work);
        return false;
    }
    const QString existing = existingGroup(listGroups(root), name);
    const QString target = join(root, existing.isEmpty() ? name : existing);
    if (existing.isEmpty()) {
        if (move(work, target))
            return true;
        removeAny(work);
        return false;
    }
    const QString old = join(root, QLatin1String(kOldGroup));
    if (!removeAny(old) || !move(target, old)) {
        removeAny(work);
        return false;
    }
    if (!move(work, target)) {
        move(old, target);
        removeAny(work);
        return false;
    }
    if (!removeAny(old))
        qWarning().noquote() << "the replaced parameter group stays in" << old;
    return true;
}

GroupRestore::GroupRestore(const QString& programFolder, const QString& groupFolder, int steps)
    : program_(programFolder),
      group_(groupFolder),
      staging_(join(programFolder, QLatin1String(kRestoreStaging))),
      trash_(join(programFolder, QLatin1String(kRestoreTrash))),
      steps_(steps)
{
}

GroupRestore::~GroupRestore()
{
    if (!cutOff_) // after a power cut nothing more runs
        removeAny(staging_);
}

bool GroupRestore::cut()
{
    if (cutOff_ || (interrupt_ && !interrupt_()))
        cutOff_ = true;
    return cutOff_;
}

bool GroupRestore::stage()
{
    const QStringList items = groupItems(group_, 8);
    if (!items.contains(QStringLiteral("PARAM.db")))
        return false;
    bool copied = removeAny(staging_) && QDir().mkpath(staging_);
    for (const QString& item : items)
        copied = copied && copyTree(join(group_, item), join(staging_, item));
    if (!copied)
        removeAny(staging_);
    return copied;
}

bool GroupRestore::commit()
{
    const QStringList staged = groupItems(staging_, 8);
    if (!staged.contains(QStringLiteral("PARAM.db")) || !removeAny(trash_) || !QDir().mkpath(trash_))
        return false;
    const QString log = join(trash_, QLatin1String(kRestoreLog));
    const QDir program(program_);
    std::vector<std::pair<QString, QString>> done; // moves made, to undo on failure
    auto step = [&](const QString& from, const QString& to) {
        if (cut() || !logMove(log, program.relativeFilePath(from), program.relativeFilePath(to)) || cut())
            return false;
        if (!move(from, to))
            return false;
        done.emplace_back(from, to);
        return true;
    };
    bool ok = !cut();
    // The current step folders go, whether the group has them or not.
    for (int c = 1; c <= 8 && ok; ++c)
        for (int s = 1; s <= steps_ && s <= 8 && ok; ++s) {
            const QString name = templateFolder(c, s);
            if (QFileInfo::exists(join(program_, name)))
                ok = step(join(program_, name), join(trash_, name));
        }
    for (const QString& item : staged) {
        if (!ok)
            break;
        if (QFileInfo::exists(join(program_, item)))
            ok = step(join(program_, item), join(trash_, item));
        ok = ok && step(join(staging_, item), join(program_, item));
    }
    // Every move made: without its log the restore counts as done at any
    // later start, so the log goes first and alone.
    ok = ok && !cut() && QFile::remove(log);
    if (ok && !filesync::toDisk(trash_))
        qWarning().noquote() << "cannot sync" << trash_;
    if (cutOff_)
        return false;
    if (!ok) {
        bool undone = true;
        for (auto it = done.rbegin(); it != done.rend(); ++it)
            undone = move(it->second, it->first) && undone;
        if (undone)
            removeAny(trash_);
        else
            qWarning().noquote() << "a failed parameter group restore left files in" << trash_
                                 << "- the next start undoes it";
        return false;
    }
    if (cut())
        return true; // the restore is made: the next start only tidies up
    if (!removeAny(trash_))
        qWarning().noquote() << "the replaced parameters stay in" << trash_;
    removeAny(staging_);
    return true;
}

QString restoreWorkFolder(const QString& programFolder) { return join(programFolder, QLatin1String(kRestoreTrash)); }

RestoreRecovery recoverGroupRestore(const QString& programFolder)
{
    const QString trash = restoreWorkFolder(programFolder);
    const QString staging = join(programFolder, QLatin1String(kRestoreStaging));
    if (!QFileInfo::exists(trash)) {
        // A copy staged before a cut: nothing in force had changed.
        if (QFileInfo::exists(staging) && !removeAny(staging))
            qWarning().noquote() << "a staged parameter group stays in" << staging;
        return RestoreRecovery::Nothing;
    }
    const QString log = join(trash, QLatin1String(kRestoreLog));
    if (!QFileInfo::exists(log)) {
        // No move was made (the staged database is still there), or every
        // one was and only the tidying up was cut.
        const bool untouched = QFileInfo::exists(join(staging, QStringLiteral("PARAM.db")));
        if (!removeAny(trash) || !removeAny(staging))
            return RestoreRecovery::Failed;
        return untouched ? RestoreRecovery::RolledBack : RestoreRecovery::Finished;
    }
    QFile f(log);
    if (!f.open(QIODevice::ReadOnly))
        return RestoreRecovery::Failed;
    QList<QByteArray> lines = f.readAll().split('\n');
    f.close();
    bool ok = true;
    for (auto it = lines.crbegin(); it != lines.crend(); ++it) {
        const QList<QByteArray> parts = it->split('\t');
        if (parts.size() != 2)
            continue; // the end of the log, or a line the cut left half written (its move never ran)
        const QString from = QDir(programFolder).filePath(QFile::decodeName(parts[0]));
        const QString to = QDir(programFolder).filePath(QFile::decodeName(parts[1]));
        // A move announced but not made has nothing to undo.
        if (!QFileInfo::exists(to) || QFileInfo::exists(from))
            continue;
        if (!QDir().mkpath(QFileInfo(from).path()) || !move(to, from)) {
            // The moves are undone in their order or not at all: the next
            // start goes on from here.
            qWarning().noquote() << "cannot move" << to << "back to" << from;
            ok = false;
            break;
        }
    }
    if (!ok)
        return RestoreRecovery::Failed;
    if (!removeAny(trash) || !removeAny(staging))
        return RestoreRecovery::Failed;
    return RestoreRecovery::RolledBack;
}

bool deleteGroup(const QString& root, const QString& name)
{
    if (!listGroups(root).contains(name))
        return false;
    const QString gone = join(root, QLatin1String(kDeletedGroup));
    if (!removeAny(gone) || !move(join(root, name), gone))
        return false;
    if (!removeAny(gone))
        qWarning().noquote() << "part of the deleted parameter group stays in" << gone;
    return true;
}

QString updateTarget(const QString& fileName)
{
    if (fileName.contains(QLatin1String(".tar.gz")))
        return QStringLiteral("newupdate.tar.gz");
    if (fileName.contains(QLatin1String(".tar.xz")))
        return QStringLiteral("newupdate.tar.xz");
    if (fileName.contains(QLatin1String(".rar")))
        return QStringLiteral("newupdate.rar");
    return QString();
}

bool copyChecked(const QString& from, const QString& to)
{
    const QString part = to + QStringLiteral(".part");
    if (!removeAny(part))
        return false;
    bool ok = QFile::copy(from, part);
    if (ok) {
        qint64 sizeFrom = -1;
        qint64 sizeTo = -2;
        const QByteArray a = digest(from, &sizeFrom);
        const QByteArray b = digest(part, &sizeTo);
        ok = !a.isEmpty() && a == b && sizeFrom == sizeTo;
    }
    // rename(2) replaces an older file of the same name in one step.
    ok = ok && move(part, to);
    if (!ok) {
        qWarning().noquote() << "cannot copy" << from << "to" << to;
        QFile::remove(part);
    }
    return ok;
}

} // namespace maintenance
