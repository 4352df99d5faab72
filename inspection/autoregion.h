#pragma once
// A proposed region for an empty step: a convex polygon around what differs
// between template 0 of step 0 (part in the mold) and of step 1 (empty mold),
// judged as a defect region with a sensitivity derived from that difference.
class CammerData;

// Adds the polygon to the view's edit store at the step's next slot, selected,
// with its edit mask, and sets the view's selected region to none. False (and
// nothing changed) when the templates do not differ.
bool AutogenerationRegion(CammerData* view, int step);
