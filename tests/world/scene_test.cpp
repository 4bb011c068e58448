// The initial scene after start-up, the platform paths driven by the phase,
// and the R reset of a scene that has been running.
#include <cmath>
#include <limits>

#include <gtest/gtest.h>

#include "world/platforms.h"
#include "world_fixture.h"

namespace {

constexpr double kPi = 3.14159265358979323846;

struct SceneRow {
    EntityKind kind;
    ShapeKind shape;
    btVector3 params;
    float mass;
    btVector3 origin;
    bool zeroInertia;
};

const SceneRow kExpectedScene[] = {
    {Ground, Plane, btVector3(0, 1, 0), 0, btVector3(0, -1, 0), true},
    {Player, Cylinder, btVector3(0.15f, 0.3f, 0.15f), 100, btVector3(1.0f, 0.3f, -1.0f), false},
    {Wall, Box, btVector3(0.3f, 2.0f, 5.0f), 0, btVector3(-3, 1, -1), true},
    {Platform, Box, btVector3(0.45f, 0.15f, 0.45f), 0, btVector3(0, 0.5f, 0), true},
    {Platform, Box, btVector3(0.45f, 0.15f, 0.45f), 0, btVector3(3, 1, 0), true},
    {Platform, Box, btVector3(0.45f, 0.15f, 0.45f), 0, btVector3(3, 2, 2), true},
    {Dynamic, Box, btVector3(0.3f, 0.3f, 0.3f), 10, btVector3(0, 6, 0), false},
    {Dynamic, Box, btVector3(0.3f, 0.3f, 0.3f), 10, btVector3(0, 40, 0), false},
    {Dynamic, Box, btVector3(0.3f, 0.3f, 0.3f), 10, btVector3(0, 80, 0), false},
    {Dynamic, Box, btVector3(0.3f, 0.3f, 0.3f), 10, btVector3(3, 4, 2), false},
};

btVector3 ParamsOf(const Entity& e)
{
    return btVector3(e.shapeParams[0], e.shapeParams[1], e.shapeParams[2]);
}

TEST(Scene, StartUpHoldsTheTenEntriesInOrder)
{
    TestWorld test(true);
    EXPECT_EQ(1, test.cameraTargetIndex);
    EXPECT_EQ(test.world.entities[1], test.world.playerEntity);
    ASSERT_EQ(10u, test.world.entities.size());
    EXPECT_EQ(10, test.world.physicsWorld->getNumCollisionObjects());
    for (size_t i = 0; i < 10; ++i) {
        SCOPED_TRACE(i);
        const SceneRow& row = kExpectedScene[i];
        const Entity& e = *test.world.entities[i];
        EXPECT_EQ(row.kind, e.kind);
        EXPECT_EQ(row.shape, e.shapeKind);
        EXPECT_EQ(row.params, ParamsOf(e));
        EXPECT_EQ(row.mass, e.mass);
        EXPECT_EQ(row.origin, e.startTransform.getOrigin());
        EXPECT_EQ(row.origin, OriginOf(e));
        EXPECT_EQ(btMatrix3x3::getIdentity(), e.startTransform.getBasis());
        EXPECT_EQ(row.zeroInertia, e.localInertia.isZero());
    }
}

// Expected platform poses at phase p, from the paths written out by hand.
void ExpectPlatformsAtPhase(const World& world, double p)
{
    const btTransform& turning = world.entities[3]->body->getWorldTransform();
    const btVector3 xAxis = turning.getBasis() * btVector3(1, 0, 0);
    // A right-handed turn by p about +y takes +x to (cos p, 0, -sin p).
    EXPECT_NEAR(std::cos(p), xAxis.x(), 1e-5);
    EXPECT_NEAR(0.0, xAxis.y(), 1e-6);
    EXPECT_NEAR(-std::sin(p), xAxis.z(), 1e-5);
    EXPECT_NEAR(0.0f, (turning.getOrigin() - btVector3(0, 0.5f, 0)).length(), 1e-6f);

    const btVector3 sliding = OriginOf(*world.entities[4]);
    EXPECT_NEAR(0.0f, (sliding - btVector3(3, 1, float(std::sin(p)))).length(), 1e-5f);
    const btVector3 bobbing = OriginOf(*world.entities[5]);
    EXPECT_NEAR(0.0f, (bobbing - btVector3(3, float(1 - 0.5 * std::sin(p)), 2)).length(), 1e-5f);
    for (size_t i = 4; i <= 5; ++i) {
        EXPECT_EQ(btMatrix3x3::getIdentity(), world.entities[i]->body->getWorldTransform().getBasis());
    }
    // Motion states carry the same pose for drawing.
    btTransform drawn;
    world.entities[5]->motionState->getWorldTransform(drawn);
    EXPECT_EQ(bobbing, drawn.getOrigin());
}

TEST(Platforms, PosesAlongThePaths)
{
    struct Case {
        const char* name;
        double frameSeconds;
        int frames;
        double phase;  // expected afterwards
    };
    const Case cases[] = {
        {"first frame, phase still 0", 0.0, 1, 0.0},    {"one second in frames", 1.0 / 60.0, 60, kPi / 2},
        {"one second at once", 1.0, 1, kPi / 2},        {"three seconds", 0.5, 6, 1.5 * kPi},
        {"one frame of 5 s wraps to 0", 5.0, 1, 0.0},   {"exactly one period wraps to 0", 4.0, 1, 0.0},
        {"just short of a period", 3.9, 1, 1.95 * kPi}, {"a period in frames", 0.25, 16, 0.0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TestWorld test(true);
        for (int i = 0; i < c.frames; ++i) {
            AnimatePlatforms(test.world, c.frameSeconds);
        }
        EXPECT_NEAR(c.phase, test.world.platformPhase, 1e-9);
        ExpectPlatformsAtPhase(test.world, c.phase);
    }
}

TEST(Platforms, WrapDropsTheExcess)
{
    TestWorld test(true);
    AnimatePlatforms(test.world, 3.0);
    AnimatePlatforms(test.world, 1.5);  // 4.5 s: past a period, so 0 rather than pi/4
    EXPECT_EQ(0.0, test.world.platformPhase);
    AnimatePlatforms(test.world, 0.5);
    EXPECT_NEAR(kPi / 4, test.world.platformPhase, 1e-12);
}

TEST(Platforms, UnusableFrameTimesLeaveThePhaseAndKeepPosesFinite)
{
    const double frames[] = {
        std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::infinity(),
        -std::numeric_limits<double>::infinity(), -1.0, std::numeric_limits<double>::max()};
    for (double frame : frames) {
        SCOPED_TRACE(frame);
        TestWorld test(true);
        AnimatePlatforms(test.world, 1.0);
        AnimatePlatforms(test.world, frame);
        const double expected = frame == std::numeric_limits<double>::max() ? 0.0 : kPi / 2;
        EXPECT_EQ(expected, test.world.platformPhase);
        ExpectPlatformsAtPhase(test.world, expected);
        StepPhysics(test.world, 1.0f / 60.0f);
        for (size_t i = 3; i <= 5; ++i) {
            const btVector3 v = test.world.entities[i]->body->getLinearVelocity();
            EXPECT_TRUE(std::isfinite(v.x()) && std::isfinite(v.y()) && std::isfinite(v.z()));
        }
    }
}

TEST(Scene, CubesLandOnTheTurningPlatform)
{
    TestWorld test(true);
    for (int frame = 0; frame < 120; ++frame) {
        AnimatePlatforms(test.world, 1.0 / 60.0);
        StepPhysics(test.world, 1.0f / 60.0f);
    }
    // Entry 6 fell 5 m onto entry 3: platform top 0.65, cube half extent 0.3.
    EXPECT_NEAR(0.95f, OriginOf(*test.world.entities[6]).y(), 0.03f);
    // Entry 9 rides on entry 5, which bobs at 1 - 0.5 sin(phase).
    const float platformTop = 1.0f - 0.5f * float(std::sin(test.world.platformPhase)) + 0.15f;
    EXPECT_NEAR(platformTop + 0.3f, OriginOf(*test.world.entities[9]).y(), 0.05f);
}

TEST(Scene, ResetRestoresEveryEntryAndKeepsThePhase)
{
    TestWorld test(true);
    Entity* spawned = test.Cube(1.0f, 5.0f, 1.0f);
    for (int frame = 0; frame < 180; ++frame) {
        AnimatePlatforms(test.world, 1.0 / 60.0);
        StepPhysics(test.world, 1.0f / 60.0f);
    }
    test.world.playerEntity->body->setLinearVelocity(btVector3(2, 0, 1));
    StepPhysics(test.world, 1.0f / 60.0f);
    ASSERT_LT(OriginOf(*test.world.entities[7]).y(), 39.0f);
    ASSERT_LT(OriginOf(*spawned).y(), 1.0f);
    const double phase = test.world.platformPhase;
    ASSERT_GT(phase, 0.0);

    ResetAllEntities(test.world);
    EXPECT_EQ(phase, test.world.platformPhase);
    for (size_t i = 0; i < test.world.entities.size(); ++i) {
        SCOPED_TRACE(i);
        const Entity& e = *test.world.entities[i];
        const btVector3 origin = i < 10 ? kExpectedScene[i].origin : btVector3(1, 5, 1);
        EXPECT_EQ(origin, OriginOf(e));
        EXPECT_EQ(btMatrix3x3::getIdentity(), e.body->getWorldTransform().getBasis());
        EXPECT_EQ(btVector3(0, 0, 0), e.body->getLinearVelocity());
        EXPECT_EQ(btVector3(0, 0, 0), e.body->getAngularVelocity());
        btTransform drawn;
        e.motionState->getWorldTransform(drawn);
        EXPECT_EQ(origin, drawn.getOrigin());
    }

    // The next running frame puts the platforms back on their paths.
    AnimatePlatforms(test.world, 1.0 / 60.0);
    ExpectPlatformsAtPhase(test.world, test.world.platformPhase);
    EXPECT_NEAR(phase + kPi / 120.0, test.world.platformPhase, 1e-9);
}

}  // namespace
