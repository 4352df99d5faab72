#pragma once
// A proposed region for an empty step: a convex polygon around what differs
// between template 0 of step 0 (part in the mold) and of step 1 (empty mold),
// judged as a defect region with a sensitivity derived from that difference.
class CammerData;

constexpr int kRowAutoRegionStepsUnused = 1562;
constexpr int kRowAutoRegionNoDifference = 1563;

// Adds the polygon to the view's edit store at the step's next slot, selected,
// with its edit mask, and sets the view's selected region to none. False (and
// nothing changed) when there is nothing to compare or the templates do not
// differ; `whyNot` then takes the text row that tells the operator (0 when
// there is nothing to tell).
bool AutogenerationRegion(CammerData* view, int step, int* whyNot = nullptr);
