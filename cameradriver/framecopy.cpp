#include "cameradriver/framecopy.h"

namespace framecopy {

void greyToRgb32(const uint8_t* grey, uint8_t* out, size_t pixels)
{
    for (size_t i = 0; i < pixels; ++i) {
        const uint8_t v = grey[i];
        out[4 * i] = v;
        out[4 * i + 1] = v;
        out[4 * i + 2] = v;
        out[4 * i + 3] = 255;
    }
}

void rgbToRgb32(const uint8_t* rgb, uint8_t* out, size_t pixels)
{
    for (size_t i = 0; i < pixels; ++i) {
        out[4 * i] = rgb[3 * i + 2];
        out[4 * i + 1] = rgb[3 * i + 1];
        out[4 * i + 2] = rgb[3 * i];
        out[4 * i + 3] = 255;
    }
}

void bgrToRgb32(const uint8_t* bgr, uint8_t* out, size_t pixels)
{
    for (size_t i = 0; i < pixels; ++i) {
        out[4 * i] = bgr[3 * i];
        out[4 * i + 1] = bgr[3 * i + 1];
        out[4 * i + 2] = bgr[3 * i + 2];
        out[4 * i + 3] = 255;
    }
}

// Back to front: pixel i is read before anything at or past byte 4 * i is
// written, and no later write reaches back to an unread pixel.
void greyToRgb32InPlace(uint8_t* buffer, size_t pixels)
{
    for (size_t i = pixels; i-- > 0;) {
        const uint8_t v = buffer[i];
        buffer[4 * i] = v;
        buffer[4 * i + 1] = v;
        buffer[4 * i + 2] = v;
        buffer[4 * i + 3] = 255;
    }
}

void rgbToRgb32InPlace(uint8_t* buffer, size_t pixels)
{
    for (size_t i = pixels; i-- > 0;) {
        const uint8_t r = buffer[3 * i], g = buffer[3 * i + 1], b = buffer[3 * i + 2];
        buffer[4 * i] = b;
        buffer[4 * i + 1] = g;
        buffer[4 * i + 2] = r;
        buffer[4 * i + 3] = 255;
    }
}

void bgrToRgb32InPlace(uint8_t* buffer, size_t pixels)
{
    for (size_t i = pixels; i-- > 0;) {
        const uint8_t b = buffer[3 * i], g = buffer[3 * i + 1], r = buffer[3 * i + 2];
        buffer[4 * i] = b;
        buffer[4 * i + 1] = g;
        buffer[4 * i + 2] = r;
        buffer[4 * i + 3] = 255;
    }
}

} // namespace framecopy
