// The ray caster: the two intersection routines, carving and the order of equal distances,
// rays that start inside a solid, and the shading with zero, one and two lights.
#include "common/test_support.h"
#include "fx3d/raycast.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace {

RAY_Object Sphere(float x, float y, float z, float r, uint8_t subtract = 0)
{
    return RAY_Object{x, y, z, r, 0.0f, 0.0f, RAY_HitSphere, subtract};
}

RAY_Object HalfSpace(float nx, float ny, float nz, float d)
{
    return RAY_Object{nx, ny, nz, d, 0.0f, 0.0f, RAY_HitHalfSpace, 0};
}

class RayCast : public ::testing::Test {
protected:
    void TearDown() override { RAY_ResetScene(); }

    static void Use(const std::vector<RAY_Object>& objects, const std::vector<RAY_Light>& lights)
    {
        for (size_t i = 0; i < objects.size(); i++)
            RAY_Objects[i] = objects[i];
        for (size_t i = 0; i < lights.size(); i++)
            RAY_Lights[i] = lights[i];
        RAY_ObjectCount = (int32_t)objects.size();
        RAY_LightCount = (int32_t)lights.size();
        RAY_PrepareSpheres();
    }

    struct Traced {
        uint8_t shade;
        RAY_Pixel pixel;
    };

    // Casts the ray toward (x, y, z); the pixel starts out showing something else.
    static Traced Trace(float x, float y, float z)
    {
        const float len = std::sqrt(x * x + y * y + z * z);
        const float d[3] = {x / len, y / len, z / len};
        Traced r{123, {7, 3.0f}};
        RAY_TracePixel(d, &r.shade, &r.pixel);
        return r;
    }
};

const float kForward[3] = {0.0f, 0.0f, 1.0f};

TEST_F(RayCast, SphereHitsMissesAndGrazes)
{
    const struct { RAY_Object sphere; bool hit; float tEnter, tExit; } cases[] = {
        {Sphere(1.0f, 0.0f, 5.0f, 1.0f), false, 0, 0},            // grazes: q = 0
        {Sphere(3.0f, 0.0f, 5.0f, 1.0f), false, 0, 0},
        {Sphere(0.0f, 0.0f, 5.0f, 1.0f), true, 4.0f, 6.0f},
        {Sphere(0.6f, 0.0f, 5.0f, 1.0f), true, 4.2f, 5.8f},
        {Sphere(0.0f, 0.0f, -5.0f, 1.0f), true, -6.0f, -4.0f},    // behind the eye
    };
    for (const auto& c : cases) {
        Use({c.sphere}, {});
        RAY_Hit hit{9, 9, 42.0f, 43.0f};
        RAY_Objects[0].hit(kForward, &RAY_Objects[0], &hit);
        EXPECT_EQ(hit.enter, c.hit ? 1 : 0) << c.sphere.x;
        EXPECT_EQ(hit.exit, hit.enter);
        EXPECT_NEAR(hit.tEnter, c.hit ? c.tEnter : 42.0f, 1e-5f) << "a miss leaves the distances";
        EXPECT_NEAR(hit.tExit, c.hit ? c.tExit : 43.0f, 1e-5f);
    }
}

TEST_F(RayCast, HalfSpaceEnteredOrLeftAtItsPlane)
{
    // The floor below y = 1.5; rays down enter it, rays up leave it, level rays ignore it.
    const struct { float dir[3]; bool hit; float tEnter, tExit; } cases[] = {
        {{0.0f, 0.6f, 0.8f}, true, 2.5f, 2.5f + RAY_OPEN_SIDE},
        {{0.0f, -0.6f, 0.8f}, true, -2.5f - RAY_OPEN_SIDE, -2.5f},
        {{0.0f, 0.0f, 1.0f}, false, 42.0f, 43.0f},
        {{1.0f, 0.0f, 0.0f}, false, 42.0f, 43.0f},
    };
    for (const auto& c : cases) {
        const RAY_Object floor = HalfSpace(0.0f, -1.0f, 0.0f, 1.5f);
        RAY_Hit hit{9, 9, 42.0f, 43.0f};
        RAY_HitHalfSpace(c.dir, &floor, &hit);
        EXPECT_EQ(hit.enter, c.hit ? 1 : 0);
        EXPECT_EQ(hit.exit, hit.enter);
        EXPECT_FLOAT_EQ(hit.tEnter, c.tEnter);
        EXPECT_FLOAT_EQ(hit.tExit, c.tExit);
    }
}

TEST_F(RayCast, ARayParallelToAHalfSpaceIgnoresItInsideOrOut)
{
    for (float d : {1.5f, -1.5f}) {   // the eye outside the solid, then inside it
        Use({HalfSpace(0.0f, -1.0f, 0.0f, d)}, {{0.0f, 0.0f, 5.0f}});
        const Traced r = Trace(0.0f, 0.0f, 1.0f);
        EXPECT_EQ(r.shade, RAY_BACKGROUND) << d;
        EXPECT_EQ(r.pixel.index, -1);
        EXPECT_EQ(r.pixel.t, RAY_FAR);
    }
}

TEST_F(RayCast, CarvedSolidsAndRaysThatStartInsideOne)
{
    const RAY_Light eye = {0.0f, 0.0f, 0.0f}, behind = {0.0f, 0.0f, 20.0f};
    const struct {
        const char* what;
        std::vector<RAY_Object> objects;
        RAY_Light light;
        int32_t index;
        float t;
        uint8_t shade;
    } cases[] = {
        {"an added sphere inside a larger carved one", {Sphere(0, 0, 6, 1), Sphere(0, 0, 6, 1.2f, 1)}, eye, -1, RAY_FAR,
         RAY_BACKGROUND},
        // The cut shows the carved sphere's far wall, its normal toward the carved centre:
        // lit from the eye's side, dark from behind.
        {"a carving into the front, lit from the eye", {Sphere(0, 0, 6, 1), Sphere(0, 0, 5, 0.8f, 1)}, eye, 1, 5.8f, 255},
        {"a carving into the front, lit from behind", {Sphere(0, 0, 6, 1), Sphere(0, 0, 5, 0.8f, 1)}, behind, 1, 5.8f, 0},
        {"a carving that misses the added sphere", {Sphere(0, 0, 6, 1), Sphere(0, 0, 3, 0.5f, 1)}, eye, 0, 5.0f, 255},
        // The eye inside a large solid (z < 100): only a hollow carved into it shows.
        {"a hollow around the eye's ray", {HalfSpace(0, 0, 1, -100), Sphere(0, 0, 5, 1, 1)}, eye, 1, 6.0f, 255},
    };
    for (const auto& c : cases) {
        Use(c.objects, {c.light});
        const Traced r = Trace(0.0f, 0.0f, 1.0f);
        EXPECT_EQ(r.pixel.index, c.index) << c.what;
        EXPECT_NEAR(r.pixel.t, c.t, 1e-5f) << c.what;
        EXPECT_EQ(r.shade, c.shade) << c.what;
    }
}

TEST_F(RayCast, OfEqualDistancesTheLaterInsertedComesFirst)
{
    // A carved sphere leaves at t = 6 where an added one begins. The later-inserted event is
    // walked first, so row 0 shows in either table order: the carved wall when it is row 0
    // (its leaving comes before the added entry), the added sphere when that is row 0.
    const RAY_Object carved = Sphere(0, 0, 5, 1, 1), added = Sphere(0, 0, 7, 1);
    for (const auto& objects : {std::vector<RAY_Object>{carved, added}, std::vector<RAY_Object>{added, carved}}) {
        Use(objects, {{0.0f, 0.0f, 0.0f}});
        const Traced r = Trace(0.0f, 0.0f, 1.0f);
        EXPECT_EQ(r.pixel.index, 0) << (objects[0].subtract ? "carved first" : "added first");
        EXPECT_EQ(r.pixel.t, 6.0f);
    }
}

TEST_F(RayCast, WithoutLightsSpheresAreBlackAndTheFloorShowsItsCheckerboard)
{
    Use({Sphere(0, 0, 5, 1)}, {});
    EXPECT_EQ(Trace(0.0f, 0.0f, 1.0f).shade, 0);

    // The floor y = 1.5: cells of trunc(x) ^ trunc(y) ^ trunc(z); both sides of x = 0 are one
    // cell; 127 near the eye, fading between z = 10 and 20.
    Use({HalfSpace(0.0f, -1.0f, 0.0f, 1.5f)}, {});
    const struct { float x, z; uint8_t shade; } cases[] = {
        {0.5f, 3.5f, 0}, {1.5f, 3.5f, 127}, {-0.5f, 3.5f, 0}, {-1.5f, 3.5f, 127}, {0.5f, 2.5f, 127},
        {1.5f, 15.5f, 57}, {0.5f, 15.5f, 0}, {1.5f, 25.5f, 0}, {0.5f, 25.5f, 0},
    };
    for (const auto& c : cases) {
        const Traced r = Trace(c.x, 1.5f, c.z);
        EXPECT_EQ(r.shade, c.shade) << c.x << ", " << c.z;
        EXPECT_EQ(r.pixel.index, 0);
    }
}

TEST_F(RayCast, LightsAddTheSquareOfTheirCosineUpToFullBrightness)
{
    // The sphere's near point (0, 0, 4) faces the eye.
    const struct { std::vector<RAY_Light> lights; uint8_t shade; } cases[] = {
        {{{0, 0, 0}}, 255},
        {{{0, 0, 0}, {0, 0, 1}}, 255},               // 2, clamped
        {{{4, 0, 0}}, 127},                          // 45 degrees: 0.5
        {{{0, 0, 10}}, 0},                           // behind the surface
        {{{0, 0, 10}, {4, 0, 0}}, 127},              // only the light in front counts
    };
    for (const auto& c : cases) {
        Use({Sphere(0, 0, 5, 1)}, c.lights);
        EXPECT_EQ(Trace(0.0f, 0.0f, 1.0f).shade, c.shade) << c.lights.size() << " lights";
    }
}

TEST_F(RayCast, ViewRaysAreUnitVectorsThroughEachPixel)
{
    std::vector<float> d(320 * 200 * 3);
    RAY_BuildDirections(d.data(), 320, 200, 400.0f, 200 * 400 / 240.0f);
    const float* centre = &d[3 * (100 * 320 + 160)];
    EXPECT_EQ(centre[0], 0.0f);
    EXPECT_EQ(centre[1], 0.0f);
    EXPECT_EQ(centre[2], 1.0f);
    const float* corner = &d[0];   // (-160 / 400, -100 / 333.3, 1), normalised
    const float len = std::sqrt(0.4f * 0.4f + 0.3f * 0.3f + 1.0f);
    EXPECT_NEAR(corner[0], -0.4f / len, 1e-6f);
    EXPECT_NEAR(corner[1], -0.3f / len, 1e-6f);
    EXPECT_NEAR(corner[2], 1.0f / len, 1e-6f);
    for (size_t i = 0; i < d.size(); i += 3)
        ASSERT_NEAR(d[i] * d[i] + d[i + 1] * d[i + 1] + d[i + 2] * d[i + 2], 1.0f, 1e-6f);
}

}  // namespace
