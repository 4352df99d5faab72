// Inspection benchmark: seeded frames with known defects, judged through the
// real region store, bitmaps and engine. Four sets:
//   clear  textured mold, mild light changes, defects well past the limits;
//   hard   surfaces closer to a real mold (flat, polished, faint, holes),
//          highlights and sheen, uneven lamps, offsets up to +-50, frames
//          turned through the search range (+-10), changes right above and
//          right below each method's limit;
//   wide   the clear scene turned anywhere, searched over +-180 degrees:
//          alignment time and error only;
//   photo  real photographs (textures, objects, a plain part) moved, turned,
//          noisy, lit differently, blurred, with discs and pasted patches of
//          20, 40 and 80 px at 30..90 grey levels, and parts stuck over the
//          position box; misses are counted by size and contrast.
// Reports the time of the alignment and of the judgement per frame (median
// and 95th percentile of the thread's processor time, one core), the
// misclassified frames, and per method the missed and false NG frames and the
// margins. With --check it fails on any misclassified frame, any frame not
// aligned, and an alignment error above 0.3 px or 0.2 degrees; on the photo
// set, on any clean textured frame judged NG, any frame judged OK on a pose more than
// 20 px or 2 degrees off or with a stuck part, any miss of 40 px and 40
// levels or more on the textures, and (over 100 cases or more) more than 1 %
// of misses of 20 px at 40 levels or more.
//
//   bench_inspection [--set clear|hard|wide|photo]... [--frames N] [--size WxH]... [--rotate DEG]... [--seed S] [--check]
#include "hardscene.h"
#include "photoscene.h"
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
#include <ctime>
#include <cstdio>
#include <cstring>
#include <limits>
#include <map>
#include <memory>
#include <opencv2/core/utility.hpp>
#include <string>

namespace {

constexpr int kHardRange = 10;      // the hard set's search range, frames turned through all of it
constexpr double kMaxShiftError = 0.3;
constexpr double kMaxAngleError = 0.2;
// A pose this far from the truth judges the frame on the wrong pixels.
constexpr double kWrongPoseShift = 20.0;
constexpr double kWrongPoseAngle = 2.0;

struct MethodStats {
    int regions = 0;
    int defectFrames = 0, missed = 0, falseNg = 0;
    double cleanMargin = std::numeric_limits<double>::infinity();
    double defectMargin = std::numeric_limits<double>::infinity();
};

struct Result {
    std::vector<double> align, judge; // milliseconds per frame
    int defectFrames = 0, cleanFrames = 0;
    int missed = 0, falseNg = 0, notAligned = 0;
    double shiftError = 0, angleError = 0; // the largest of the run
    std::map<int, MethodStats> methods;
    // Photo set: frames judged NG without a change, judged OK on a wrong
    // pose, stuck parts (and those judged OK), changes by size and contrast.
    int cleanNg = 0, okOffPose = 0, stuck = 0, stuckOk = 0;
    std::map<std::pair<int, int>, std::pair<int, int>> bySize; // (size, contrast) -> (frames, missed)
};

struct Setup {
    double turn = 0;   // frames turned up to +- this
    int search = 0;    // the angle setting (0: shift only)
    bool detail = false; // regions judged with their own filter size and area
    bool judge = true;
};

// Milliseconds of this thread's processor time: on a machine shared with
// other work the wall clock would time the neighbours too.
double threadMs()
{
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
}

double percentile(std::vector<double> v, double p)
{
    if (v.empty())
        return 0;
    std::sort(v.begin(), v.end());
    return v[std::min(v.size() - 1, size_t(p * (v.size() - 1) + 0.5))];
}

const char* methodName(int m)
{
    switch (m) {
    case MethodDefect:
        return "defect";
    case MethodSpot:
        return "spot";
    case MethodBlackArea:
        return "black area";
    case MethodWhiteArea:
        return "white area";
    case MethodSimilarity:
        return "similarity";
    case MethodWhiteNum:
        return "white num";
    case MethodDirection:
        return "direction";
    default:
        return "?";
    }
}

// How far a value lies inside the OK side of its region's limits (negative:
// on the NG side), as the judgement decides.
double okMargin(int method, const SceneRegion& g, int value, const WizardPara& p)
{
    switch (method) {
    case MethodSpot:
        return std::min(value - g.sensibility, g.maxArea - value);
    case MethodBlackArea:
    case MethodWhiteArea:
    case MethodWhiteNum:
        return g.maxArea - value;
    case MethodSimilarity:
        return value - g.sensibility;
    case MethodDirection:
        return -value;
    default:
        return (p.enable_display_detail ? g.maxArea : p.minimum_area) - value;
    }
}

// Stores the scene's regions in step 0 of camera 0 through the region store.
bool storeRegions(const Scene& scene)
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

bool run(const Scene& scene, cv::Size size, const Setup& setup, int frames, Result* out)
{
    const bool photo = dynamic_cast<const PhotoScene*>(&scene) != nullptr;
    SetImageGeometry(size.width, size.height, false);
    WizardPara p = FactoryParams();
    p.step_enabled[0] = 1;
    p.enable_correct = 0;
    p.rotate_angle = setup.search;
    p.enable_display_detail = setup.detail;
    gpWPara = &p;
    gTempNum = p.max_mold_num;

    QDir(QStringLiteral("cammer11")).removeRecursively();
    QFile::remove(QStringLiteral("PARAM.db"));
    if (!CreateParamDatabase(QStringLiteral("PARAM.db"), p) ||
        !OpenSqlite(QLatin1String(kParamConnection), QStringLiteral("PARAM.db")))
        return false;
    QSqlQuery(QSqlDatabase::database(QLatin1String(kParamConnection))).exec(QStringLiteral("create table cammer0(name text, value text)"));

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
    const CammerRecong& e = *view.recong;
    for (int r = 0; r < int(scene.regions().size()); ++r) {
        const int m = scene.regions()[r].method;
        if (m != MethodPosition && m != MethodIgnore)
            ++out->methods[m].regions;
    }
    for (int i = 0; i < frames; ++i) {
        const SceneFrame f = scene.Frame(i, setup.turn);
        f.image.copyTo(view.curImage);
        const double t0 = threadMs();
        view.recong->ShapeMatch(0);
        const double t1 = threadMs();
        if (setup.judge)
            view.recong->Run(0);
        const double t2 = threadMs();
        out->align.push_back(t1 - t0);
        if (setup.judge)
            out->judge.push_back(t2 - t1);

        bool offPose = false;
        if (e.alignState[0] != AlignState::Aligned) {
            ++out->notAligned;
            std::fprintf(stderr, "  frame %d: not aligned (score %.3f)%s%s\n", i, e.alignScore[0],
                         f.what.empty() ? "" : "; the frame: ", f.what.c_str());
        } else {
            // The generator turned about its own centre, the engine about the
            // model's: the shift that undoes the frame's move about the latter.
            const cv::Point2d cs = scene.positionCentre();
            const cv::Point2d cm(e.modelCentreX[0], e.modelCentreY[0]);
            const double a = f.angle * CV_PI / 180, ca = std::cos(a), sa = std::sin(a);
            const cv::Point2d d = cm - cs;
            const cv::Point2d truth = cm - cs - f.move - cv::Point2d(ca * d.x + sa * d.y, -sa * d.x + ca * d.y);
            const double se = cv::norm(e.alignShift[0] - truth);
            const double ae = std::abs(std::remainder(e.alignAngle[0] - f.angle, 360.0));
            out->shiftError = std::max(out->shiftError, se);
            out->angleError = std::max(out->angleError, ae);
            if (se > kMaxShiftError || ae > kMaxAngleError)
                std::fprintf(stderr, "  frame %d: aligned %.3f px, %.3f deg off\n", i, se, ae);
            offPose = se > kWrongPoseShift || ae > kWrongPoseAngle;
        }
        if (!setup.judge)
            continue;
        if (view.allOK && offPose) {
            ++out->okOffPose;
            std::fprintf(stderr, "  frame %d: judged OK on a wrong pose; the frame: %s\n", i, f.what.c_str());
        }
        if (f.stuck) {
            ++out->stuck;
            if (view.allOK) {
                ++out->stuckOk;
                std::fprintf(stderr, "  frame %d: stuck part judged OK\n", i);
            }
        } else if (f.defectRegion < 0 && !view.allOK) {
            ++out->cleanNg;
        }
        const PhotoScene::Change change = photo ? PhotoScene::ChangeOf(i) : PhotoScene::Change();
        if (change.size > 0) {
            auto& cell = out->bySize[{change.size, change.contrast}];
            ++cell.first;
            cell.second += view.roiOK[0][f.defectRegion];
        }

        bool missed = false, wrong = false;
        for (int r = 0; r < view.liveRegions->roiCount[0]; ++r) {
            const SceneRegion& g = scene.regions()[r];
            if (g.method == MethodPosition || g.method == MethodIgnore)
                continue;
            const bool ng = !view.roiOK[0][r];
            const int value = view.roiValue[0][r];
            const double margin = okMargin(g.method, g, value, p);
            MethodStats& ms = out->methods[g.method];
            if (r == f.defectRegion) {
                ++ms.defectFrames;
                ms.defectMargin = std::min(ms.defectMargin, -margin);
                if (!ng) {
                    missed = true;
                    ++ms.missed;
                    std::fprintf(stderr, "  frame %d: %s in region %d (%s) missed, value %d\n", i, f.what.c_str(), r,
                                 methodName(g.method), value);
                }
            } else {
                ms.cleanMargin = std::min(ms.cleanMargin, margin);
                if (ng) {
                    wrong = true;
                    ++ms.falseNg;
                    std::fprintf(stderr, "  frame %d: region %d (%s) NG, value %d%s%s\n", i, r, methodName(g.method),
                                 value, f.what.empty() ? "" : "; the frame's change: ", f.what.c_str());
                }
            }
        }
        if (f.defectRegion >= 0)
            ++out->defectFrames;
        else if (!f.stuck)
            ++out->cleanFrames;
        out->missed += missed;
        out->falseNg += wrong;
    }
    CloseSqlite(QLatin1String(kParamConnection));
    gpWPara = nullptr;
    return true;
}

std::string sizeLabel(cv::Size s)
{
    char b[32];
    std::snprintf(b, sizeof b, "%dx%d", s.width, s.height);
    return b;
}

std::string turnLabel(const Setup& setup)
{
    if (setup.turn <= 0)
        return "shift";
    char b[24];
    std::snprintf(b, sizeof b, "+-%.0f/%d deg", setup.turn, setup.search);
    return b;
}

std::string margin(double v)
{
    if (std::isinf(v))
        return "-";
    char b[32];
    std::snprintf(b, sizeof b, "%.0f", v);
    return b;
}

// The photo set: every scene shift only, turned +-5 and +-10 searched +-10.
// Returns the number of frames that break the targets.
int runPhotos(const std::vector<cv::Size>& sizes, int frames, unsigned seed)
{
    std::printf("\nphoto set\n%-10s %-7s %-13s %6s | %-23s | %-23s | %7s %7s %6s %9s %8s | %-16s\n", "size", "scene",
                "turn", "frames", "ShapeMatch ms med / p95", "Run ms med / p95", "falseNG", "unalign", "missed",
                "stuck OK", "OK off", "error px / deg");
    int wrong = 0;
    for (const cv::Size& s : sizes) {
        for (const Setup& setup : {Setup{0, 0, false, true}, Setup{5, 10, false, true}, Setup{10, 10, false, true}}) {
            Result all;
            for (const std::string& name : PhotoScene::Names()) {
                PhotoScene scene(name, s, seed);
                if (!scene.IsValid()) {
                    std::fprintf(stderr, "photographs not found (INMOLD_PHOTO_DIR)\n");
                    return 1;
                }
                Result r;
                std::fprintf(stderr, "%s, turned +-%.0f, searched +-%d:\n", name.c_str(), setup.turn, setup.search);
                if (!run(scene, s, setup, frames, &r)) {
                    std::fprintf(stderr, "set-up failed for %s\n", name.c_str());
                    return 1;
                }
                const std::string sz = sizeLabel(s), turn = turnLabel(setup);
                std::printf("%-10s %-7s %-13s %6d | %9.2f / %9.2f | %9.2f / %9.2f | %7d %7d %6d %5d/%-3d %8d | %6.2f / %6.2f\n",
                            sz.c_str(), name.c_str(), turn.c_str(), frames, percentile(r.align, 0.5), percentile(r.align, 0.95),
                            percentile(r.judge, 0.5), percentile(r.judge, 0.95), r.cleanNg, r.notAligned, r.missed,
                            r.stuckOk, r.stuck, r.okOffPose, r.shiftError, r.angleError);
                std::fflush(stdout);
                all.align.insert(all.align.end(), r.align.begin(), r.align.end());
                all.judge.insert(all.judge.end(), r.judge.begin(), r.judge.end());
                // The plain plate may be unplaceable: its clean frames judged
                // NG as "position not found" are right, not false alarms.
                // Its frames are judged NG whenever its place is unsure, so its
                // misses are its own row's, not the textures' table's.
                all.okOffPose += r.okOffPose;
                all.stuckOk += r.stuckOk;
                if (name == "plate")
                    continue;
                all.cleanNg += r.cleanNg;
                for (const auto& c : r.bySize) {
                    all.bySize[c.first].first += c.second.first;
                    all.bySize[c.first].second += c.second.second;
                }
            }
            std::printf("  all scenes: ShapeMatch %.2f / %.2f ms, Run %.2f / %.2f ms; textured scenes, missed / "
                        "changes by size and contrast:\n  %-6s",
                        percentile(all.align, 0.5), percentile(all.align, 0.95), percentile(all.judge, 0.5),
                        percentile(all.judge, 0.95), "size");
            std::vector<int> contrasts;
            for (const auto& c : all.bySize)
                if (std::find(contrasts.begin(), contrasts.end(), c.first.second) == contrasts.end())
                    contrasts.push_back(c.first.second);
            std::sort(contrasts.begin(), contrasts.end());
            for (int c : contrasts)
                std::printf(" %9d", c);
            int size = -1;
            int small = 0, smallMissed = 0;
            for (const auto& c : all.bySize) {
                if (c.first.first != size) {
                    size = c.first.first;
                    std::printf("\n  %-6d", size);
                }
                std::printf(" %4d/%-4d", c.second.second, c.second.first);
                if (c.first.second >= 40 && c.first.first >= 40)
                    wrong += c.second.second;
                if (c.first.second >= 40 && c.first.first < 40) {
                    small += c.second.first;
                    smallMissed += c.second.second;
                }
            }
            std::printf("\n");
            // The share of small misses means something over 100 cases and more.
            wrong += all.cleanNg + all.okOffPose + all.stuckOk + (small >= 100 && smallMissed * 100 > small ? smallMissed : 0);
        }
    }
    return wrong;
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
    std::vector<std::string> sets;
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
        } else if (a == "--set" && more && (std::strcmp(argv[i + 1], "clear") == 0 ||
                                           std::strcmp(argv[i + 1], "hard") == 0 ||
                                           std::strcmp(argv[i + 1], "wide") == 0 ||
                                           std::strcmp(argv[i + 1], "photo") == 0)) {
            sets.emplace_back(argv[++i]);
        } else if (a == "--check") {
            check = true;
        } else {
            std::fprintf(stderr,
                         "usage: %s [--set clear|hard|wide|photo]... [--frames N] [--size WxH]... [--rotate DEG]... "
                         "[--seed S] [--check]\n",
                         argv[0]);
            return 2;
        }
    }
    if (sizes.empty())
        sizes = {{1280, 1024}, {2448, 2048}};
    if (angles.empty())
        angles = {0.0, 5.0};
    if (sets.empty())
        sets = {"clear", "hard", "wide", "photo"};

    cv::setNumThreads(0); // one core: OpenCV runs everything in the calling thread
    QTemporaryDir dir;
    if (!dir.isValid() || !QDir::setCurrent(dir.path()))
        return 2;

    int wrong = 0;
    for (const std::string& set : sets) {
        if (set == "photo") {
            wrong += runPhotos(sizes, frames, seed);
            continue;
        }
        std::printf("\n%s set\n", set.c_str());
        if (set == "wide")
            std::printf("%-10s %-13s %6s | %-23s | %-22s\n", "size", "turn", "frames", "ShapeMatch ms med / p95",
                        "largest error px / deg");
        else
            std::printf("%-10s %-13s %6s | %-23s | %-23s | %6s %7s %7s | %-16s\n", "size", "turn", "frames",
                        "ShapeMatch ms med / p95", "Run ms med / p95", "missed", "falseNG", "unaligned",
                        "error px / deg");
        for (const cv::Size& s : sizes) {
            std::vector<Setup> setups;
            if (set == "clear")
                for (double a : angles)
                    setups.push_back({a, a > 0 ? 10 : 0, false, true});
            else if (set == "hard")
                setups.push_back({double(kHardRange), kHardRange, true, true});
            else
                setups.push_back({180.0, 180, false, false});
            for (const Setup& setup : setups) {
                std::unique_ptr<Scene> scene;
                if (set == "hard")
                    scene.reset(new HardSceneGenerator(s, seed));
                else
                    scene.reset(new SceneGenerator(s, seed));
                Result r;
                if (!run(*scene, s, setup, frames, &r)) {
                    std::fprintf(stderr, "set-up failed for %dx%d\n", s.width, s.height);
                    return 2;
                }
                const std::string sz = sizeLabel(s), turn = turnLabel(setup);
                if (set == "wide") {
                    std::printf("%-10s %-13s %6d | %9.2f / %9.2f | %9.3f / %9.3f\n", sz.c_str(), turn.c_str(), frames,
                                percentile(r.align, 0.5), percentile(r.align, 0.95), r.shiftError, r.angleError);
                    wrong += r.notAligned + (r.shiftError > kMaxShiftError || r.angleError > kMaxAngleError);
                } else {
                    std::printf("%-10s %-13s %6d | %9.2f / %9.2f | %9.2f / %9.2f | %6d %7d %7d | %6.3f / %6.3f\n", sz.c_str(),
                                turn.c_str(), frames, percentile(r.align, 0.5), percentile(r.align, 0.95),
                                percentile(r.judge, 0.5), percentile(r.judge, 0.95), r.missed, r.falseNg,
                                r.notAligned, r.shiftError, r.angleError);
                    wrong += r.missed + r.falseNg + r.notAligned +
                             (r.shiftError > kMaxShiftError || r.angleError > kMaxAngleError);
                }
                if (set != "wide") {
                    std::printf("  %-11s %7s %8s %6s %7s %12s %13s\n", "method", "regions", "changed", "missed",
                                "falseNG", "clean margin", "defect margin");
                    for (const auto& m : r.methods)
                        std::printf("  %-11s %7d %8d %6d %7d %12s %13s\n", methodName(m.first), m.second.regions,
                                    m.second.defectFrames, m.second.missed, m.second.falseNg,
                                    margin(m.second.cleanMargin).c_str(), margin(m.second.defectMargin).c_str());
                }
                std::fflush(stdout);
            }
        }
    }
    if (check && wrong) {
        std::fprintf(stderr, "%d misclassified or misaligned frames\n", wrong);
        return 1;
    }
    return 0;
}
