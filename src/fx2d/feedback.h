// The feedback zoom.
#pragma once

#include <cstdint>

bool FeedbackStart(uint32_t time);
bool FeedbackEnd(uint32_t time);
