#pragma once
// The settings window of the real main window, for its maintenance
// commands: questions are answered in order from `answers` (then by
// `answer`), other dialogs (file, clock) by `onDialog`; the watchdog pause
// and leaving the program are only noted.
#include "settingsfixture.h"

#include <QDialog>
#include <QFileInfo>
#include <QLabel>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QSqlRecord>

inline void putFile(const QString& path, const QByteArray& content)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile f(path);
    if (f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        f.write(content);
}

// Every row of every table of a database, for comparing what two files hold.
inline QStringList dbRows(const QString& path)
{
    QStringList rows;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "rows");
        db.setDatabaseName(path);
        db.setConnectOptions("QSQLITE_OPEN_READONLY");
        if (db.open()) {
            for (const QString& table : db.tables()) {
                QSqlQuery q(db);
                q.exec("select * from \"" + table + "\"");
                while (q.next()) {
                    QStringList values;
                    for (int i = 0; i < q.record().count(); ++i)
                        values << q.value(i).toString();
                    rows << table + ':' + values.join('|');
                }
            }
        } else {
            rows << "<not a database>";
        }
        db.close();
    }
    QSqlDatabase::removeDatabase("rows");
    rows.sort();
    return rows;
}

inline QByteArray fileText(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

class Maintenance : public SettingsWindow {
protected:
    void SetUp() override
    {
        SettingsWindow::SetUp();
        setModalRunner([this](QDialog& d) {
            if (onDialog) {
                const int r = onDialog(d);
                if (r >= 0)
                    return r;
            }
            QStringList texts;
            for (QLabel* l : d.findChildren<QLabel*>())
                texts << l->text();
            boxes << texts.join('|');
            return answers.isEmpty() ? answer : answers.takeFirst();
        });
    }
    void TearDown() override
    {
        // Scripted answers of the recorder outlive the test; put them back.
        platform::CommandResult ok;
        ok.started = true;
        ok.exitCode = 0;
        for (const char* p : {"reboot", "init", "date", "hwclock", "./tsc", "cp", "sync", "umount"})
            testenv::commands().script(p, ok);
        SettingsWindow::TearDown();
    }
    void startMaintenance(int lan = 1)
    {
        startShown(lan);
        settingshost::Hooks h = settingshost::hooks();
        h.stopWatchdog = [this] { ++watchdogStops; };
        h.exitProgram = [this](int status) { exits << status; };
        settingshost::install(h);
        open();
        testenv::commands().clear();
    }
    static void refuse(const char* program, bool started = true)
    {
        platform::CommandResult r;
        r.started = started;
        r.exitCode = started ? 1 : -1;
        testenv::commands().script(program, r);
    }
    // Whether a box with this text row (in any language) was shown.
    bool shown(int row) const
    {
        for (const QString& b : boxes)
            for (int lan = 0; lan < 3; ++lan)
                if (b.contains(LanStr(row, lan)))
                    return true;
        return false;
    }
    static bool dbOpen(const char* connection) { return QSqlDatabase::database(connection, false).isOpen(); }
    // The journal as stored in the file (the connection may be closed).
    QStringList storedRecords()
    {
        QStringList list;
        {
            OpenSqlite("recordcheck", "RECORD.db");
            QSqlQuery q(QSqlDatabase::database("recordcheck"));
            q.exec("select remarks from RECORD");
            while (q.next())
                list << q.value(0).toString();
        }
        CloseSqlite("recordcheck");
        return list;
    }

    QList<int> answers;
    std::function<int(QDialog&)> onDialog;
    int watchdogStops = 0;
    QList<int> exits;
};
