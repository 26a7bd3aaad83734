// The row shake: copies a frame to the display with rows shifted on the beat.
#pragma once

#include <cstdint>

bool ShakeStart(uint32_t time);
