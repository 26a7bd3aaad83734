// The feedback zoom: a 256 x 256 picture that feeds on itself. Each frame redraws the last
// one rotated by nearly a half turn and scaled, averaged with the frame before it, so the
// picture dissolves into spiralling echoes; shown in the 256 x 200 window at columns 32..287.
#pragma once

#include <cstdint>

#define FEEDBACK_SIZE 256
#define FEEDBACK_BYTES (FEEDBACK_SIZE * FEEDBACK_SIZE)   // 65,536: 256 rows of 256 pixels

// The three buffers, allocated by FeedbackStart and freed by FeedbackEnd (null otherwise).
extern uint8_t* FeedbackPicture;   // "GFX\feedback.gif", read only at the start
extern uint8_t* FeedbackSource;    // the last frame: what the sampler reads
extern uint8_t* FeedbackTarget;    // the frame before it, overwritten with the new frame
// Motion phase in ticks: starts at 0, runs down by one per elapsed tick, never reset.
extern int32_t FeedbackPhase;

// Sets mode 0 (drawing straight into the display), clears it, loads the picture into all
// three buffers and starts a fade of speed 2 toward its palette from whatever is shown.
// Installs FeedbackFrame. Returns true.
bool FeedbackStart(uint32_t time);

// The frame hook: one feedback iteration into the window. Returns true.
bool FeedbackFrame(uint32_t time);

// Frees the buffers (harmless when there are none) and clears FrameHook. Returns true.
bool FeedbackEnd(uint32_t time);

// Blends count texels of FeedbackSource into dest: for each pixel the texel at the top bytes
// of v (row) and u (column), both 8.24 and wrapping around the picture, is averaged with the
// destination pixel; then u += du, v += dv.
void FeedbackSampleRow(uint8_t* dest, int count, uint32_t u, uint32_t v, uint32_t du, uint32_t dv);
