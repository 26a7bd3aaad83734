// Builds the cosine table shared by the rotating effects.
#include "fx3d/sincos.h"

#include "support/assert.h"

#include <cmath>

int32_t SINCOS_Table[SINCOS_ENTRIES];

// The table the effects were tuned with was integrated from stored third differences; its
// rounding residue leaves four entries one unit away from the rounded cosine. They are
// kept, so that every effect sees the same values.
static const struct { int index; int32_t value; } kSincosDeviations[] = {
    {1178, -251300639},
    {1187, -265688416},
    {2223, -1035284756},
    {3921, 1035284756},
};

void SINCOS_Init(void)
{
    const double pi = 3.14159265358979323846;
    for (int i = 0; i < SINCOS_ENTRIES; i++)
        SINCOS_Table[i] = (int32_t)std::llround(std::ldexp(std::cos(2.0 * pi * i / SINCOS_ENTRIES), 30));
    for (const auto& d : kSincosDeviations)
        SINCOS_Table[d.index] = d.value;
}

int32_t FPDiv(int32_t a, int32_t b)
{
    (void)a;
    (void)b;
    SYS_AssertFailed("!\"TEST\"", "FPDiv", "sincos", 67);
}
