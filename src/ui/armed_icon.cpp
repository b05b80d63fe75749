#include "ui/armed_icon.h"

#include <cstdint>
#include <cstring>

namespace {

uint32_t ReadLe(const unsigned char* at, int bytes)
{
    uint32_t value = 0;
    for (int i = bytes - 1; i >= 0; i--)
        value = value << 8 | at[i];
    return value;
}

// One colour in blue, green, red order: a reddish one gets green towards its
// red and half its blue, which reads as amber.
void TintColour(unsigned char* bgr)
{
    int blue = bgr[0], green = bgr[1], red = bgr[2];
    if (red <= green + 40 || red <= blue + 40)
        return;
    bgr[1] = (unsigned char)(green + (red - green) * 3 / 5);
    bgr[0] = (unsigned char)(blue / 2);
}

}  // namespace

bool TintIconImageAmber(unsigned char* image, size_t size)
{
    const size_t HEADER = 40;
    if (size < HEADER || ReadLe(image, 4) != HEADER || ReadLe(image + 16, 4) != 0)
        return false;  // a PNG image, or compressed
    uint32_t width = ReadLe(image + 4, 4);
    uint32_t height = ReadLe(image + 8, 4) / 2;  // the colour half; the mask follows
    uint32_t bits = ReadLe(image + 14, 2);
    if (width == 0 || width > 256 || height == 0 || height > 256)
        return false;
    if (bits <= 8) {
        uint32_t colours = ReadLe(image + 32, 4);
        if (colours == 0)
            colours = 1u << bits;
        if (HEADER + colours * 4 > size)
            return false;
        for (uint32_t i = 0; i < colours; i++)
            TintColour(image + HEADER + i * 4);
        return true;
    }
    if (bits != 24 && bits != 32)
        return false;
    size_t stride = (width * bits / 8 + 3) / 4 * 4;
    if (HEADER + stride * height > size)
        return false;
    for (uint32_t row = 0; row < height; row++)
        for (uint32_t x = 0; x < width; x++)
            TintColour(image + HEADER + row * stride + x * (bits / 8));
    return true;
}
