#include "params/paramdb.h"
#include "params/programfolder.h"
#include "params/wizardpara.h"
#include "testenv.h"

#include <QDir>
#include <QFile>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QVariant>

TEST_F(InTempFolder, ProgramFolderHoldsWhatAFirstStartNeedsAndIsNeverOverwritten)
{
    QDir().mkpath("files/cammer15");
    QFile demo("files/cammer15/template0.bmp");
    ASSERT_TRUE(demo.open(QIODevice::WriteOnly));
    demo.write("BM-demo");
    demo.close();

    ASSERT_TRUE(LayOutProgramFolder("prog", "files"));
    for (const char* f : {"PARAM.db", "SN.db", "RECORD.db", "RECORDNULL.db", "sysadd.txt",
                          "paraGroup/default/PARAM.db", "paraGroup/default/SN.db", "cammer15/template0.bmp"})
        EXPECT_TRUE(QFile::exists(QString("prog/") + f)) << f;
    for (const char* d : {"RECORD", "alarmimage", "originalimage", "images", "cnt_net/data", "cnt_net/cnt_log_app"})
        EXPECT_TRUE(QDir(QString("prog/") + d).exists()) << d;

    // The factory parameters load without repair and name a usable start.
    ASSERT_TRUE(OpenSqlite(kParamConnection, "prog/PARAM.db"));
    ASSERT_TRUE(OpenSqlite(kSerialConnection, "prog/SN.db"));
    QDir::setCurrent("prog");
    WizardPara p;
    p.LoadDatafromFile();
    EXPECT_EQ(p.output_initial_state[2], 1);
    EXPECT_EQ(p.enable_defect_detect, 1);
    {
        QSqlQuery q(QSqlDatabase::database(kParamConnection));
        q.exec("update sysparam set value='7 7 7 7 7 7 7 7' where name='trigInDelay'");
        for (int c = 0; c < 8; ++c)
            EXPECT_TRUE(q.exec(QString("select count(*) from cammer%1").arg(c))) << "region table " << c;
    }
    CloseSqlite(kParamConnection);
    CloseSqlite(kSerialConnection);
    QDir::setCurrent(folder());

    // Laying out again keeps the operator's data.
    ASSERT_TRUE(LayOutProgramFolder("prog", "files"));
    ASSERT_TRUE(OpenSqlite("again", "prog/PARAM.db"));
    {
        QSqlQuery q(QSqlDatabase::database("again"));
        q.exec("select value from sysparam where name='trigInDelay'");
        ASSERT_TRUE(q.next());
        EXPECT_EQ(q.value(0).toString(), "7 7 7 7 7 7 7 7");
    }
    CloseSqlite("again");
}
