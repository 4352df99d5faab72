#include "inspection/changelog.h"

#include "inspection/cammersingleton.h"
#include "params/lanstr.h"
#include "params/procedures.h"
#include "params/wizardpara.h"

#include <cstring>

namespace {

bool same(const ClustomRect& a, const ClustomRect& b)
{
    return a.viewRect == b.viewRect && a.imageRect == b.imageRect && a.selected == b.selected &&
           a.lastDx == b.lastDx && a.lastDy == b.lastDy;
}

bool same(const Circle& a, const Circle& b)
{
    return a.viewRect == b.viewRect && a.imageRect == b.imageRect && a.centreX == b.centreX &&
           a.centreY == b.centreY && a.radius == b.radius && a.innerRadius == b.innerRadius &&
           a.imageCentreX == b.imageCentreX && a.imageCentreY == b.imageCentreY &&
           a.imageRadius == b.imageRadius && a.imageInnerRadius == b.imageInnerRadius && a.selected == b.selected;
}

bool same(const RePolygon& a, const RePolygon& b)
{
    return a.count == b.count && a.viewPoints == b.viewPoints && a.imagePoints == b.imagePoints &&
           a.viewRect == b.viewRect && a.imageRect == b.imageRect && a.selected == b.selected &&
           a.lastDx == b.lastDx && a.lastDy == b.lastDy;
}

template <typename T>
bool sameArray(const T& a, const T& b)
{
    return std::memcmp(&a, &b, sizeof(T)) == 0;
}

// The shape named by `kind` in both stores.
bool sameGeometry(const CammerSingleton& s, const CammerSingleton& e, int d, int r, int kind)
{
    switch (kind) {
    case ShapeRect:
        return same(s.rects[d][r], e.rects[d][r]);
    case ShapeRing:
        return same(s.circles[d][r], e.circles[d][r]);
    case ShapePolygon:
        return same(s.polygons[d][r], e.polygons[d][r]);
    default:
        return true;
    }
}

QString shapeName(int kind)
{
    if (kind == ShapeRect)
        return LanStr(74);
    if (kind == ShapeRing)
        return LanStr(75);
    return LanStr(76);
}

QString methodName(int method)
{
    switch (method) {
    case MethodSpot:
        return LanStr(15);
    case MethodIgnore:
        return LanStr(17);
    case MethodPosition:
        return LanStr(21);
    default:
        return LanStr(25);
    }
}

QString num(int v) { return QString::number(v); }

// The sentence of a changed value, empty when it did not change.
QString changed(int row, int before, int after)
{
    return before == after ? QString() : LanStr(row).arg(num(before), num(after));
}

QString addedFunction(const CammerSingleton& e, int d, int r)
{
    const int minSize = e.min_size[d][r], sens = e.sensibility[d][r], area = e.max_area[d][r];
    switch (e.algorithm[d][r]) {
    case MethodIgnore:
        return LanStr(17);
    case MethodPosition:
        return LanStr(79).arg(num(minSize), num(sens), num(area));
    case MethodSpot:
        return LanStr(77).arg(num(minSize & 0xFF), num((minSize >> 8) & 0xFF), num(sens), num(area));
    default:
        return LanStr(78).arg(num(sens), num(minSize), num(area));
    }
}

} // namespace

bool SameStore(const CammerSingleton& a, const CammerSingleton& b)
{
    if (a.camera != b.camera || !sameArray(a.roiCount, b.roiCount) || !sameArray(a.min_size, b.min_size) ||
        !sameArray(a.sensibility, b.sensibility) || !sameArray(a.max_area, b.max_area) ||
        !sameArray(a.algorithm, b.algorithm) || !sameArray(a.shapeType, b.shapeType) ||
        !sameArray(a.output_point, b.output_point) || !sameArray(a.checkFlags, b.checkFlags))
        return false;
    for (int d = 0; d < kStepCount; ++d)
        for (int r = 0; r < kRegionCount; ++r)
            if (!same(a.rects[d][r], b.rects[d][r]) || !same(a.circles[d][r], b.circles[d][r]) ||
                !same(a.polygons[d][r], b.polygons[d][r]))
                return false;
    return true;
}

QString StepText(int d)
{
    const int procedure = gpWPara ? gpWPara->procedure : ProcStandard;
    if (procedure == ProcTwoColor || procedure == ProcTurntable)
        return LanStr(372 + d);
    if (procedure == ProcMultiDetect)
        return LanStr(477 + d);
    return LanStr(263 + d);
}

StoreChanges ChangeRecords(const CammerSingleton& s, const CammerSingleton& e, int cameraNumber, int steps)
{
    StoreChanges out;
    for (int d = 0; d < steps && d < kStepCount; ++d) {
        const int nS = std::max(0, std::min(kRegionCount, s.roiCount[d]));
        const int nE = std::max(0, std::min(kRegionCount, e.roiCount[d]));
        const QString prefix = LanStr(73).arg(num(cameraNumber), StepText(d));
        for (int j = 0; j < std::max(nS, nE); ++j) {
            if ((j < nS && s.algorithm[d][j] == MethodPosition) || (j < nE && e.algorithm[d][j] == MethodPosition))
                out.positioning = true;
            if (j >= nE) {
                out.records << prefix + LanStr(81).arg(shapeName(s.shapeType[d][j]), num(j + 1),
                                                       methodName(s.algorithm[d][j]));
                continue;
            }
            if (j >= nS) {
                out.records << prefix + LanStr(80).arg(shapeName(e.shapeType[d][j]), num(j + 1),
                                                       addedFunction(e, d, j));
                continue;
            }
            const int kind = e.shapeType[d][j];
            const bool moved = !sameGeometry(s, e, d, j, kind);
            const int before = s.algorithm[d][j], method = e.algorithm[d][j];
            const QString function =
                before == method ? LanStr(84) : LanStr(82) + methodName(before) + LanStr(83);
            QStringList parts;
            QString sentence;
            switch (method) {
            case MethodIgnore:
                sentence = LanStr(17);
                break;
            case MethodPosition:
                parts << changed(90, s.sensibility[d][j], e.sensibility[d][j])
                      << changed(91, s.max_area[d][j], e.max_area[d][j])
                      << changed(92, s.min_size[d][j], e.min_size[d][j]);
                sentence = LanStr(93).arg(parts[0], parts[1], parts[2]);
                break;
            case MethodSpot:
                parts << changed(85, s.min_size[d][j] & 0xFF, e.min_size[d][j] & 0xFF)
                      << changed(86, (s.min_size[d][j] >> 8) & 0xFF, (e.min_size[d][j] >> 8) & 0xFF)
                      << changed(87, s.sensibility[d][j], e.sensibility[d][j])
                      << changed(88, s.max_area[d][j], e.max_area[d][j]);
                sentence = LanStr(89).arg(parts[0], parts[1], parts[2], parts[3]);
                break;
            default:
                parts << changed(94, s.sensibility[d][j], e.sensibility[d][j])
                      << changed(95, s.max_area[d][j], e.max_area[d][j])
                      << changed(96, s.min_size[d][j], e.min_size[d][j]);
                sentence = LanStr(97).arg(parts[0], parts[1], parts[2]);
                break;
            }
            bool anyParameter = false;
            for (const QString& p : parts)
                anyParameter = anyParameter || !p.isEmpty();
            if (!moved && !(method != MethodIgnore && anyParameter))
                continue;
            out.records << prefix + LanStr(99).arg(shapeName(kind), num(j + 1), function, sentence,
                                                   moved ? LanStr(98) : QString());
        }
    }
    return out;
}
