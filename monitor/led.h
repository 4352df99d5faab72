#pragma once
// Front-panel LEDs and the LCD backlight on "/dev/led".

extern int gfLED;      // descriptor of "/dev/led"; 0 or below: no device
// 1 while the backlight is off: the main window's screenOff, shared with the
// widget kit (whose boxes wake a dark screen).
extern int& gScreenOff;

// Opens the LED device into gfLED (start-up).
void OpenLedDevice();
// 1: backlight on; 0: off. The flag follows even without a device.
void LCDOnOff(int on);
// Sets LED bit n to the lowest bit of v and writes the whole LED byte.
void LEDOnOff(int n, int v);
// The LED byte as last written (starts 0xFF).
unsigned char LedByte();

namespace led {
constexpr unsigned long kBacklightOn = 0x5A018B00UL;
constexpr unsigned long kBacklightOff = 0x5A018A00UL;
constexpr unsigned long kSetBits = 0x5A018000UL;
constexpr int kRunBit = 4;
constexpr int kHeartbeatBit = 5;
constexpr int kOkBit = 6;
constexpr int kNgBit = 7;
// Restores the start-of-run state (tests).
void reset();
} // namespace led
