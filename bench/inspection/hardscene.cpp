#include "hardscene.h"
#include "layout.h"
#include "texture.h"

#include "inspection/cammersingleton.h"

#include <cmath>
#include <opencv2/imgproc.hpp>

namespace {

// Region indices, in the order the regions are stored.
enum {
    Pos,
    DTex,      // defect on textured steel
    DFlat,     // defect on a flat, shaded plate (ring)
    DHigh,     // defect on textured steel with two highlights
    SFlat,     // similarity on a flat plate whose grain changes between shots
    Spot,
    DHoles,    // defect over a hole pattern
    WArea,
    BArea,     // polygon
    STex,      // similarity on textured steel with a highlight
    SShaded,   // similarity on a gently shaded plate
    DPolished, // defect on polished steel (polygon) with a highlight
    WNum,
    SHoles,    // similarity over a hole pattern
    Dir,
    DIgn,      // defect around an ignore area
    Ign,
    DLow,      // defect on faintly textured steel
    BRing,     // black area (ring)
    DCorner,   // defect in the bottom-right corner, partly out of view when turned
    RegionCount
};

constexpr int kAlarmArea = 100;    // defect regions: area limit
constexpr int kSensitivity = 25;   // defect regions: grey-level tolerance
constexpr int kFilter = 5;         // defect regions: filter size
constexpr int kSimilarity = 85;    // similarity regions: minimum score
constexpr int kSpotLow = 90;       // spot grey range 90..255
constexpr int kSpotMinArea = 300, kSpotMaxArea = 1000;
constexpr int kWhite = 170, kBlack = 80, kBlobMaxArea = 150;
constexpr int kPinThreshold = 120, kPinsAllowed = 4;
constexpr int kHighlightPeak = 245;
constexpr double kHighlightGrowth = 3; // px a highlight grows or shrinks by between shots
constexpr double kHardEdge = 40;       // local 3 x 3 range of a hard edge in the steel

double areaRadius(double area) { return std::sqrt(area / CV_PI); }
// A disc whose outline (through its outer pixels' centres, as the judgement
// measures it) encloses `area`.
double outlineRadius(double area) { return std::sqrt(area / CV_PI) + 0.5; }

// Adds `delta` to the pixels within r of c (hard edge), clipped to 0..255.
void addDisc(cv::Mat& img, cv::Point2d c, double r, int delta, const cv::Mat& shape = cv::Mat(),
             cv::Point shapeAt = cv::Point())
{
    const cv::Rect box = cv::Rect(int(c.x - r - 1), int(c.y - r - 1), int(2 * r + 3), int(2 * r + 3)) &
                         cv::Rect(0, 0, img.cols, img.rows);
    for (int y = box.y; y < box.y + box.height; ++y)
        for (int x = box.x; x < box.x + box.width; ++x) {
            if ((x - c.x) * (x - c.x) + (y - c.y) * (y - c.y) > r * r)
                continue;
            if (!shape.empty()) {
                const cv::Point s(x - shapeAt.x, y - shapeAt.y);
                if (s.x < 0 || s.y < 0 || s.x >= shape.cols || s.y >= shape.rows || !shape.at<uchar>(s))
                    continue;
            }
            uchar& v = img.at<uchar>(y, x);
            v = cv::saturate_cast<uchar>(v + delta);
        }
}

// A soft-edged disc of grey `value` (a shiny part, a highlight).
template <typename T>
void softDisc(cv::Mat& img, cv::Point2d c, double r, double value, double edge)
{
    const int reach = int(r + 4 * edge + 2);
    const cv::Rect box =
        cv::Rect(int(c.x) - reach, int(c.y) - reach, 2 * reach + 1, 2 * reach + 1) & cv::Rect(0, 0, img.cols, img.rows);
    for (int y = box.y; y < box.y + box.height; ++y)
        for (int x = box.x; x < box.x + box.width; ++x) {
            const double d = std::hypot(x - c.x, y - c.y);
            const double p = 1.0 / (1.0 + std::exp((d - r) / edge));
            T& v = img.at<T>(y, x);
            v = cv::saturate_cast<T>(v + (value - v) * p);
        }
}

void holes(cv::Mat& img, cv::Rect patch, double phase)
{
    img(patch).setTo(140);
    const int pitch = 22;
    for (double y = patch.y + 8 + phase; y < patch.y + patch.height - 4; y += pitch)
        for (double x = patch.x + 8 + phase; x < patch.x + patch.width - 4; x += pitch) {
            cv::circle(img, cv::Point(int(x), int(y)), 7, cv::Scalar(195), cv::FILLED, cv::LINE_AA);
            cv::circle(img, cv::Point(int(x), int(y)), 5, cv::Scalar(35), cv::FILLED, cv::LINE_AA);
        }
}

} // namespace

double HardSceneGenerator::Light::gainAt(cv::Point2d p) const
{
    return gain * (1 + ramp * std::tanh((rampDir.dot(p) - rampAt) / rampWidth));
}

double HardSceneGenerator::Light::at(cv::Point2d p, double scene) const
{
    const double g = gainAt(p);
    const cv::Point2d d = p - sheenAt;
    return g * scene + offset + sheen * std::exp(-d.dot(d) / (2 * sheenSigma * sheenSigma));
}

HardSceneGenerator::HardSceneGenerator(cv::Size size, unsigned seed)
    : size_(size), scale_(std::min(size.width / 1280.0, size.height / 1024.0)), seed_(seed)
{
    using scenelayout::centreOf;
    auto cell = [&](int col, int row, int rows = 1) { return scenelayout::cell(size, col, row, rows); };
    auto region = [](int method, int minSize, int sens, int maxArea) {
        SceneRegion r;
        r.method = method;
        r.minSize = minSize;
        r.sensibility = sens;
        r.maxArea = maxArea;
        return r;
    };
    auto rect = [&](SceneRegion r, cv::Rect b) {
        r = scenelayout::rect(r, b);
        r.defectAt = centreOf(b);
        return r;
    };
    auto ring = [&](SceneRegion r, cv::Rect b, bool hole) {
        r = scenelayout::ring(r, b, hole);
        r.defectAt = r.centre;
        return r;
    };
    auto poly = [&](SceneRegion r, cv::Rect b) {
        r = scenelayout::polygon(r, b);
        r.defectAt = centreOf(b);
        return r;
    };
    const SceneRegion defect = region(MethodDefect, kFilter, kSensitivity, kAlarmArea);
    const SceneRegion similar = region(MethodSimilarity, 0, kSimilarity, 0);
    const SceneRegion black = region(MethodBlackArea, 0, kBlack, kBlobMaxArea);
    const cv::Rect ignoreBox(centreOf(cell(1, 3)) - cv::Point(30, 30), cv::Size(60, 60));

    regions_.resize(RegionCount);
    regions_[Pos] = rect(region(MethodPosition, 5, 0, 0), cell(2, 1, 2));
    regions_[DTex] = rect(defect, cell(0, 0));
    regions_[DFlat] = ring(defect, cell(1, 0), true);
    regions_[DHigh] = rect(defect, cell(2, 0));
    regions_[SFlat] = rect(similar, cell(3, 0));
    regions_[Spot] = ring(region(MethodSpot, (255 << 8) | kSpotLow, kSpotMinArea, kSpotMaxArea), cell(4, 0), false);
    regions_[DHoles] = rect(defect, cell(0, 1));
    regions_[WArea] = rect(region(MethodWhiteArea, 0, kWhite, kBlobMaxArea), cell(1, 1));
    regions_[BArea] = poly(black, cell(3, 1));
    regions_[STex] = rect(similar, cell(4, 1));
    regions_[SShaded] = rect(similar, cell(0, 2));
    regions_[DPolished] = poly(defect, cell(1, 2));
    regions_[WNum] = rect(region(MethodWhiteNum, 3, kPinThreshold, kPinsAllowed), cell(3, 2));
    regions_[SHoles] = rect(similar, cell(4, 2));
    regions_[Dir] = rect(region(MethodDirection, 0, 300, 1000), cell(0, 3));
    regions_[DIgn] = rect(defect, cell(1, 3));
    regions_[Ign] = rect(region(MethodIgnore, 0, 0, 0), ignoreBox);
    regions_[DLow] = rect(defect, cell(2, 3));
    regions_[BRing] = ring(black, cell(3, 3), false);
    regions_[DCorner] = rect(defect, cell(4, 3));
    ignored_ = Ign;
    grainy_ = SFlat;

    // Textured steel everywhere, then the other surfaces over their cells.
    base_ = SceneTexture(size, seed, {4.0, 70, 175, size.area() / 6000, 4, 16, 200, 55});
    for (int r = 0; r < RegionCount; ++r) {
        const cv::Mat s = surface(r, seed);
        if (s.empty())
            continue;
        const SceneRegion& g = regions_[r];
        const cv::Rect patch = cv::Rect(g.box.x - 12, g.box.y - 12, g.box.width + 24, g.box.height + 24) &
                               cv::Rect(0, 0, size.width, size.height);
        s.copyTo(base_(patch));
    }
    // A unique mark and a row of holes in the position region, so that the
    // hole pattern cannot pass for the part one pitch away.
    {
        const cv::Rect p = regions_[Pos].box;
        holes(base_, cv::Rect(p.x, p.y + p.height / 2 - 30, p.width, 60), 0);
        cv::rectangle(base_, cv::Rect(p.x + p.width / 4, p.y + p.height / 5, p.width / 2, 8), cv::Scalar(215),
                      cv::FILLED);
        cv::rectangle(base_, cv::Rect(p.x + p.width / 2 - 4, p.y + p.height / 5, 8, p.height / 5), cv::Scalar(215),
                      cv::FILLED);
    }
    {
        cv::Mat lo, hi;
        cv::erode(base_, lo, cv::Mat());
        cv::dilate(base_, hi, cv::Mat());
        edges_ = hi - lo;
    }
    // Highlights on polished spots.
    const double hr = 7 * scale_;
    auto third = [](cv::Rect b, double fx, double fy) { return cv::Point2d(b.x + b.width * fx, b.y + b.height * fy); };
    highlights_ = {{third(regions_[DHigh].box, 0.3, 0.3), hr},   {third(regions_[DHigh].box, 0.7, 0.65), hr},
                   {third(regions_[DPolished].box, 0.6, 0.4), hr}, {third(regions_[STex].box, 0.5, 0.5), hr},
                   {third(regions_[Pos].box, 0.7, 0.8), hr}};

    ngCases_ = {{DTex, Brighter30, true},     {DFlat, Darker30, true},     {DHigh, ShinyBlob, true},
                {SFlat, HalfChanged, true},   {Spot, SpotMissing, true},   {DHoles, DarkPatch, true},
                {WArea, BlobOver, true},      {BArea, BlobOver, true},     {STex, OtherPart, true},
                {SShaded, HalfChanged, true}, {DPolished, Brighter30, true}, {WNum, PinsOver, true},
                {SHoles, OtherPart, true},    {Dir, WedgeFlipped, true},   {DIgn, Brighter30, true},
                {DLow, Darker30, true},       {BRing, BlobOver, true},     {DCorner, Brighter30, true},
                {DTex, ShinyBlob, true},      {DHigh, Brighter30, true},   {Spot, SpotLarger, true},
                {DFlat, ShinyBlob, true},     {DHoles, ShinyBlob, true},   {DTex, Darker30, true},
                {DPolished, ShinyBlob, true}, {DLow, Brighter30, true},    {DCorner, Darker30, true},
                {DFlat, Brighter30, true}};
    okCases_ = {{DTex, Small40, false},     {DFlat, Faint15, false},     {DHigh, Small40, false},
                {SFlat, Small40, false},    {Spot, SpotLargeOk, false},  {DHoles, Faint15, false},
                {WArea, BlobUnder, false},  {BArea, BlobPale, false},    {STex, Small40, false},
                {SShaded, Faint15, false},  {DPolished, Faint15, false}, {WNum, PinsAtLimit, false},
                {DIgn, Small40, false},     {DLow, Faint15, false},      {BRing, BlobUnder, false},
                {DCorner, Faint15, false},  {WArea, BlobPale, false},    {DTex, Faint15, false},
                {DHigh, Faint15, false},    {DHoles, Small40, false},    {DPolished, Small40, false},
                {DLow, Small40, false},     {BArea, BlobUnder, false},   {DFlat, Small40, false}};
}

cv::Mat HardSceneGenerator::surface(int r, unsigned salt) const
{
    const SceneRegion& g = regions_[r];
    const cv::Rect patch = cv::Rect(g.box.x - 12, g.box.y - 12, g.box.width + 24, g.box.height + 24) &
                           cv::Rect(0, 0, size_.width, size_.height);
    cv::Mat s(patch.size(), CV_8UC1);
    const cv::Rect all(0, 0, s.cols, s.rows);
    const cv::Point c(s.cols / 2, s.rows / 2);
    switch (r) {
    case DFlat: // a flat plate, shaded from left to right
    case SShaded:
        for (int y = 0; y < s.rows; ++y)
            for (int x = 0; x < s.cols; ++x)
                s.at<uchar>(y, x) = cv::saturate_cast<uchar>(r == DFlat ? 105 + 30.0 * x / s.cols
                                                                        : 95 + 12.0 * (x + y) / (s.cols + s.rows));
        return s;
    case SFlat:
        s.setTo(115);
        return s;
    case DHoles:
    case SHoles:
        holes(s, all, 0);
        return s;
    case WArea:
        s.setTo(40);
        return s;
    case BArea:
    case BRing:
        s.setTo(215);
        return s;
    case Spot:
        s.setTo(0);
        cv::circle(s, c, 14, cv::Scalar(200), cv::FILLED, cv::LINE_AA);
        return s;
    case WNum:
        s.setTo(15);
        for (int k = 0; k < kPinsAllowed - 1; ++k)
            cv::circle(s, c + cv::Point(int(28 * std::cos(k * 2.1)), int(28 * std::sin(k * 2.1))), 5, cv::Scalar(250),
                       cv::FILLED, cv::LINE_AA);
        return s;
    case Dir: {
        s.setTo(20);
        const cv::Point o = c - cv::Point(20, 20);
        const std::vector<cv::Point> wedge{o, o + cv::Point(40, 0), o + cv::Point(40, 40)};
        cv::fillConvexPoly(s, wedge, cv::Scalar(235), cv::LINE_AA);
        return s;
    }
    case DPolished: // polished steel: a smooth slope with soft reflection bands
        for (int y = 0; y < s.rows; ++y)
            for (int x = 0; x < s.cols; ++x) {
                const double u = double(x + y) / (s.cols + s.rows);
                s.at<uchar>(y, x) = cv::saturate_cast<uchar>(85 + 80 * u + 14 * std::sin((x - 0.6 * y) / 13.0));
            }
        return s;
    case DLow:
        return SceneTexture(patch.size(), salt + 77, {3.0, 118, 138, 0, 1, 2, 128, 128});
    default:
        return cv::Mat();
    }
}

cv::Point2d HardSceneGenerator::positionCentre() const
{
    const cv::Rect& b = regions_[Pos].box;
    return cv::Point2d(b.x + b.width / 2, b.y + b.height / 2);
}

bool HardSceneGenerator::insideShape(int r, cv::Point p, int margin) const
{
    const SceneRegion& g = regions_[r];
    switch (g.shape) {
    case ShapeRing: {
        const double d = std::hypot(p.x - g.centre.x, p.y - g.centre.y);
        return d <= g.radius - margin && d >= (g.inner ? g.inner + margin : 0);
    }
    case ShapePolygon:
        return cv::pointPolygonTest(g.polygon, cv::Point2f(p), true) >= margin;
    default:
        return p.x >= g.box.x + margin && p.y >= g.box.y + margin && p.x < g.box.x + g.box.width - margin &&
               p.y < g.box.y + g.box.height - margin;
    }
}

cv::Point HardSceneGenerator::placeFor(int r, double radius, const Light& light, cv::Point2d move, double angle,
                                       cv::RNG& rng, bool offEdges) const
{
    const SceneRegion& g = regions_[r];
    const int margin = int(radius) + 6;
    cv::Point best = g.defectAt;
    for (int attempt = 0; attempt < 200; ++attempt) {
        const cv::Point p(g.box.x + rng.uniform(0, g.box.width), g.box.y + rng.uniform(0, g.box.height));
        if (!insideShape(r, p, margin))
            continue;
        bool clear = true;
        for (const Highlight& h : highlights_)
            clear = clear && std::hypot(p.x - h.at.x, p.y - h.at.y) > h.radius + kHighlightGrowth + 8 + radius;
        const SceneRegion& ig = regions_[ignored_];
        if ((cv::Rect(ig.box.x - margin, ig.box.y - margin, ig.box.width + 2 * margin, ig.box.height + 2 * margin))
                .contains(p))
            clear = false;
        if (offEdges) {
            const int reach = int(radius) + 3;
            const cv::Rect around = cv::Rect(p.x - reach, p.y - reach, 2 * reach + 1, 2 * reach + 1) &
                                    cv::Rect(0, 0, size_.width, size_.height);
            double range;
            cv::minMaxLoc(edges_(around), nullptr, &range);
            if (range > kHardEdge)
                clear = false;
        }
        const cv::Point2d f = toFrame(p, move, angle);
        if (f.x < margin + 4 || f.y < margin + 4 || f.x > size_.width - margin - 5 || f.y > size_.height - margin - 5)
            clear = false;
        // Neither the part nor the change clipped by the shot's light.
        const double v = base_.at<uchar>(p);
        const double lo = light.at(f, v - 35), hi = light.at(f, v + 35);
        if (lo < 8 || hi > 247)
            clear = false;
        if (clear)
            return p;
        best = p;
    }
    return best;
}

void HardSceneGenerator::paintHighlights(cv::Mat& img, cv::RNG& rng, bool nominal) const
{
    for (const Highlight& h : highlights_) {
        const double r = nominal ? h.radius : h.radius + rng.uniform(-kHighlightGrowth, kHighlightGrowth);
        const double peak = nominal ? kHighlightPeak : rng.uniform(215.0, 255.0);
        softDisc<uchar>(img, h.at, r, peak, 1.2);
    }
}

cv::Mat HardSceneGenerator::Template(int index) const
{
    cv::RNG rng(seed_ * 31 + unsigned(index) + 7);
    cv::Mat img = base_.clone();
    paintHighlights(img, rng, true);
    cv::Mat noise(img.size(), CV_16S), out;
    rng.fill(noise, cv::RNG::NORMAL, 0, 3);
    img.convertTo(img, CV_16S);
    cv::add(img, noise, img);
    img.convertTo(out, CV_8U);
    return out;
}

std::string HardSceneGenerator::name(const Case& c) const
{
    static const char* kinds[] = {"brighter 30", "darker 30",      "shiny blob",  "dark patch", "small +40",  "faint +15",
                                  "spot missing", "spot larger",   "spot 0.8 max", "blob over", "blob under",
                                  "blob pale",    "pin over",      "pins at limit", "wedge flipped",
                                  "other part",   "half changed"};
    return std::string(kinds[c.kind]);
}

SceneFrame HardSceneGenerator::Frame(int index, double maxAngle) const
{
    cv::RNG rng(seed_ * 2000003u + unsigned(index));
    SceneFrame f;
    f.move = cv::Point2d(rng.uniform(-15.0, 15.0), rng.uniform(-15.0, 15.0));
    f.angle = maxAngle > 0 ? rng.uniform(-maxAngle, maxAngle) : 0.0;

    Light light;
    light.gain = rng.uniform(0.95, 1.05);
    light.offset = rng.uniform(-50.0, 50.0);
    light.ramp = rng.uniform(0.0, 0.2);
    const double dir = rng.uniform(0.0, 2 * CV_PI);
    light.rampDir = {std::cos(dir), std::sin(dir)};
    light.rampWidth = rng.uniform(80.0, 300.0) * scale_;
    light.rampAt = light.rampDir.dot(cv::Point2d(rng.uniform(0, size_.width), rng.uniform(0, size_.height)));
    light.sheen = rng.uniform(0.0, 25.0);
    light.sheenSigma = rng.uniform(40.0, 100.0) * scale_;
    light.sheenAt = {rng.uniform(0.0, double(size_.width)), rng.uniform(0.0, double(size_.height))};
    const double noise = rng.uniform(2.0, 5.0);
    const double grain = rng.uniform(0.0, 9.0); // the flat plate's own grain this shot

    cv::Mat img = base_.clone();
    {
        // Something moving in the ignored part every frame.
        const SceneRegion& r = regions_[ignored_];
        const cv::Point p(r.box.x + rng.uniform(12, r.box.width - 12), r.box.y + rng.uniform(12, r.box.height - 12));
        cv::circle(img, p, 8, cv::Scalar(rng.uniform(0, 2) ? 5 : 250), cv::FILLED);
    }
    const Case* change = nullptr;
    if (index % 3 == 1)
        change = &ngCases_[size_t(index / 3) % ngCases_.size()];
    else if (index % 3 == 2)
        change = &okCases_[size_t(index / 3) % okCases_.size()];

    // Changes that belong to the part: painted before it moves.
    struct Later {
        cv::Point2d at;
        double radius;
        double grey;
    };
    std::vector<Later> later; // blobs of a set final grey, painted after the light
    if (change) {
        const int r = change->region;
        const SceneRegion& g = regions_[r];
        f.what = name(*change);
        if (change->ng)
            f.defectRegion = r;
        const cv::Point c = cv::Point(g.box.x + g.box.width / 2, g.box.y + g.box.height / 2);
        cv::Mat shape(g.box.size(), CV_8UC1, cv::Scalar(0));
        for (int y = 0; y < shape.rows; ++y)
            for (int x = 0; x < shape.cols; ++x)
                shape.at<uchar>(y, x) = insideShape(r, cv::Point(g.box.x + x, g.box.y + y), 0) ? 255 : 0;
        // Changes right at the limit go on the steel's plain parts: across a
        // hard edge the defect method allows for the frame's placing, so that
        // part of such a change would not count.
        auto disc = [&](double area, int contrast, bool offEdges) {
            const double rad = areaRadius(area);
            const cv::Point p = placeFor(r, rad, light, f.move, f.angle, rng, offEdges);
            // Painted before the light, so that the shot shows `contrast`.
            const int delta = int(std::lround(contrast / light.gainAt(toFrame(p, f.move, f.angle))));
            addDisc(img, cv::Point2d(p) + cv::Point2d(rng.uniform(-0.5, 0.5), rng.uniform(-0.5, 0.5)), rad, delta,
                    shape, g.box.tl());
        };
        auto finalGrey = [&](double area, double grey) {
            const double rad = outlineRadius(area);
            const cv::Point p = placeFor(r, rad, light, f.move, f.angle, rng);
            later.push_back({cv::Point2d(p), rad, grey});
        };
        switch (change->kind) {
        case Brighter30:
            disc(1.5 * kAlarmArea, 30, true);
            break;
        case Darker30:
            disc(1.5 * kAlarmArea, -30, true);
            break;
        case Small40:
            disc(0.55 * kAlarmArea, 40, false);
            break;
        case DarkPatch:
            disc(5 * kAlarmArea, -40, false);
            break;
        case Faint15:
            disc(2.2 * kAlarmArea, rng.uniform(0, 2) ? 15 : -15, false);
            break;
        case ShinyBlob: {
            const cv::Point p = placeFor(r, 10, light, f.move, f.angle, rng);
            softDisc<uchar>(img, p, 9, 252, 0.8);
            break;
        }
        case SpotMissing:
            cv::circle(img, c, 16, cv::Scalar(0), cv::FILLED);
            break;
        case SpotLarger:
        case SpotLargeOk:
            cv::circle(img, c,
                       int(std::lround(outlineRadius((change->kind == SpotLarger ? 1.25 : 0.8) * kSpotMaxArea))),
                       cv::Scalar(200), cv::FILLED);
            break;
        case BlobOver:
        case BlobUnder:
        case BlobPale: {
            const bool white = g.method == MethodWhiteArea;
            const double area = change->kind == BlobOver ? 1.3 : change->kind == BlobUnder ? 0.7 : 2.0;
            const double past = change->kind == BlobPale ? -25 : 30; // beyond the threshold, or short of it
            finalGrey(area * kBlobMaxArea, white ? kWhite + past : kBlack - past);
            break;
        }
        case PinsOver:
        case PinsAtLimit: {
            const int extra = change->kind == PinsOver ? 2 : 1;
            for (int k = 0; k < extra; ++k)
                cv::circle(img, c + cv::Point(int(52 * std::cos(1.0 + k * 2.5)), int(52 * std::sin(1.0 + k * 2.5))), 5,
                           cv::Scalar(250), cv::FILLED, cv::LINE_AA);
            break;
        }
        case WedgeFlipped: {
            img(cv::Rect(c - cv::Point(30, 30), cv::Size(60, 60))).setTo(20);
            const cv::Point o = c - cv::Point(20, 20);
            const std::vector<cv::Point> wedge{o, o + cv::Point(0, 40), o + cv::Point(40, 40)};
            cv::fillConvexPoly(img, wedge, cv::Scalar(235), cv::LINE_AA);
            break;
        }
        case OtherPart:
            if (r == SHoles)
                holes(img, g.box, 0); // the pattern half a pitch away
            else
                SceneTexture(g.box.size(), seed_ + 4242, {4.0, 70, 175, 6, 4, 16, 200, 55}).copyTo(img(g.box));
            break;
        case HalfChanged: {
            const cv::Rect half(g.box.x, g.box.y, g.box.width / 2, g.box.height);
            if (r == SShaded) {
                for (int y = half.y; y < half.y + half.height; ++y)
                    for (int x = half.x; x < half.x + half.width; ++x)
                        img.at<uchar>(y, x) = cv::saturate_cast<uchar>(img.at<uchar>(y, x) + ((x / 6) % 2 ? 20 : -20));
            } else {
                SceneTexture(half.size(), seed_ + 4343, {4.0, 70, 175, 3, 4, 16, 200, 55}).copyTo(img(half));
            }
            break;
        }
        }
    }
    paintHighlights(img, rng, false);

    // The shot: turned and moved, lit, noisy.
    cv::Mat moved = MovedPicture(img, f.move, positionCentre(), f.angle), lit(size_, CV_32F);
    for (int y = 0; y < size_.height; ++y) {
        const uchar* m = moved.ptr<uchar>(y);
        float* o = lit.ptr<float>(y);
        for (int x = 0; x < size_.width; ++x)
            o[x] = float(light.at(cv::Point2d(x, y), m[x]));
    }
    for (const Later& l : later)
        softDisc<float>(lit, toFrame(l.at, f.move, f.angle), l.radius, l.grey, 0.3);
    cv::Mat n(size_, CV_32F);
    rng.fill(n, cv::RNG::NORMAL, 0, noise);
    lit += n;
    {
        // The flat plate's grain, where the plate lies in this shot.
        const cv::Rect b = regions_[grainy_].box;
        const cv::Point2d c = toFrame(cv::Point2d(b.x + b.width / 2.0, b.y + b.height / 2.0), f.move, f.angle);
        const int half = int(std::hypot(b.width, b.height) / 2) + 4;
        const cv::Rect g = cv::Rect(int(c.x) - half, int(c.y) - half, 2 * half, 2 * half) &
                           cv::Rect(0, 0, size_.width, size_.height);
        cv::Mat gn(g.size(), CV_32F);
        rng.fill(gn, cv::RNG::NORMAL, 0, grain);
        lit(g) += gn;
    }
    lit.convertTo(f.image, CV_8U);
    return f;
}
