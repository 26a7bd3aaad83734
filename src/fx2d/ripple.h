// The polar ripple: a picture distorted through polar tables.
#pragma once

#include <cstdint>

bool RippleStart(uint32_t time);
bool RippleEnd(uint32_t time);
