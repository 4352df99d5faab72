#pragma once
// A program folder with "PARAM.db" (parameters and the region tables) open
// on the parameter connection, a live parameter record, the image geometry,
// and recorders for the journal and the warning box.
#include "bench/inspection/texture.h"
#include "inspection/cammerdata.h"
#include "params/geometry.h"
#include "params/paramdb.h"
#include "params/wizardpara.h"
#include "platform/host.h"
#include "testenv.h"

#include "inspection/cammerrecongnize.h"

#include <QSqlDatabase>
#include <opencv2/imgproc.hpp>
#include <QSqlQuery>
#include <QStringList>
#include <QVariant>

inline cv::Mat texture(cv::Size size, int seed)
{
    const int side = std::min(size.width, size.height);
    return SceneTexture(size, unsigned(seed), {3.0, 60, 180, 40, 2 + side / 60, 3 + side / 20, 230, 25});
}

class InspectionFolder : public InTempFolder {
protected:
    void SetUp() override
    {
        InTempFolder::SetUp();
        params_ = FactoryParams();
        params_.step_enabled[0] = params_.detect_product; // as the standard procedure derives it
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

    // Image 575 x 491 under the 1725 x 982 view: 3 and 2 view pixels per
    // image pixel, so region boxes come out exact.
    static void smallImage(bool colour = false) { SetImageGeometry(575, 491, colour); }

    // A view with its stores and engine, templates synthetic until set.
    static std::unique_ptr<CammerData> makeView(int camera = 0)
    {
        std::unique_ptr<CammerData> v(new CammerData(camera));
        v->BuildInspection();
        v->editRegions.reset(new CammerSingleton(*v->liveRegions));
        return v;
    }

    // Appends a rectangle region given in image coordinates to the live store.
    static int addRect(CammerData& v, int step, cv::Rect image, int method, int minSize, int sens, int maxArea)
    {
        CammerSingleton& s = *v.liveRegions;
        const int r = s.roiCount[step]++;
        s.shapeType[step][r] = ShapeRect;
        s.rects[step][r].viewRect = QRect(QPoint(int(image.x * gShowAW), int(image.y * gShowAH)),
                                          QPoint(int((image.x + image.width) * gShowAW) - 1,
                                                 int((image.y + image.height) * gShowAH) - 1));
        s.algorithm[step][r] = method;
        s.min_size[step][r] = minSize;
        s.sensibility[step][r] = sens;
        s.max_area[step][r] = maxArea;
        v.liveMasks[step][r] = s.UpdateMask(step, r);
        return r;
    }

    WizardPara params_;
    QStringList records;
    QStringList warnings;
};
