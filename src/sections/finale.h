// The closing screen with the end-text pager.
#pragma once

#include <cstdint>

bool FinalePrepare(uint32_t time);
bool FinaleStart(uint32_t time);
