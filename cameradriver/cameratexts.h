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
// Journal records of the driver (block 1490-1499).
constexpr int kMindOpen = 1490;         // camera, serial
constexpr int kMindFail = 1491;         // library status
constexpr int kSerialSaved = 1492;      // camera, serial

} // namespace cameratext
