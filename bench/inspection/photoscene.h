#pragma once
// Frames made from real photographs (bench/inspection/photos, see its
// README): textures, objects, and a plain part of a picture as a plate with
// little structure, scaled to the frame, with the regions an operator would
// draw: the position box on the part's most distinctive spot (or on the plain
// part), defect regions over the rest. Clean frames are moved, turned, noisy,
// lit differently or blurred; the others also carry one disc or pasted patch
// of another photograph (20, 40 or 80 px; 30, 40, 60 or 90 grey levels off
// the surface, darker or brighter), or a large part stuck over the position
// box.
#include "scene.h"

#include <string>

class PhotoScene : public Scene {
public:
    // The scenes there are, by name.
    static std::vector<std::string> Names();
    // False when the photographs cannot be read (folder in INMOLD_PHOTO_DIR).
    PhotoScene(const std::string& name, cv::Size size, unsigned seed);
    bool IsValid() const { return !base_.empty(); }

    const std::vector<SceneRegion>& regions() const override { return regions_; }
    cv::Mat Template(int index) const override;
    // Even frames clean, odd ones with a change; the changes cycle through
    // every size, contrast and kind, and a stuck part.
    SceneFrame Frame(int index, double maxAngle) const override;
    cv::Point2d positionCentre() const override;

    // Of the last Frame's change: diameter in px (0: none; a stuck part is
    // larger than the largest defect) and contrast in grey levels.
    struct Change {
        int size = 0, contrast = 0;
        bool stuck = false;
    };
    static Change ChangeOf(int index);

private:
    cv::Size size_;
    unsigned seed_;
    cv::Mat base_, other_;
    std::vector<SceneRegion> regions_;
};
