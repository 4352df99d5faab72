#pragma once
// Seeded pictures closer to a real mold, for the inspection benchmark's hard
// set: textured, flat, polished and faintly textured steel, a hole pattern,
// highlights and release-agent sheen that change between shots, uneven lamps
// and offsets of the whole picture, frames turned to the search range, and
// changes right above and right below each method's limit.
#include "scene.h"

class HardSceneGenerator : public Scene {
public:
    HardSceneGenerator(cv::Size size, unsigned seed);

    const std::vector<SceneRegion>& regions() const override { return regions_; }
    cv::Mat Template(int index) const override;
    // Frame `index`: every third frame clean, every third with a change a
    // region must find, every third with a change below its region's limit.
    SceneFrame Frame(int index, double maxAngle) const override;
    cv::Point2d positionCentre() const override;

    // The kinds of change (see the .cpp for each).
    enum Kind {
        // Contrasts as the camera shows them in the shot.
        Brighter30,  // +30 grey levels over 1.5 x the alarm area
        Darker30,    // -30 over 1.5 x the alarm area
        ShinyBlob,   // a new saturated blob: a stuck, shiny part
        DarkPatch,   // -40 over 5 x the alarm area (dirt across a hole pattern)
        Small40,     // +40 over half the alarm area (below the limit)
        Faint15,     // +-15 over twice the alarm area (below the sensitivity)
        SpotMissing,
        SpotLarger,  // 1.25 x the maximum area
        SpotLargeOk, // 0.8 x the maximum area
        BlobOver,    // past the grey threshold, 1.3 x the maximum area
        BlobUnder,   // past the grey threshold, 0.7 x the maximum area
        BlobPale,    // 2 x the maximum area, but short of the threshold
        PinsOver,    // one pin more than allowed
        PinsAtLimit, // exactly as many as allowed
        WedgeFlipped,
        OtherPart,   // the region's content replaced by another surface
        HalfChanged, // half of it replaced
    };

private:
    struct Highlight {
        cv::Point2d at;
        double radius;
    };
    struct Case {
        int region;
        Kind kind;
        bool ng;
    };
    // The lighting of one shot: a lamp's gain ramp, an offset of the whole
    // picture, a soft sheen.
    struct Light {
        double gain = 1, offset = 0, ramp = 0, rampWidth = 1, rampAt = 0;
        cv::Point2d rampDir{1, 0};
        double sheen = 0, sheenSigma = 1;
        cv::Point2d sheenAt;
        double gainAt(cv::Point2d p) const;
        double at(cv::Point2d p, double scene) const;
    };

    cv::Mat surface(int region, unsigned salt) const;
    void paintHighlights(cv::Mat& img, cv::RNG& rng, bool nominal) const;
    bool insideShape(int region, cv::Point p, int margin) const;
    // A place in the region for a change of radius r that stays in view, off
    // highlights and ignored parts, unclipped under the shot's light and, if
    // asked, off the hard edges of the steel.
    cv::Point placeFor(int region, double r, const Light& light, cv::Point2d move, double angle, cv::RNG& rng,
                       bool offEdges = false) const;
    std::string name(const Case& c) const;

    cv::Size size_;
    double scale_;
    unsigned seed_;
    cv::Mat base_, edges_; // the part, and its local 3 x 3 grey-level range
    std::vector<SceneRegion> regions_;
    std::vector<Highlight> highlights_;
    std::vector<Case> ngCases_, okCases_;
    int ignored_ = -1, grainy_ = -1;
};
