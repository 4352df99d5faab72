// A parameter-group backup while the program writes what it copies: a
// template write under way and a database write not yet committed are never
// copied half done.
#include "maintfixture.h"

#include "platform/background.h"
#include "platform/bitmapwrites.h"
#include "settings/advanceparamwidget.h"
#include "settings/maintenance.h"
#include "widgets/edit.h"
#include "widgets/keyboards.h"

#include <QElapsedTimer>
#include <QThread>
#include <memory>

TEST_F(Maintenance, AGroupBackupCopiesNoWriteHalfDone)
{
    startMaintenance();
    putFile("cammer11/template0.bmp", QByteArray(1 << 20, 'o'));
    const QStringList committed = dbRows("PARAM.db");
    const qint64 size = QFileInfo("PARAM.db").size();

    // Another connection in the middle of a large write to the parameter
    // database: with a small cache its pages are already in the file.
    {
        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "writer");
        db.setDatabaseName("PARAM.db");
        ASSERT_TRUE(db.open());
    }
    {
        QSqlQuery q(QSqlDatabase::database("writer"));
        ASSERT_TRUE(q.exec("PRAGMA cache_size=2"));
        ASSERT_TRUE(q.exec("BEGIN"));
        ASSERT_TRUE(q.exec("create table uncommitted(x blob)"));
        for (int i = 0; i < 64; ++i) {
            q.prepare("insert into uncommitted values(?)");
            q.addBindValue(QByteArray(16384, 'u'));
            ASSERT_TRUE(q.exec());
        }
    }
    ASSERT_GT(QFileInfo("PARAM.db").size(), size + (512 << 10)) << "the open write is in the file";
    // A template write under way: the file half written.
    auto writing = std::make_unique<bitmapwrites::Scope>();
    putFile("cammer11/template0.bmp", QByteArray(1 << 19, 'n'));

    settings().advanceParams->groupName->setText("G");
    emit settings().advanceParams->backupButton->clicked();
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < 300) {
        QCoreApplication::processEvents();
        QThread::msleep(5);
    }
    EXPECT_GT(platform::backgroundPending(), 0) << "the copy waits for the writes under way";
    EXPECT_FALSE(QFileInfo::exists("paraGroup/G"));

    putFile("cammer11/template0.bmp", QByteArray(1 << 20, 'n'));
    writing.reset();
    {
        QSqlQuery q(QSqlDatabase::database("writer"));
        ASSERT_TRUE(q.exec("ROLLBACK"));
    }
    QSqlDatabase::database("writer").close();
    QSqlDatabase::removeDatabase("writer");
    ASSERT_TRUE(settle());

    EXPECT_FALSE(shown(maintenance::kRowGroupBackupFailed));
    EXPECT_EQ(fileText("paraGroup/G/cammer11/template0.bmp"), QByteArray(1 << 20, 'n'))
        << "the template as it was once written whole";
    EXPECT_EQ(dbRows("paraGroup/G/PARAM.db"), committed) << "the committed parameters, nothing of the open write";
}
