// The twisted textured tower: a stack of 200 sixteen-sided slices, one per screen row, each
// turned by its own angle and drawn edge-on as textured spans in front of a background.
#pragma once

#include <cstdint>

#define TOWER_SLICES 200     // one slice per screen row, slice 199 at the foot
#define TOWER_CORNERS 16
#define TOWER_WIDTH 320      // drawing width; the axis sits at column 160 + TOWER_CentreX
#define TOWER_TEXTURE_BYTES 65536     // 256 x 256, row r textures slice r
#define TOWER_BACKGROUND_BYTES 64000  // 320 x 200
#define TOWER_SKIP_TICKS 50

// One corner of a slice.
struct TOWER_Vertex {
    int32_t radius;   // distance from the axis, pixels
    uint32_t u;       // texture coordinate; bits 8..15 select the texture column
    uint16_t angle;   // direction before the slice's turn, 65536 units to the turn
};

// One slice: its corners in order around it; face j runs from corner j to corner (j + 1) % 16.
struct TOWER_Row {
    TOWER_Vertex corner[TOWER_CORNERS];
};

// Allocated by TOWER_Start, freed by TOWER_Stop (null otherwise).
extern TOWER_Row* TOWER_Rows;          // TOWER_SLICES slices
extern uint8_t* TOWER_Texture;         // "GFX\sq.gif", palette entries 0..127
extern uint8_t* TOWER_Background;      // "GFX\sqtback.gif", moved up to entries 128..255

// The turn of each slice in 16-bit angle units (wrapping when used); slice 199 is driven by
// the time, the others follow it through the smoothing cascade.
extern float TOWER_RowAngle[TOWER_SLICES];
extern int32_t TOWER_ZBuffer[TOWER_WIDTH];   // depths of the row being drawn; larger is nearer
extern uint32_t TOWER_BaseTime;              // the drive's time is time - TOWER_BaseTime
extern int32_t TOWER_LastElapsed;            // the drive's time at the previous frame
extern int32_t TOWER_CentreX;                // axis offset from the screen's centre column
extern int32_t TOWER_CentreZ;                // depth of the axis

// Timeline entry: loads the texture and background, merges their palettes, builds the slices
// and installs TOWER_Frame. Draws into LLS_Screen (mode 0, its own page). Returns true.
bool TOWER_Start(uint32_t time);
// Timeline entry: moves the drive 50 ticks ahead without extra smoothing steps. Returns true.
bool TOWER_Skip(uint32_t time);
// Timeline entry: frees the slices and pictures and clears FrameHook. Returns true.
bool TOWER_Stop(uint32_t time);

// The frame hook: when the tick has advanced, draws the slices with the previous turns over
// the background, advances the turns one cascade round per elapsed tick, and flips.
bool TOWER_Frame(uint32_t time);

// Draws face (x_j, u_j, z_j) -> (x_k, u_k, z_k) of slice row into LLS_Screen where it is
// nearer than TOWER_ZBuffer; a face running right to left (turned away) draws nothing.
// Writes only columns 0..318 of rows 0..199, whatever the values.
void TOWER_Span(int32_t row, int32_t xj, int32_t xk, uint32_t uj, uint32_t uk, int32_t zj, int32_t zk);

// Fills rows (TOWER_SLICES slices) with the vase-shaped, rippled corners of the tower.
void TOWER_BuildSlices(TOWER_Row* rows);

// The turn of the bottom slice at drive time e.
float TOWER_Drive(uint32_t e);

// The whole turn (truncated toward zero) of an angle in 16-bit units, reduced to 0..65535;
// 0 for a value that is not finite.
uint32_t TOWER_TurnOf(float angle);
