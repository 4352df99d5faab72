#pragma once
// What the operator changed between a camera's saved region store and its
// edited copy: whether anything differs at all, and one operation-record
// text per added, deleted or changed region, in the current language.
#include <QString>
#include <QStringList>

class CammerSingleton;

// Every field of both stores, the shapes of every slot included (what a
// byte-wise comparison of the store would see).
bool SameStore(const CammerSingleton& a, const CammerSingleton& b);

// Text of detection step d in the current procedure ("Prod", "Left mold", "1st" ...).
QString StepText(int d);

struct StoreChanges {
    QStringList records;     // in the order step, region
    bool positioning = false; // a positioning region was among those compared
};

// The records of camera number `cameraNumber` (from 1) over its first
// `steps` detection steps.
StoreChanges ChangeRecords(const CammerSingleton& saved, const CammerSingleton& edited, int cameraNumber, int steps);
