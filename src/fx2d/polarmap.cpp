// Builds the polar map: angle and distance of every window pixel from the window's centre,
// in single precision as the effects were tuned with (the angle's truncation depends on it).
#include "fx2d/polarmap.h"

#include <cmath>

void POLAR_BuildMap(uint8_t* map)
{
    const double pi = 3.14159265358979323846;
    // The common factor pi/100 leaves the angle unchanged but is part of the float rounding.
    const float scale = (float)(pi / 100.0);
    const float threeHalfPi = (float)(3.0 * pi / 2.0);
    const float toUnits = (float)(128.0 / pi);
    uint8_t* p = map;
    for (int y = 0; y < POLAR_HEIGHT; y++) {
        const float dy = (float)(y - 100);
        for (int x = 0; x < POLAR_WIDTH; x++) {
            const float dx = (float)(x - 128);
            // atan2 in double (atan2(0, 0) is 0, so the centre gets 192), subtracted from 3 pi / 2
            // before narrowing: float pi lies above pi, and narrowing first would put the half-row
            // left of the centre at 63.99..., below the angle range [64, 320).
            const double angle = std::atan2((double)(dy * scale), (double)(dx * scale));
            const float units = (float)((double)threeHalfPi - angle) * toUnits;
            p[0] = (uint8_t)(int32_t)units;                         // low 8 bits: 256 wraps to 0
            p[1] = (uint8_t)(int32_t)std::sqrt(dx * dx + dy * dy);  // single-precision root
            p += 2;
        }
    }
}
