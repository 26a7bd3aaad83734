// Light beams over a gravity swarm.
#pragma once

#include <cstdint>

bool BEAM_Start(uint32_t time);
bool BEAM_Reverse(uint32_t time);
bool BEAM_Resume(uint32_t time);
