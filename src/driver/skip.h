// Skipping ahead (--from): the show runs headless on the virtual clock, one frame per tick, as
// fast as it can, with nothing presented and the audio rendered and discarded, until the
// music passes a position; then it plays on from there in real time.
#pragma once

#include <cstdint>

// Sets the run up to skip ahead to the first frame at which the music has passed (order,
// row): the window's backend (chosen before) on the virtual clock, nothing presented, the
// sound device held silent. Call before DemoMain; the window's real clock takes over by
// itself once the position is passed.
void SKIP_Begin(int32_t order, int32_t row);

// Whether a run begun with SKIP_Begin got to its position or was quit on the way; false when
// the show or the music ended first. The music position where the skipping stopped in
// *order, *row.
bool SKIP_Reached(int* order, int* row);

// The progress line of a skip on stderr (at most a few times a second unless last):
// the frame, the music's position and the speed.
void SKIP_Progress(uint64_t frame, int32_t toOrder, int32_t toRow, bool last);
