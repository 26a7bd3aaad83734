// The twisted textured tower.
#pragma once

#include <cstdint>

bool TOWER_Start(uint32_t time);
bool TOWER_Skip(uint32_t time);
bool TOWER_Stop(uint32_t time);
