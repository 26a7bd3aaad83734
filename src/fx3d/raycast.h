// Ray casting of a small solid scene: spheres and half-spaces combined by union and
// difference, seen from the origin along +z (x right, y down), shaded by up to two point
// lights. All scene arithmetic is single precision.
#pragma once

#include <cstdint>

struct RAY_Object;

// The result of one intersection routine: the distances along the ray where it enters and
// leaves the solid. A routine that reports no hit leaves the distances as they were.
struct RAY_Hit {
    uint8_t enter, exit;   // always set equal
    float tEnter, tExit;
};

// An intersection routine: dir is a unit direction (three floats) of a ray from the origin.
// Which routine a solid holds is also its kind.
typedef void (*RAY_HitFn)(const float* dir, const RAY_Object* object, RAY_Hit* hit);

struct RAY_Object {
    float x, y, z;     // sphere: centre C; half-space: plane normal N, as stored (not normalised)
    float size;        // sphere: radius r; half-space: offset d (the solid is N.P + d < 0)
    float r2;          // sphere: r * r (RAY_PrepareSpheres)
    float c;           // sphere: |C|^2 - r^2 (RAY_PrepareSpheres)
    RAY_HitFn hit;     // RAY_HitSphere or RAY_HitHalfSpace
    uint8_t subtract;  // 0: added to the scene; 1: carved out of it
};

struct RAY_Light {
    float x, y, z;
};

// One crossing of a solid's surface along the current ray, in a list sorted by t.
struct RAY_Event {
    float t;
    const RAY_Object* object;
    int32_t index;        // row of the solid in RAY_Objects
    uint8_t entering;     // 1: the ray enters the solid here; 0: it leaves it
    RAY_Event* next;
};

// What a pixel showed when it was last cast or blended.
struct RAY_Pixel {
    int32_t index;   // row of the visible solid, -1 for the background
    float t;         // distance of the visible surface, RAY_FAR for the background
};

#define RAY_MAX_OBJECTS 8
#define RAY_MAX_LIGHTS 2
#define RAY_POOL_EVENTS 20
#define RAY_BACKGROUND 60            // shade of a pixel whose ray meets nothing
#define RAY_FAR 1e35f                // its distance
#define RAY_OPEN_SIDE 5000000.0f     // a half-space's open side, far beyond the scene

extern RAY_Object RAY_Objects[RAY_MAX_OBJECTS];
extern int32_t RAY_ObjectCount;      // the first rows that take part (5 at start-up)
extern RAY_Light RAY_Lights[RAY_MAX_LIGHTS];
extern int32_t RAY_LightCount;       // the first lights that take part (1 at start-up)

// The intersection routines of a sphere (RAY_PrepareSpheres must have run) and of a half-space.
void RAY_HitSphere(const float* dir, const RAY_Object* object, RAY_Hit* hit);
void RAY_HitHalfSpace(const float* dir, const RAY_Object* object, RAY_Hit* hit);

// Fills r2 and c of every sphere among the first RAY_ObjectCount rows.
void RAY_PrepareSpheres(void);

// Restores the scene's initial table (solids, lights and their counts).
void RAY_ResetScene(void);

// Fills directions (width * height unit vectors, three floats each, in screen order) with the
// view rays through each pixel for the focal lengths fx and fy.
void RAY_BuildDirections(float* directions, int width, int height, float fx, float fy);

// Brightness of the visible surface of event e at point p, as a palette shade 0..255.
uint8_t RAY_Shade(const RAY_Event* e, const float* p);

// Casts the ray dir, writes the shade of what it meets into *shade and the solid and its
// distance into *pixel (shade 60 and (-1, RAY_FAR) when it meets nothing).
void RAY_TracePixel(const float* dir, uint8_t* shade, RAY_Pixel* pixel);
