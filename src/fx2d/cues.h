// Palette cues and the small hooks the Timeline installs between effects.
#pragma once

#include <cstdint>

bool CueIdleHook(uint32_t time);
bool CueEndShow(uint32_t time);
bool CueStopHook(uint32_t time);
bool CueNegativeFlash(uint32_t time);
bool CueWhiteFlash(uint32_t time);
bool CueFadeToBlack(uint32_t time);
bool CueRotateColoursA(uint32_t time);
bool CueRotateColoursB(uint32_t time);
bool CueShowFreestyle(uint32_t time);
bool CueShowKolde(uint32_t time);
