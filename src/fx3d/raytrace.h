// The progressive ray-traced scene.
#pragma once

#include <cstdint>

bool RAY_Start(uint32_t time);
bool RAY_Resume(uint32_t time);
bool RAY_Grow(uint32_t time);
bool RAY_Stop(uint32_t time);
bool FX_Nop(uint32_t time);
