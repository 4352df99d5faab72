#pragma once
// A program folder for the statistics: the store's hooks pointed at it with a
// fixed production time, warnings recorded, and a way to read and write the
// database files behind the store's back.
#include "statistics/statisticshost.h"
#include "testenv.h"

#include <QDateTime>
#include <QMap>
#include <QString>
#include <QStringList>

class ResStatisticsParam;

namespace statstest {

struct Row {
    QString value1;
    QString value2;
};
// Every row of table resstatistics in a file, by name.
QMap<QString, Row> rows(const QString& file);
// Runs statements on a file; false on the first that fails.
bool exec(const QString& file, const QStringList& statements);
// "0 0 ... 0" (24).
QString zeros();
// 24 counts from a list (missing ones 0).
QList<int> series(std::initializer_list<int> head);
// The stored text of those 24 counts.
QString text(std::initializer_list<int> head);

} // namespace statstest

class StatsFolder : public InTempFolder {
protected:
    void SetUp() override;
    void TearDown() override;

    // A new store in the folder (the old one goes first).
    ResStatisticsParam& open();
    void closeStore();

    QDateTime production = QDateTime(QDate(2026, 3, 14), QTime(10, 30));
    statshost::Hooks hooks;
    QStringList warnings;
    ResStatisticsParam* store = nullptr;
};
