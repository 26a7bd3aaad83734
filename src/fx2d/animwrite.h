// Writing .ZAF animations: each frame is the XOR delta from one picture to the next, coded
// as alternating runs of one value and literal bytes, as the player's doFrame reads them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#define ANIM_MAX_FRAMES 65535

// Appends to out the delta stream that turns from into to (size bytes each, size > 0): a run
// wherever a value repeats long enough to pay for its two bytes (a run of 0 skips unchanged
// bytes), literal bytes elsewhere.
void ANIM_EncodeDelta(const uint8_t* from, const uint8_t* to, size_t size, std::vector<uint8_t>* out);

// Builds a .ZAF file of pictures (size bytes each): frame 0 turns a cleared screen (all 0)
// into pictures[0], frame k turns pictures[k - 1] into pictures[k]; a picture equal to the
// one before it gives an empty frame. The same pictures give the same bytes. false with error
// set for no pictures or more than ANIM_MAX_FRAMES.
bool ANIM_BuildFile(const std::vector<const uint8_t*>& pictures, size_t size, uint16_t headerWord,
                    std::vector<uint8_t>* file, std::string* error);
