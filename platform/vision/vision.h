#pragma once
// The image-processing layer the inspection and the camera views call: a
// positioning model, a per-pixel defect model, a similarity model, frame
// alignment and pixel-format helpers. Images are 8-bit single-channel cv::Mat
// unless stated. Display-area limits come from gShowW / gShowH.
#include <QPoint>
#include <QRect>
#include <opencv2/core.hpp>
#include <vector>

namespace vision {
class Lighting;
}

// Defect model of one region. Each pixel gets a band learnt from the
// templates: from the darkest to the brightest template there, widened by
// what the frame's placing may change (half a pixel of the local slope, and
// half the local curvature for the smoothing of interpolation; on a hard
// edge about half its height, on smooth steel next to nothing) and, near
// highlights, by what a highlight growing or shrinking changes; a highlight
// dimming as a whole is measured on each frame, so a part darkening a patch
// of it still counts. Before
// comparing, a frame is brought to the templates' light by a smooth gain and
// level fitted robustly over the region (a lamp's slope, an offset, a sheen;
// not a blob), bounded so that a covering part is not explained away. A
// defect is a patch that leaves the band, in the frame's grey levels, by most
// of the tolerance on average, taken as far as it stays out by about half of
// it; saturated pixels only count when they are brighter than the band (by
// a margin: glare), black ones only when darker.
class GrayMatch {
public:
    // A w x h model; mask is 255 where pixels belong to the region (empty or
    // of another size: the whole box). flags is reserved (0).
    void Create(int w, int h, const cv::Mat& mask, int flags);
    // One good sample of the region (w x h; other sizes are ignored).
    void AddTemp(const cv::Mat& image);
    // tolerance: grey levels a patch may leave its band by (see above);
    // amplify (0..4) divides it (tolerance / (1 + amplify)); flatPercent and
    // edgePercent scale it on plain pixels and on edge pixels. Every template
    // added widens the bands by its own spread.
    void Train(int tolerance, int amplify, int flatPercent, int edgePercent);
    // out = w x h, 255 where the image leaves the band inside the mask, else 0.
    // inView (optional, w x h): 255 where the image's pixels came from the
    // camera's view; the others are neither judged nor used for the lighting.
    void Match(const cv::Mat& image, cv::Mat& out, const cv::Mat& inView = cv::Mat());
    bool IsValid() const { return valid_; }
    void Clear();

private:
    int w_ = 0, h_ = 0;
    cv::Mat mask_;
    cv::Mat sum_;               // CV_32F sum of the templates
    cv::Mat low_, high_;        // per-pixel darkest and brightest template
    cv::Mat mean_;              // CV_32F after Train: the templates' mean, the light's reference
    cv::Mat lowBand_, highBand_; // CV_32F after Train: the band, placing allowance included
    cv::Mat invTol_;            // CV_32F after Train: 1 / the tolerance at each pixel
    cv::Mat fitUse_;            // pixels the light is fitted on
    std::vector<cv::Point> fitExtra_; // pixels of grey levels the light's grid meets rarely
    cv::Mat zoneLabels_;        // CV_32S: the highlight each pixel near one belongs to, 0 elsewhere
    cv::Mat zoneCore_;          // the highlights themselves
    std::vector<float> zoneFloor_; // per highlight: the darkest steel around it
    int templates_ = 0;
    bool valid_ = false;
    cv::Mat dev_, smooth_, a_;  // scratch, kept to avoid reallocation per frame

    void dimHighlights(const cv::Mat& image, const cv::Mat& judged, const vision::Lighting& light);
    void pickRareLevels(const cv::Mat& mean8);
};

// Similarity model of one region: the score 0..100 falls with the mean
// squared difference E between the lightly smoothed image and the best
// template (over shifts of up to `slack` pixels), after the image is brought
// to the templates' light (as for GrayMatch): 100 * (1 - 2 E / (S + K^2)),
// S the template's own structure (its variance), K = flatRange / 2. Light and
// noise therefore barely lower the score, a region with other structure
// scores 0, and a plain region scores as a textured one does, falling
// smoothly as something appears on it.
class SURF {
public:
    void Create(int w, int h, const cv::Mat& mask);
    // slack: residual misalignment in pixels tolerated; flatRange: see above;
    // minScore is the caller's limit and not needed by the model.
    void AddTemp(const cv::Mat& image, int slack, int flatRange, int minScore);
    void Train(int, int, int, int);
    // Score 0..100; out = w x h, 255 where the image deviates clearly from the
    // best template, inside the mask. inView as for GrayMatch: pixels outside
    // it, and saturated ones, are left out of the comparison.
    float Match(const cv::Mat& image, cv::Mat& out, const cv::Mat& inView = cv::Mat());
    bool IsValid() const { return valid_; }
    void Clear();

private:
    int w_ = 0, h_ = 0;
    cv::Mat mask_;
    std::vector<cv::Mat> temps_; // smoothed, CV_32F
    cv::Mat mean_;               // CV_32F after Train: the templates' mean, the light's reference
    int slack_ = 1;
    int flatRange_ = 50;
    bool valid_ = false;
};

// Score a positioning model needs to count as found when the caller gives
// none: the correlation of the model's edge points with the frame. A good
// part under changed light and noise scores 0.8 and more; below one half,
// something covering the model or a wrong place is likelier than a shaken
// camera, and a frame aligned there would be judged on the wrong pixels.
constexpr double kFindShapeAcceptScore = 0.5;

// Positioning model. Coarse-to-fine: the model and the searched image are
// reduced in a Gaussian pyramid. At a coarse level (model side 16 px, or
// down to 8 px for a wide rotation range on a large image) the whole searched
// image is scanned for every angle of the rotation range on a locally
// normalised copy (one correlation per angle, the models turned beforehand);
// the best candidates are then refined level by level down to full
// resolution on the model's strongest-gradient points (hill climb over
// +-1 px and +-1 angle step), and finally by least squares on those points
// (position, angle, gain and offset) to a small fraction of a pixel; shift
// only, that last step sees model and image slightly smoothed. The
// model's reference point is its pixel (w / 2, h / 2); centreX, centreY say
// where that pixel lies in the image the model was cut from.
class FindShape {
public:
    // model: the cut-out; minScore: acceptance (0 = kFindShapeAcceptScore);
    // levels: pyramid levels (0 = automatic); angleRange: rotation searched in
    // +- degrees (0 = shift only, at most 180); ignorePolarity: accept
    // inverted contrast; maskLevel: mask pixels at or above it belong to the
    // model; speed 0..10: fewer candidates and points when higher; flags
    // reserved. False (and not valid) when the model has no structure to find.
    bool CreateShape(const cv::Mat& model, double minScore, int levels, int angleRange, int centreX,
                     int centreY, bool ignorePolarity, int maskLevel, const cv::Mat& mask, int speed,
                     int flags);
    // Searches `image`. On success x, y are chosen so that (x - left, y - top)
    // of the searched box within the full frame is the shift that brings the
    // part back to its model position (MoveImage / TransformImage), angle is
    // the part's rotation against the model in degrees (counter-clockwise as
    // shown), score the correlation 0..1. False when the best place scores
    // below the acceptance, or when another place (or the same place clearly
    // turned) scores nearly as well, or, searched turned, when the place does
    // not stand well clear of every other place on the exact correlation at
    // its angle: a plain plate, a repeated pattern or a covered model cannot
    // tell where the part is (score and angle then still tell the best found).
    bool Find(const cv::Mat& image, int flags, double* x, double* y, double* score, double* angle);
    bool IsValid() const { return valid_; }
    void Clear();

private:
    // The model at a scan level turned by `angle`: zero-mean, unit-norm
    // weights inside the turned mask, 0 outside.
    struct Kernel {
        double angle;
        cv::Mat weights;   // CV_32F
        cv::Point2d refAt; // where the reference point lies in `weights`
        double norm;       // sqrt of the number of model pixels in it
    };
    struct Level {
        cv::Mat model, mask;
        std::vector<cv::Point2f> pts; // sample points, model coordinates
        std::vector<float> values;    // model grey level at each point
        std::vector<float> smoothValues; // the same, smoothed (full resolution, shift only)
        std::vector<float> weights;   // (T - mean) / (sd * n) per point
        cv::Point2f ref;              // reference point at this level
        double angleStep = 0;         // degrees that move the farthest point ~1 px
        int window = 5;               // side of the scan's local normalisation window
        std::vector<Kernel> kernels;  // angled search: one per scanned angle
        // The kernels' spectra for the searched image's padded size, kept
        // from one search to the next (the searched box stays the same).
        mutable std::vector<cv::Mat> spectra;
        mutable cv::Size spectraSize;
    };
    struct Candidate {
        double score;
        cv::Point2d t; // model top-left in the level's image
        double angle;
    };
    double scoreAt(const Level& lv, const cv::Mat& img, cv::Point2d t, double angle) const;
    void scoreGrid(const Level& lv, const cv::Mat& img, cv::Point2d t, double angle, double out[9]) const;
    void climb(const Level& lv, const cv::Mat& img, Candidate& c) const;
    // Least squares from c at the level; false (c unchanged) when it declines.
    // `smoothed`: img is smoothed like the level's smoothValues.
    bool refine(int level, const cv::Mat& img, Candidate& c, bool smoothed = false) const;
    void scan(int level, const cv::Mat& img, std::vector<Candidate>& found) const;
    // Whether the place t (model top-left at the level), turned by angle,
    // stands out from every other place on the exact correlation there.
    bool standsOut(const std::vector<cv::Mat>& pyr, int level, cv::Point2d t, double angle) const;
    bool buildKernels(Level& lv) const;
    // One search scanning at the given level.
    bool search(const cv::Mat& image, int scanLevel, double* x, double* y, double* score, double* angle);

    std::vector<Level> levels_; // full resolution first
    int top_ = 0;               // coarsest level refined from (and scanned when shift only)
    int centreX_ = 0, centreY_ = 0;
    int angleRange_ = 0;
    double minScore_ = kFindShapeAcceptScore;
    bool ignorePolarity_ = false;
    int candidates_ = 3;
    bool valid_ = false;
};

// dst shows src moved by (dx, dy): dst(p) = src(p - d), bilinear between
// pixels for a fractional move. Uncovered borders are filled by replicating
// the nearest edge pixel (a black border would look like a dark defect).
// src and dst must not share pixels; dst keeps its buffer when it already has
// the right size and type.
void MoveImage(const cv::Mat& src, cv::Mat& dst, double dx, double dy);
// dst shows the part at its template position when src shows it moved by
// -shift and rotated by `angle` degrees about the template point `centre`
// (the values FindShape gives). Bilinear, border replicated.
void TransformImage(const cv::Mat& src, cv::Mat& dst, cv::Point2d shift, cv::Point2d centre, double angle);

// 32-bit frames are Qt RGB32 (bytes B, G, R, A in memory).
void RGBA2Gray(unsigned char* out, const unsigned char* in, int w, int h);
// Hue 0..255 (a full turn), 0 for grey pixels.
void RGBA2Hue(unsigned char* out, const unsigned char* in, int w, int h);
// 24-bit pixels with bytes R, G, B to RGB32.
void RGB2RGBA(unsigned char* out, const unsigned char* in, int w, int h);
void Gray2RGBA(const unsigned char* in, unsigned char* out, int w, int h);

// v clamped into the display area: axis 1 is x (0 .. gShowW - 1), 0 is y.
void CheckInRange(int* v, int axis);
// r brought inside the display area. moved: the whole shape was moved, so it
// is shifted back keeping its size (clamped when larger than the area);
// otherwise each edge is clamped on its own.
void CheckInRange(QRect* r, bool moved);

// Tolerances are inclusive.
bool PointAround(const QPoint& a, const QPoint& b, int tol);
bool LineAround(int v, int p, int tol);
// p within tol of `line` and q between from and to (either order).
bool LineAround(int line, int p, int q, int from, int to, int tol);
