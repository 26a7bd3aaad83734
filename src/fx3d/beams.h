// Light beams over a gravity swarm: fifteen bodies fall about each other and a heavy fixed
// attractor; each carries a 40-pixel-wide beam through its position, added into the screen.
#pragma once

#include <cstdint>

// One body of the swarm. Positions in screen pixels, velocities in pixels per tick.
struct BEAM_Particle {
    float x, y;
    float vx, vy;
    float mass;
    uint16_t angle;   // 65536 units to the turn; the low 15 bits orient the beam
};

#define BEAM_BODIES 16          // records 0..14 move and are drawn; 15 is the fixed attractor
#define BEAM_DRAWN 15
#define BEAM_COS_ENTRIES 4096
#define BEAM_HALF_WIDTH 20      // pixels either side of a body's line
#define BEAM_LIGHT 16           // added to every palette index a beam covers
#define BEAM_SPIN_LIMIT 3072    // the spin's triangle wave sweeps between -3072 and 3072
#define BEAM_SPIN_STEP 4

extern BEAM_Particle BEAM_Particles[BEAM_BODIES];
extern float BEAM_CosTable[BEAM_COS_ENTRIES];   // cos(2 pi i / 4096), single precision
extern int32_t BEAM_Spin;                       // added to every angle each tick (0 at start-up)
extern int32_t BEAM_SpinStep;                   // added to the spin each tick (4 at start-up)
extern uint32_t BEAM_LastTick;                  // the tick up to which the swarm has been stepped
extern uint8_t* BEAM_Screen;                    // the 320 x 200 buffer drawn into

// Timeline entries; each returns true.
bool BEAM_Start(uint32_t time);     // places the bodies, uploads the palette, installs BEAM_Frame
bool BEAM_Reverse(uint32_t time);   // negates the spin and its step
bool BEAM_Resume(uint32_t time);    // installs BEAM_Frame again after the ray-traced interlude

// The hook: draws the beams as the bodies stand, then steps the swarm up to time (every
// missed tick after an interruption) and presents the frame. Returns true.
bool BEAM_Frame(uint32_t time);

// One tick of the simulation: turns every body by the spin, moves bodies 0..14 in order under
// gravity, and advances the spin's triangle wave.
void BEAM_Step(void);

// Adds one body's beam into BEAM_Screen, clipped to the 320 x 200 screen.
void BEAM_DrawStrip(const BEAM_Particle* body);

// Fills BEAM_CosTable.
void BEAM_BuildCosTable(void);

// The beams' palette (black through orange to white over 0..127, then white) into PAL_Target.
void BEAM_BuildPalette(void);
