// Float-to-integer conversion toward zero that is defined for every value: the effects'
// geometry can run far off the screen, where a plain cast would overflow.
#pragma once

#include <cstdint>

// trunc(v) as a signed 32-bit integer; values beyond the range saturate, NaN gives 0.
// Inside the range it is exactly the plain cast, so clipping tests made on the result keep
// their meaning (a far-right edge stays far right).
inline int32_t TRUNC_ToInt32(double v)
{
    if (v >= 2147483648.0)
        return INT32_MAX;
    if (v <= -2147483649.0)
        return INT32_MIN;
    if (v != v)
        return 0;
    return (int32_t)v;
}
