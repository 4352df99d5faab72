#pragma once
// Seeded synthetic mold pictures for the inspection benchmark: a textured
// background with about twenty regions covering every detection method, and
// frames that are moved, turned, lit differently and noisy, optionally with
// one defect of the kind its region looks for.
#include <opencv2/core.hpp>
#include <string>
#include <vector>

struct SceneRegion {
    int method;
    int shape;              // 1 rectangle, 2 polygon, 4 ring (image coordinates below)
    cv::Rect box;           // rectangle, or the bounding box of the others
    std::vector<cv::Point> polygon;
    cv::Point centre;       // ring
    int radius = 0, inner = 0;
    int minSize = 0, sensibility = 0, maxArea = 0;
    cv::Point defectAt;     // where its defect goes
};

struct SceneFrame {
    cv::Mat image;
    int defectRegion = -1; // index into regions(), -1 for a clean frame
    std::string what;      // the change made, for the report
    cv::Point2d move;
    double angle = 0;
    bool stuck = false;    // a part left over the position box: the frame must be NG
};

// What the benchmark needs of a scene: its regions, its templates and its
// frames (the part turned by `angle` about positionCentre(), then moved).
class Scene {
public:
    virtual ~Scene() = default;
    virtual const std::vector<SceneRegion>& regions() const = 0;
    // A good part as the camera saw it when the templates were taken.
    virtual cv::Mat Template(int index) const = 0;
    virtual SceneFrame Frame(int index, double maxAngle) const = 0;
    virtual cv::Point2d positionCentre() const = 0;

protected:
    // Where a template point p shows in a frame so turned and moved.
    cv::Point2d toFrame(cv::Point2d p, cv::Point2d move, double angle) const;
};

class SceneGenerator : public Scene {
public:
    SceneGenerator(cv::Size size, unsigned seed);

    const std::vector<SceneRegion>& regions() const override { return regions_; }
    cv::Mat Template(int index) const override;
    // Frame `index`: a defect on every other frame, cycling through the
    // regions that can have one; up to +-15 px of shift, +-maxAngle degrees.
    SceneFrame Frame(int index, double maxAngle) const override;
    cv::Point2d positionCentre() const override;

private:
    void paint(cv::Mat& img, int region, bool defect, cv::RNG& rng) const;
    cv::Mat finish(const cv::Mat& clean, cv::Point2d move, double angle, double gain, double offset,
                   cv::RNG& rng) const;

    cv::Size size_;
    unsigned seed_;
    cv::Mat base_, otherTexture_;
    std::vector<SceneRegion> regions_;
    std::vector<int> defectable_;
    int ignored_ = -1;
};
