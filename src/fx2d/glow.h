// Glow particles.
#pragma once

#include <cstdint>

bool GlowStart(uint32_t time);
