#pragma once
// Rows of the text table that the camera driver adds (block 1450-1499 of
// params/lanstr-added.tsv).
namespace cameratext {

constexpr int kFrameSize = 1450;        // camera, width, height, working width, working height
constexpr int kFrameFormat = 1451;      // camera, format code
constexpr int kFilterGraph = 1452;      // camera
constexpr int kSilent = 1453;           // camera, milliseconds
constexpr int kReadFailed = 1454;       // camera
constexpr int kProcessing = 1455;       // camera
constexpr int kStuckThread = 1456;      // camera
constexpr int kWorkingSize = 1457;      // camera, working width, working height
constexpr int kSerialsNotSaved = 1458;
constexpr int kMindVersion = 1459;      // version text
constexpr int kMindNoVersion = 1460;
constexpr int kStepRefused = 1461;      // camera, detection (from 1); used by the inspection data
// Journal records of the driver (block 1490-1499). Their text is the same in
// every language: the reporting client and the archived days read them.
constexpr int kMindOpen = 1490;         // camera, serial
constexpr int kMindFail = 1491;         // library status
constexpr int kSerialSaved = 1492;      // camera, serial

// MindVision settings, optional library calls, the Daheng window (block 1610-1629).
constexpr int kMindPresetMissing = 1610; // entries, sensor width, sensor height
constexpr int kKeepsOwn = 1611;          // camera, setting (one of the rows below)
constexpr int kSettingShading = 1612;
constexpr int kSettingAeRange = 1613;
constexpr int kRestoreFailed = 1614;     // camera, status
constexpr int kRestoreIncomplete = 1615; // camera, status
constexpr int kDahengWindow = 1616;      // camera, width, height, x, y, status

// Device loss, restore, serial binding, media type (block 1790-1819).
constexpr int kDeviceGone = 1790;        // camera, library status
constexpr int kDeviceNotListed = 1791;   // camera
constexpr int kSerialUnbound = 1792;     // camera, the serial the library gives ("-" for none)
constexpr int kMediaNoMono = 1793;       // camera
constexpr int kRestoreBusy = 1794;       // camera

// Defaults restore off the GUI thread (block 1820-1829).
constexpr int kLostWhileRestoring = 1820; // camera
constexpr int kRestoreRunning = 1821;     // camera

} // namespace cameratext
