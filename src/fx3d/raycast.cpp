// The ray caster: every crossing of a solid's surface along a ray goes into a list sorted by
// distance; walking it with counters of carved and added solids finds the first surface that
// is inside an added solid and outside every carved one.
#include "fx3d/raycast.h"

#include "support/truncate.h"

#include <algorithm>
#include <cmath>

// Row 2 is the floor (the solid below y = 1), row 3 a slanted half-space; the spheres all
// start at depth 6 or 7 and are placed by the scene's animation before the first frame.
static const RAY_Object RAY_InitialObjects[RAY_MAX_OBJECTS] = {
    {1.0f, 0.0f, 7.0f, 1.0f, 0.0f, 0.0f, RAY_HitSphere, 0},
    {0.0f, 0.5f, 6.0f, 1.2f, 0.0f, 0.0f, RAY_HitSphere, 1},
    {0.0f, -1.0f, 0.0f, 1.0f, 0.0f, 0.0f, RAY_HitHalfSpace, 0},
    {-0.41f, -0.41f, 0.0f, 1.3f, 0.0f, 0.0f, RAY_HitHalfSpace, 0},
    {0.0f, 0.5f, 6.0f, 1.0f, 0.0f, 0.0f, RAY_HitSphere, 0},
    {0.0f, 0.5f, 6.0f, 0.5f, 0.0f, 0.0f, RAY_HitSphere, 0},
    {0.0f, 0.5f, 6.0f, 0.7f, 0.0f, 0.0f, RAY_HitSphere, 1},
    {0.0f, 0.5f, 6.0f, 1.0f, 0.0f, 0.0f, RAY_HitSphere, 0},
};
static const RAY_Light RAY_InitialLights[RAY_MAX_LIGHTS] = {{0.0f, 0.0f, 5.0f}, {10.0f, -3.0f, 2.0f}};
#define RAY_INITIAL_OBJECTS 5
#define RAY_INITIAL_LIGHTS 1

RAY_Object RAY_Objects[RAY_MAX_OBJECTS] = {
    RAY_InitialObjects[0], RAY_InitialObjects[1], RAY_InitialObjects[2], RAY_InitialObjects[3],
    RAY_InitialObjects[4], RAY_InitialObjects[5], RAY_InitialObjects[6], RAY_InitialObjects[7],
};
int32_t RAY_ObjectCount = RAY_INITIAL_OBJECTS;
RAY_Light RAY_Lights[RAY_MAX_LIGHTS] = {RAY_InitialLights[0], RAY_InitialLights[1]};
int32_t RAY_LightCount = RAY_INITIAL_LIGHTS;

void RAY_ResetScene(void)
{
    std::copy(RAY_InitialObjects, RAY_InitialObjects + RAY_MAX_OBJECTS, RAY_Objects);
    std::copy(RAY_InitialLights, RAY_InitialLights + RAY_MAX_LIGHTS, RAY_Lights);
    RAY_ObjectCount = RAY_INITIAL_OBJECTS;
    RAY_LightCount = RAY_INITIAL_LIGHTS;
}

// The two intersection routines, inline so that the caster's loop can test the kind and
// skip the indirect call; RAY_HitSphere and RAY_HitHalfSpace are the same code.
static inline void RAY_SphereHit(const float* d, const RAY_Object* o, RAY_Hit* hit)
{
    const float b = d[0] * o->x + d[1] * o->y + d[2] * o->z;
    const float q = b * b - o->c;
    if (q > 0.0f) {
        const float root = std::sqrt(q);
        hit->enter = hit->exit = 1;
        hit->tEnter = b - root;
        hit->tExit = b + root;
    } else {
        hit->enter = hit->exit = 0;   // missed or grazed
    }
}

static inline void RAY_HalfSpaceHit(const float* d, const RAY_Object* o, RAY_Hit* hit)
{
    const float s = d[0] * o->x + d[1] * o->y + d[2] * o->z;
    if (s == 0.0f) {
        hit->enter = hit->exit = 0;   // parallel to the plane
        return;
    }
    const float u = (0.0f - o->size) / s;
    hit->enter = hit->exit = 1;
    if (s < 0.0f) {
        hit->tEnter = u;
        hit->tExit = u + RAY_OPEN_SIDE;
    } else {
        hit->tEnter = u - RAY_OPEN_SIDE;
        hit->tExit = u;
    }
}

void RAY_HitSphere(const float* d, const RAY_Object* o, RAY_Hit* hit)
{
    RAY_SphereHit(d, o, hit);
}

void RAY_HitHalfSpace(const float* d, const RAY_Object* o, RAY_Hit* hit)
{
    RAY_HalfSpaceHit(d, o, hit);
}

static int32_t RAY_Count(int32_t count, int32_t most)
{
    return std::clamp(count, 0, most);
}

void RAY_PrepareSpheres(void)
{
    for (int32_t k = 0; k < RAY_Count(RAY_ObjectCount, RAY_MAX_OBJECTS); k++) {
        RAY_Object& o = RAY_Objects[k];
        if (o.hit != RAY_HitSphere)
            continue;
        o.r2 = o.size * o.size;
        o.c = o.x * o.x - o.r2 + o.y * o.y + o.z * o.z;
    }
}

void RAY_BuildDirections(float* directions, int width, int height, float fx, float fy)
{
    float* d = directions;
    for (int y = 0; y < height; y++) {
        const float vy = (float)(y - height / 2) / fy;
        for (int x = 0; x < width; x++) {
            const float vx = (float)(x - width / 2) / fx;
            const float len = std::sqrt(vy * vy + 1.0f + vx * vx);
            d[0] = vx / len;
            d[1] = vy / len;
            d[2] = 1.0f / len;
            d += 3;
        }
    }
}

uint8_t RAY_Shade(const RAY_Event* e, const float* p)
{
    const RAY_Object* o = e->object;
    float n[3];
    float b = 0.0f;
    if (o->hit == RAY_HitSphere) {
        n[0] = p[0] - o->x;
        n[1] = p[1] - o->y;
        n[2] = p[2] - o->z;
        if (!e->entering) {
            // The wall of a carved sphere seen from inside it: the normal points inwards.
            n[0] = -n[0];
            n[1] = -n[1];
            n[2] = -n[2];
        }
        const float len = std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]);
        n[0] /= len;
        n[1] /= len;
        n[2] /= len;
    } else {
        n[0] = o->x;
        n[1] = o->y;
        n[2] = o->z;
        if (p[2] < 20.0f) {
            // The checkerboard: unit cells, merged into double width across each zero
            // coordinate by the truncation toward zero; it fades out between z = 10 and 20.
            const int32_t cell = TRUNC_ToInt32(p[0]) ^ TRUNC_ToInt32(p[1]) ^ TRUNC_ToInt32(p[2]);
            b = 0.5f * (float)(cell & 1);
            if (p[2] > 10.0f)
                b = b - (p[2] - 10.0f) * b / 10.0f;
        }
    }
    for (int32_t i = 0; i < RAY_Count(RAY_LightCount, RAY_MAX_LIGHTS); i++) {
        const RAY_Light& L = RAY_Lights[i];
        float l[3] = {L.x - p[0], L.y - p[1], L.z - p[2]};
        const float len = std::sqrt(l[0] * l[0] + l[1] * l[1] + l[2] * l[2]);
        l[0] /= len;
        l[1] /= len;
        l[2] /= len;
        const float k = n[0] * l[0] + n[1] * l[1] + n[2] * l[2];
        if (k >= 0.0f)   // no shadows: a light is never occluded
            b += k * k;
    }
    return (uint8_t)TRUNC_ToInt32(std::min(b, 1.0f) * 255.0f);
}

// Inserts e in front of the first event whose t is greater than or equal to its own, so a
// new event goes in front of earlier events of equal t.
static void RAY_Insert(RAY_Event** head, RAY_Event* e)
{
    RAY_Event** link = head;
    while (*link && (*link)->t < e->t)
        link = &(*link)->next;
    e->next = *link;
    *link = e;
}

void RAY_TracePixel(const float* dir, uint8_t* shade, RAY_Pixel* pixel)
{
    // The per-ray context: the event pool, the sorted list and the last hit.
    RAY_Event pool[RAY_POOL_EVENTS];
    RAY_Event* head = nullptr;
    int used = 0;
    RAY_Hit hit = {0, 0, 0.0f, 0.0f};
    const int32_t count = RAY_Count(RAY_ObjectCount, RAY_MAX_OBJECTS);
    for (int32_t k = 0; k < count; k++) {
        const RAY_Object* o = &RAY_Objects[k];
        if (o->hit == RAY_HitSphere)
            RAY_SphereHit(dir, o, &hit);
        else if (o->hit == RAY_HitHalfSpace)
            RAY_HalfSpaceHit(dir, o, &hit);
        else
            o->hit(dir, o, &hit);
        if (hit.enter) {
            pool[used] = RAY_Event{hit.tEnter, o, k, 1, nullptr};
            RAY_Insert(&head, &pool[used++]);
        }
        if (hit.exit) {
            pool[used] = RAY_Event{hit.tExit, o, k, 0, nullptr};
            RAY_Insert(&head, &pool[used++]);
        }
    }

    // Crossings behind the eye count too, so a ray that starts inside a solid is handled.
    int32_t carved = 0, solid = 0;
    const RAY_Event* e = head;
    for (; e; e = e->next) {
        const int32_t step = e->entering ? 1 : -1;
        if (e->object->subtract)
            carved += step;
        else
            solid += step;
        if (e->t > 0.0f && carved == 0 && solid != 0)
            break;
    }
    if (!e) {
        *shade = RAY_BACKGROUND;
        pixel->index = -1;
        pixel->t = RAY_FAR;
        return;
    }
    pixel->index = e->index;
    pixel->t = e->t;
    const float p[3] = {dir[0] * e->t, dir[1] * e->t, dir[2] * e->t};
    *shade = RAY_Shade(e, p);
}
