#pragma once
// What the inspection hands to the reporting link: per-region results of a
// cycle and notices of saved regions and pictures. The link installs its
// senders here when it starts; until then nothing is sent.
#include <QList>
#include <QString>

// One region's result of a cycle.
struct param_roi {
    int camera;
    int step;
    int region;
    int algorithm;
    int value;
    int lowerLimit;
    int upperLimit; // -1: the method has none
    int ok;         // 0 when this region is NG, else the camera's result so far
};

// Filled by the judgement of a triggered cycle, sent and cleared by the cycle.
extern QList<param_roi> g_listParamROI;

// The main window's cycleTrigger: results are collected only while it is
// non-zero. Null until the main window sets it.
extern const int* gpCycleTrigger;

// Region rows of a step were saved (the link sends the step's regions).
using RegionParamHook = void (*)(int camera, int step);
// A template or ignore-point picture was written (absolute path).
using TempPicHook = void (*)(const QString& absolutePath);
// A template picture was deleted: 1-based camera and step numbers of its
// folder and the name the link is told.
using DelTempPicHook = void (*)(int cameraNumber, int stepNumber, const QString& name);
void setRegionParamHook(RegionParamHook hook);
void setTempPicHook(TempPicHook hook);
void setDelTempPicHook(DelTempPicHook hook);

// Called by the store and the bitmaps; they do nothing unless the link is
// enabled in the parameter record (cntnet_enable) and a hook is installed.
void NotifyRegionParam(int camera, int step);
void NotifyTempPic(const QString& absolutePath);
void NotifyDelTempPic(int cameraNumber, int stepNumber, const QString& name);
