#pragma once
// A program folder with "PARAM.db" (parameters and the region tables) open
// on the parameter connection, a live parameter record, the image geometry,
// and recorders for the journal and the warning box.
#include "inspection/cammerdata.h"
#include "params/geometry.h"
#include "params/paramdb.h"
#include "params/wizardpara.h"
#include "platform/host.h"
#include "testenv.h"

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QStringList>
#include <QVariant>

class InspectionFolder : public InTempFolder {
protected:
    void SetUp() override
    {
        InTempFolder::SetUp();
        params_ = FactoryParams();
        gpWPara = &params_;
        gTempNum = 10;
        gisGrayHue = false;
        gDNum = 2;
        gShowW = 1725;
        gShowH = 982;
        SetImageGeometry(1725, 982, false);
        ASSERT_TRUE(CreateParamDatabase(file("PARAM.db"), params_));
        ASSERT_TRUE(OpenSqlite(QLatin1String(kParamConnection), file("PARAM.db")));
        for (int c = 0; c < 8; ++c)
            exec(QStringLiteral("create table cammer%1(name text, value text)").arg(c));
        host::Hooks h;
        h.insertRecord = [this](const QString& t) { records << t; };
        h.showWarning = [this](const QString& t) { warnings << t; };
        host::install(h);
    }
    void TearDown() override
    {
        host::install(host::Hooks());
        CloseSqlite(QLatin1String(kParamConnection));
        gpWPara = nullptr;
        InTempFolder::TearDown();
    }

    static bool exec(const QString& sql)
    {
        QSqlQuery q(QSqlDatabase::database(QLatin1String(kParamConnection)));
        return q.exec(sql);
    }
    // The stored value of a row of table cammer<camera>, or a null string.
    static QString row(int camera, const QString& name)
    {
        QSqlQuery q(QSqlDatabase::database(QLatin1String(kParamConnection)));
        q.prepare(QStringLiteral("select value from cammer%1 where name=?").arg(camera));
        q.addBindValue(name);
        if (q.exec() && q.next())
            return q.value(0).toString();
        return QString();
    }
    static int rowCount(int camera, const QString& like)
    {
        QSqlQuery q(QSqlDatabase::database(QLatin1String(kParamConnection)));
        q.prepare(QStringLiteral("select count(*) from cammer%1 where name like ?").arg(camera));
        q.addBindValue(like);
        return q.exec() && q.next() ? q.value(0).toInt() : -1;
    }

    WizardPara params_;
    QStringList records;
    QStringList warnings;
};
