// The intro: the weave, the logo and the title.
#pragma once

#include <cstdint>

bool IntroWeaveStart(uint32_t time);
bool IntroWeaveJump(uint32_t time);
bool IntroShowLogo(uint32_t time);
bool IntroShowTitle(uint32_t time);
