#include "inspection/cammersingleton.h"

#include "inspection/cammerdata.h"
#include "inspection/paramroi.h"
#include "params/lanstr.h"
#include "params/paramdb.h"
#include "params/wizardpara.h"
#include "platform/host.h"
#include "platform/vision/vision.h"

#include <QDebug>
#include <QHash>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QStringList>
#include <QVariant>
#include <cstring>

namespace {

// Reads the blank-separated integers of a stored value; a missing or
// unreadable number reads as 0.
class Numbers {
public:
    explicit Numbers(const QString& text) : parts_(text.split(' ', Qt::SkipEmptyParts)) {}
    int next() { return pos_ < parts_.size() ? parts_[pos_++].toInt() : (pos_++, 0); }

private:
    QStringList parts_;
    int pos_ = 0;
};

} // namespace

CammerSingleton::CammerSingleton(int cam) : camera(cam)
{
    std::memset(roiCount, 0, sizeof(roiCount));
    std::memset(min_size, 0, sizeof(min_size));
    std::memset(sensibility, 0, sizeof(sensibility));
    std::memset(max_area, 0, sizeof(max_area));
    std::memset(algorithm, 0, sizeof(algorithm));
    std::memset(shapeType, 0, sizeof(shapeType));
    std::memset(output_point, 0, sizeof(output_point));
    std::memset(checkFlags, 0, sizeof(checkFlags));
}

QString CammerSingleton::table() const { return QStringLiteral("cammer%1").arg(camera); }

void CammerSingleton::setDefaults(int d, int r)
{
    min_size[d][r] = 5;
    sensibility[d][r] = 25;
    max_area[d][r] = 100;
    algorithm[d][r] = MethodDefect;
    shapeType[d][r] = ShapeRect;
    output_point[r] = 0;
}

QRect CammerSingleton::ImageRect(int d, int r) const
{
    switch (shapeType[d][r]) {
    case ShapeRect:
        return rects[d][r].imageRect;
    case ShapePolygon:
        return polygons[d][r].imageRect;
    case ShapeRing:
        return circles[d][r].imageRect;
    default:
        return QRect();
    }
}

cv::Mat CammerSingleton::UpdateMask(int d, int r)
{
    switch (shapeType[d][r]) {
    case ShapeRect:
        rects[d][r].setImageRect();
        return rects[d][r].UpdateMask();
    case ShapePolygon:
        polygons[d][r].setImageRect();
        return polygons[d][r].UpdateMask();
    case ShapeRing:
        circles[d][r].setImageRect();
        return circles[d][r].UpdateMask();
    default:
        return cv::Mat();
    }
}

void CammerSingleton::CopyRegion(const CammerSingleton& from, int fd, int fr, int td, int tr)
{
    switch (from.shapeType[fd][fr]) {
    case ShapeRect:
        rects[td][tr] = from.rects[fd][fr];
        break;
    case ShapePolygon:
        polygons[td][tr] = from.polygons[fd][fr];
        break;
    case ShapeRing:
        circles[td][tr] = from.circles[fd][fr];
        break;
    default:
        break;
    }
    shapeType[td][tr] = from.shapeType[fd][fr];
    min_size[td][tr] = from.min_size[fd][fr];
    sensibility[td][tr] = from.sensibility[fd][fr];
    max_area[td][tr] = from.max_area[fd][fr];
    algorithm[td][tr] = from.algorithm[fd][fr];
}

bool CammerSingleton::LoadDatafromFile(CammerData* view)
{
    QSqlDatabase db = QSqlDatabase::database(QLatin1String(kParamConnection), false);
    QHash<QString, QString> rows;
    // A damaged page shows only when the scan reaches it: the table counts
    // as read when every row came back, never when the rows simply stop.
    const auto select = [&](QSqlError& error) {
        rows.clear();
        QSqlQuery q(db);
        if (q.exec(QStringLiteral("select name, value from %1").arg(table()))) {
            while (q.next()) {
                const QString name = q.value(0).toString();
                if (!rows.contains(name)) // the first row of a name counts, as a select by name would give
                    rows.insert(name, q.value(1).toString());
            }
        }
        error = q.lastError();
        return !error.isValid();
    };
    QSqlError error;
    const bool readable = db.isOpen() && RetryWhileBusy(select, &error);
    const QString why = db.isOpen() ? error.text() : QStringLiteral("the parameter database is not open");
    unread = !readable;
    if (!readable) {
        qWarning() << "regions of camera" << camera << "not readable; its steps are refused:" << why;
        rows.clear();
    }

    QStringList missingSteps;
    for (int d = 0; d < kStepCount; ++d) {
        const QString detect = QStringLiteral("detect%1").arg(d);
        auto it = rows.constFind(detect);
        if (it != rows.constEnd()) {
            Numbers n(*it);
            roiCount[d] = n.next();
            for (int k = 0; k < 8; ++k)
                checkFlags[d][k] = n.next();
        } else {
            roiCount[d] = 0;
            if (readable)
                missingSteps << detect;
        }
        if (unsigned(roiCount[d]) > unsigned(kRegionCount)) {
            host::showWarning(LanStr(0));
            roiCount[d] = 0;
        }

        for (int r = 0; r < roiCount[d]; ++r) {
            auto row = rows.constFind(QStringLiteral("ROI%1-%2").arg(d).arg(r));
            if (row == rows.constEnd()) {
                setDefaults(d, r);
            } else {
                Numbers n(*row);
                min_size[d][r] = n.next();
                sensibility[d][r] = n.next();
                max_area[d][r] = n.next();
                algorithm[d][r] = n.next();
                shapeType[d][r] = n.next();
                output_point[r] = n.next();
                if (unsigned(output_point[r]) > 3u)
                    output_point[r] = 0;
                const int count = n.next();
                switch (shapeType[d][r]) {
                case ShapePolygon:
                    if (count >= 1 && count <= RePolygon::MaxPoints) {
                        std::vector<QPoint> pts(count);
                        for (QPoint& p : pts) {
                            int x = n.next(), y = n.next();
                            CheckInRange(&x, 1);
                            CheckInRange(&y, 0);
                            p = QPoint(x, y);
                        }
                        polygons[d][r].SetPoints(pts);
                    } else {
                        setDefaults(d, r);
                    }
                    break;
                case ShapeRing: {
                    int cx = n.next(), cy = n.next();
                    CheckInRange(&cx, 1);
                    CheckInRange(&cy, 0);
                    const unsigned packed = unsigned(n.next());
                    Circle& c = circles[d][r];
                    c.centreX = cx;
                    c.centreY = cy;
                    c.radius = int(packed & 0xFFFFu);
                    c.innerRadius = int(packed >> 16);
                    c.UpdateRect();
                    break;
                }
                case ShapeRect: {
                    int x1 = n.next(), y1 = n.next(), x2 = n.next(), y2 = n.next();
                    CheckInRange(&x1, 1);
                    CheckInRange(&y1, 0);
                    CheckInRange(&x2, 1);
                    CheckInRange(&y2, 0);
                    rects[d][r].viewRect = QRect(QPoint(x1, y1), QPoint(x2, y2));
                    break;
                }
                default:
                    continue; // unknown shape: its mask stays as it was
                }
            }
            if (view)
                view->liveMasks[d][r] = UpdateMask(d, r);
            else
                UpdateMask(d, r);
        }
    }
    // The step rows a fresh table lacks, in one transaction that never stays
    // open: a commit kept out by a reader is tried again, then rolled back
    // (the rows are only zero counts, added again by the next load).
    if (!missingSteps.isEmpty() && db.transaction()) {
        bool ok = true;
        QSqlQuery ins(db);
        ins.prepare(QStringLiteral("insert into %1 values(?, '0')").arg(table()));
        for (const QString& detect : missingSteps) {
            ins.addBindValue(detect);
            ok = ok && ins.exec();
        }
        QString failure = ins.lastError().text();
        if (!ok)
            db.rollback();
        else
            ok = CommitOrRollback(db, &failure);
        if (!ok)
            qWarning() << "cannot add step rows to" << table() << failure;
    }
    return readable;
}

bool CammerSingleton::SaveDatatoFile()
{
    if (unread) {
        qWarning() << "regions of camera" << camera << "not saved: its table could not be read";
        host::showWarning(LanStr(kLanRegionsUnreadNotSaved).arg(camera + 1));
        return false;
    }
    if (paramSavesHeld()) {
        qWarning() << "regions of camera" << camera << "not saved: saves are held until the restart";
        host::showWarning(LanStr(kLanRegionSaveFailed));
        return false;
    }
    QSqlDatabase db = QSqlDatabase::database(QLatin1String(kParamConnection), false);
    if (!db.isOpen()) {
        qWarning() << "regions of camera" << camera << "not saved: the parameter database is not open";
        host::showWarning(LanStr(kLanRegionSaveFailed));
        return false;
    }
    if (!db.transaction()) {
        qWarning() << "regions of camera" << camera << "not saved:" << db.lastError().text();
        host::showWarning(LanStr(kLanRegionSaveFailed));
        return false;
    }
    QSqlQuery update(db), insert(db), remove(db);
    bool ok = update.prepare(QStringLiteral("update %1 set value=? where name=?").arg(table())) &&
              insert.prepare(QStringLiteral("insert into %1 values(?, ?)").arg(table())) &&
              remove.prepare(QStringLiteral("delete from %1 where name=?").arg(table()));

    // A row that is not there yet is inserted, so a count is never lost.
    auto write = [&](const QString& name, const QString& value) {
        update.addBindValue(value);
        update.addBindValue(name);
        if (!update.exec())
            return false;
        if (update.numRowsAffected() > 0)
            return true;
        insert.addBindValue(name);
        insert.addBindValue(value);
        return insert.exec();
    };

    for (int d = 0; d < kStepCount && ok; ++d) {
        QStringList detect{QString::number(roiCount[d])};
        for (int k = 0; k < 8; ++k)
            detect << QString::number(checkFlags[d][k]);
        ok = write(QStringLiteral("detect%1").arg(d), detect.join(' '));
        const int count = std::max(0, std::min(kRegionCount, roiCount[d]));
        for (int r = 0; r < count && ok; ++r) {
            QString value = QStringLiteral("%1 %2 %3 %4 %5 %6 ")
                                .arg(min_size[d][r])
                                .arg(sensibility[d][r])
                                .arg(max_area[d][r])
                                .arg(algorithm[d][r])
                                .arg(shapeType[d][r])
                                .arg(output_point[r]);
            switch (shapeType[d][r]) {
            case ShapeRect: {
                const QRect& v = rects[d][r].viewRect;
                value += QStringLiteral("0 %1 %2 %3 %4").arg(v.left()).arg(v.top()).arg(v.right()).arg(v.bottom());
                break;
            }
            case ShapeRing: {
                const Circle& c = circles[d][r];
                value += QStringLiteral("0 %1 %2 %3")
                             .arg(c.centreX)
                             .arg(c.centreY)
                             .arg(qint64(c.innerRadius) * 65536 + c.radius);
                break;
            }
            case ShapePolygon: {
                const RePolygon& p = polygons[d][r];
                value += QStringLiteral("%1 ").arg(p.count);
                for (int i = 0; i < p.count; ++i)
                    value += QStringLiteral("%1 %2 ").arg(p.viewPoints[i].x()).arg(p.viewPoints[i].y());
                break;
            }
            default:
                break;
            }
            ok = write(QStringLiteral("ROI%1-%2").arg(d).arg(r), value);
        }
        for (int r = count; r < kRegionCount && ok; ++r) {
            remove.addBindValue(QStringLiteral("ROI%1-%2").arg(d).arg(r));
            ok = remove.exec();
        }
    }
    QString commitFailure;
    if (ok)
        ok = CommitOrRollback(db, &commitFailure);
    else
        db.rollback();
    if (!ok) {
        const QString why = commitFailure + ' ' + update.lastError().text() + ' ' + insert.lastError().text() + ' ' +
                            remove.lastError().text();
        qWarning() << "regions of camera" << camera << "not saved:" << why.simplified();
        host::showWarning(LanStr(kLanRegionSaveFailed));
        return false;
    }
    for (int d = 0; d < kStepCount; ++d)
        NotifyRegionParam(camera, d);
    return true;
}
