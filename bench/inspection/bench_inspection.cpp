// Inspection benchmark: seeded synthetic frames with known defects, judged
// through the real region store, bitmaps and engine. Reports the time of the
// alignment and of the judgement per frame (median and 95th percentile) and
// the misclassified frames. With --check it fails on any misclassification.
//
//   bench_inspection [--frames N] [--size WxH]... [--rotate DEG]... [--seed S] [--check]
#include "scene.h"

#include "inspection/cammerdata.h"
#include "inspection/cammerrecongnize.h"
#include "inspection/shapebase.h"
#include "params/geometry.h"
#include "params/paramdb.h"
#include "params/wizardpara.h"

#include <QCoreApplication>
#include <QDir>
#include <QImage>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <opencv2/core/utility.hpp>
#include <string>

namespace {

struct Result {
    std::vector<double> align, judge; // milliseconds per frame
    int defectFrames = 0, cleanFrames = 0;
    int missed = 0, falseNg = 0;
};

double percentile(std::vector<double> v, double p)
{
    if (v.empty())
        return 0;
    std::sort(v.begin(), v.end());
    return v[std::min(v.size() - 1, size_t(p * (v.size() - 1) + 0.5))];
}

// Stores the scene's regions in step 0 of camera 0 through the region store.
bool storeRegions(const SceneGenerator& scene)
{
    CammerSingleton s(0);
    const auto& regions = scene.regions();
    s.roiCount[0] = int(regions.size());
    auto vx = [](double x) { return shapes::nint(x * gShowAW); };
    auto vy = [](double y) { return shapes::nint(y * gShowAH); };
    for (int r = 0; r < int(regions.size()); ++r) {
        const SceneRegion& g = regions[r];
        s.algorithm[0][r] = g.method;
        s.shapeType[0][r] = g.shape;
        s.min_size[0][r] = g.minSize;
        s.sensibility[0][r] = g.sensibility;
        s.max_area[0][r] = g.maxArea;
        if (g.shape == ShapeRect) {
            s.rects[0][r].viewRect =
                QRect(QPoint(vx(g.box.x), vy(g.box.y)), QPoint(vx(g.box.x + g.box.width) - 1, vy(g.box.y + g.box.height) - 1));
        } else if (g.shape == ShapeRing) {
            Circle& c = s.circles[0][r];
            c.centreX = vx(g.centre.x);
            c.centreY = vy(g.centre.y);
            c.radius = shapes::nint(g.radius * 2.0 / (1.0 / gShowAW + 1.0 / gShowAH));
            c.innerRadius = shapes::nint(g.inner * 2.0 / (1.0 / gShowAW + 1.0 / gShowAH));
            c.UpdateRect();
        } else {
            std::vector<QPoint> pts;
            for (const cv::Point& p : g.polygon)
                pts.emplace_back(vx(p.x), vy(p.y));
            s.polygons[0][r].SetPoints(pts);
        }
    }
    return s.SaveDatatoFile();
}

bool writeTemplate(const cv::Mat& img, const QString& path)
{
    QVector<QRgb> grey;
    for (int i = 0; i < 256; ++i)
        grey << qRgb(i, i, i);
    QImage q(img.data, img.cols, img.rows, int(img.step), QImage::Format_Indexed8);
    q.setColorTable(grey);
    QDir().mkpath(QStringLiteral("cammer11"));
    return q.save(path);
}

bool run(cv::Size size, double maxAngle, int frames, unsigned seed, Result* out)
{
    SetImageGeometry(size.width, size.height, false);
    WizardPara p = FactoryParams();
    p.step_enabled[0] = 1;
    p.enable_correct = 0;
    p.rotate_angle = maxAngle > 0 ? 10 : 0;
    gpWPara = &p;
    gTempNum = p.max_mold_num;

    QDir(QStringLiteral("cammer11")).removeRecursively();
    QFile::remove(QStringLiteral("PARAM.db"));
    if (!CreateParamDatabase(QStringLiteral("PARAM.db"), p) ||
        !OpenSqlite(QLatin1String(kParamConnection), QStringLiteral("PARAM.db")))
        return false;
    QSqlQuery(QSqlDatabase::database(QLatin1String(kParamConnection))).exec(QStringLiteral("create table cammer0(name text, value text)"));

    const SceneGenerator scene(size, seed);
    bool ok = storeRegions(scene) && writeTemplate(scene.Template(0), QStringLiteral("cammer11/template0.bmp")) &&
              writeTemplate(scene.Template(1), QStringLiteral("cammer11/template1.bmp"));
    if (!ok)
        return false;

    CammerData view(0);
    view.BuildInspection(); // loads bitmaps and regions, trains the step
    if (view.liveRegions->roiCount[0] != int(scene.regions().size()) || view.templateCount[0] != 2) {
        std::fprintf(stderr, "regions or templates did not load back\n");
        return false;
    }
    for (int i = 0; i < frames; ++i) {
        const SceneFrame f = scene.Frame(i, maxAngle);
        f.image.copyTo(view.curImage);
        const auto t0 = std::chrono::steady_clock::now();
        view.recong->ShapeMatch(0);
        const auto t1 = std::chrono::steady_clock::now();
        view.recong->Run(0);
        const auto t2 = std::chrono::steady_clock::now();
        out->align.push_back(std::chrono::duration<double, std::milli>(t1 - t0).count());
        out->judge.push_back(std::chrono::duration<double, std::milli>(t2 - t1).count());

        bool missed = false, wrong = false;
        for (int r = 0; r < view.liveRegions->roiCount[0]; ++r) {
            const bool ng = !view.roiOK[0][r];
            if (r == f.defectRegion && !ng)
                missed = true;
            if (r != f.defectRegion && ng) {
                wrong = true;
                std::fprintf(stderr, "  frame %d: region %d (method %d) NG, value %d\n", i, r,
                             scene.regions()[r].method, view.roiValue[0][r]);
            }
        }
        if (f.defectRegion >= 0) {
            ++out->defectFrames;
            if (missed)
                std::fprintf(stderr, "  frame %d: defect in region %d (method %d) missed, value %d\n", i,
                             f.defectRegion, scene.regions()[f.defectRegion].method,
                             view.roiValue[0][f.defectRegion]);
        } else {
            ++out->cleanFrames;
        }
        out->missed += missed;
        out->falseNg += wrong;
    }
    CloseSqlite(QLatin1String(kParamConnection));
    gpWPara = nullptr;
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    int frames = 200;
    unsigned seed = 1;
    bool check = false;
    std::vector<cv::Size> sizes;
    std::vector<double> angles;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        const bool more = i + 1 < argc;
        if (a == "--frames" && more) {
            frames = std::max(1, std::atoi(argv[++i]));
        } else if (a == "--seed" && more) {
            seed = unsigned(std::strtoul(argv[++i], nullptr, 10));
        } else if (a == "--size" && more) {
            int w = 0, h = 0;
            if (std::sscanf(argv[++i], "%dx%d", &w, &h) == 2 && w >= 320 && h >= 256)
                sizes.emplace_back(w, h);
        } else if (a == "--rotate" && more) {
            angles.push_back(std::max(0.0, std::min(10.0, std::atof(argv[++i]))));
        } else if (a == "--check") {
            check = true;
        } else {
            std::fprintf(stderr, "usage: %s [--frames N] [--size WxH]... [--rotate DEG]... [--seed S] [--check]\n",
                         argv[0]);
            return 2;
        }
    }
    if (sizes.empty())
        sizes = {{1280, 1024}, {2448, 2048}};
    if (angles.empty())
        angles = {0.0, 5.0};

    cv::setNumThreads(0); // one core: OpenCV runs everything in the calling thread
    QTemporaryDir dir;
    if (!dir.isValid() || !QDir::setCurrent(dir.path()))
        return 2;

    std::printf("%-10s %-8s %6s | %-23s | %-23s | %6s %6s\n", "size", "turn", "frames", "ShapeMatch ms med / p95",
                "Run ms med / p95", "missed", "falseNG");
    int wrong = 0;
    for (const cv::Size& s : sizes)
        for (double angle : angles) {
            Result r;
            if (!run(s, angle, frames, seed, &r)) {
                std::fprintf(stderr, "set-up failed for %dx%d\n", s.width, s.height);
                return 2;
            }
            char sz[32], turn[16];
            std::snprintf(sz, sizeof sz, "%dx%d", s.width, s.height);
            std::snprintf(turn, sizeof turn, angle > 0 ? "+-%.0f deg" : "shift", angle);
            std::printf("%-10s %-8s %6d | %9.2f / %9.2f | %9.2f / %9.2f | %6d %6d\n", sz, turn, frames,
                        percentile(r.align, 0.5), percentile(r.align, 0.95), percentile(r.judge, 0.5),
                        percentile(r.judge, 0.95), r.missed, r.falseNg);
            std::fflush(stdout);
            wrong += r.missed + r.falseNg;
        }
    if (check && wrong) {
        std::fprintf(stderr, "%d misclassified frames\n", wrong);
        return 1;
    }
    return 0;
}
