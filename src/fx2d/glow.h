// Glow particles: thirty-one soft lights orbiting an invisible heavy body under mutual
// gravity, each a brightness blob added into the frame with saturation at 127.
#pragma once

#include <cstdint>

#define GLOW_BODIES 32      // bodies 0..30 are the lights, body 31 the centre
#define GLOW_LIGHTS 31
#define GLOW_BLOB_SIZE 64   // the blob is 64 x 64, its centre at (32, 32)
#define GLOW_MAX 127        // brightest index; the palette above it is never shown

// One body; positions in pixels, velocities in pixels per frame.
struct GlowBody {
    float x, y, vx, vy, mass;
};

extern GlowBody GlowBodies[GLOW_BODIES];
extern uint8_t GlowBlob[GLOW_BLOB_SIZE * GLOW_BLOB_SIZE];   // row-major, brightness 0..40

// Timeline entry: random start positions around the centre, the green-to-white palette shown
// at once (a running fade stops), the blob, and FrameHook := GlowFrame. Expects mode 0 with
// LLS_Screen on its own page. Returns true.
bool GlowStart(uint32_t time);

// The frame hook: clears the screen, adds the blob of every light, moves the bodies one
// step and hands the frame to ShakeCopy. Returns true.
bool GlowFrame(uint32_t time);

// Adds the blob centred at (cx, cy) into a 320 x 200 picture, clipped on every side, each
// pixel saturating at GLOW_MAX.
void GLOW_AddBlob(uint8_t* picture, int32_t cx, int32_t cy);

// One integration step of the lights, in order, in place; the centre body stays.
void GLOW_Step(void);
