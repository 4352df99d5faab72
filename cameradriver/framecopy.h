#pragma once
// Conversions of delivered pixels into the frame layout of the receive
// buffer: one byte per pixel without the colour setting, four bytes per pixel
// (Qt RGB32: blue, green, red, 255 in memory) with it.
#include <cstddef>
#include <cstdint>

namespace framecopy {

// pixels grey bytes -> pixels * 4 bytes
void greyToRgb32(const uint8_t* grey, uint8_t* out, size_t pixels);
// pixels R,G,B triplets -> pixels * 4 bytes
void rgbToRgb32(const uint8_t* rgb, uint8_t* out, size_t pixels);
// pixels B,G,R triplets -> pixels * 4 bytes
void bgrToRgb32(const uint8_t* bgr, uint8_t* out, size_t pixels);

// The same in place: the pixels fill the start of a buffer of pixels * 4
// bytes, which ends up holding the 4-byte layout (no second frame buffer).
void greyToRgb32InPlace(uint8_t* buffer, size_t pixels);
void rgbToRgb32InPlace(uint8_t* buffer, size_t pixels);
void bgrToRgb32InPlace(uint8_t* buffer, size_t pixels);

} // namespace framecopy
