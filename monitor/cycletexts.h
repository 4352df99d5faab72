#pragma once
// Rows of the text table for what the cycle and the IO board link tell the
// operator (the blocks 600-699, 1500-1524 and 1700-1719 of "lanstr-added.tsv").
namespace cycletext {
constexpr int kBoardPortFailed = 600;  // %1 port, %2 reason
constexpr int kBoardSilent = 601;      // %1 port
constexpr int kBoardAnswersAgain = 602; // %1 port
constexpr int kBoardNotAnswering = 603; // the title bar while the board is silent
constexpr int kNoFreshFrame = 604;     // %1 camera number, %2 milliseconds waited
constexpr int kCountersNotSaved = 1500;
constexpr int kSamplingNotReleased = 1501;
constexpr int kCameraCountRestart = 1502;
constexpr int kCameraCountRestartFailed = 1503;
constexpr int kRegionCheckRefused = 1700;
// Raw frames and the judgement's own work off the GUI thread (1720-1729).
constexpr int kRawFrameNotSaved = 1720;   // %1 the error
constexpr int kRawFramesSkipped = 1721;
} // namespace cycletext
