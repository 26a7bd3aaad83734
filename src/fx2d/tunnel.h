// The circle tunnel.
#pragma once

#include <cstdint>

bool TunnelStart(uint32_t time);
bool TunnelNextMode(uint32_t time);
bool TunnelEnd(uint32_t time);
