#include "cameradriver/framecopy.h"

namespace framecopy {

namespace {

// Pixels of `Bytes` bytes with blue at byte `Blue` and red at byte `Red`
// (grey: one byte that is all three) -> blue, green, red, 255. Back to
// front, so `out` may be the start of the source itself: pixel i is read
// whole before anything at or past byte 4 * i is written, and no later
// write reaches back to an unread pixel.
template <size_t Bytes, size_t Blue, size_t Red>
void toRgb32(const uint8_t* in, uint8_t* out, size_t pixels)
{
    constexpr size_t Green = Bytes == 1 ? 0 : 1;
    for (size_t i = pixels; i-- > 0;) {
        const uint8_t* p = in + Bytes * i;
        const uint8_t b = p[Blue], g = p[Green], r = p[Red];
        out[4 * i] = b;
        out[4 * i + 1] = g;
        out[4 * i + 2] = r;
        out[4 * i + 3] = 255;
    }
}

} // namespace

void greyToRgb32(const uint8_t* grey, uint8_t* out, size_t pixels) { toRgb32<1, 0, 0>(grey, out, pixels); }
void rgbToRgb32(const uint8_t* rgb, uint8_t* out, size_t pixels) { toRgb32<3, 2, 0>(rgb, out, pixels); }
void bgrToRgb32(const uint8_t* bgr, uint8_t* out, size_t pixels) { toRgb32<3, 0, 2>(bgr, out, pixels); }

void greyToRgb32InPlace(uint8_t* buffer, size_t pixels) { toRgb32<1, 0, 0>(buffer, buffer, pixels); }
void rgbToRgb32InPlace(uint8_t* buffer, size_t pixels) { toRgb32<3, 2, 0>(buffer, buffer, pixels); }
void bgrToRgb32InPlace(uint8_t* buffer, size_t pixels) { toRgb32<3, 0, 2>(buffer, buffer, pixels); }

} // namespace framecopy
