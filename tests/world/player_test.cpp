// Player movement on a real physics world: walking and sprinting relative to the
// heading, the ground test with its slope limit, riding moving bodies, jumping,
// pushing in the air, and input that must never put a NaN into the body.
#include "world/player.h"

#include <array>
#include <cmath>
#include <limits>
#include <vector>

#include <gtest/gtest.h>

#include "input/gamepad.h"
#include "input/keyboard.h"
#include "world/entity.h"
#include "world/world.h"
#include "world_fixture.h"

namespace {

constexpr float kPi = 3.14159265f;
constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kInf = std::numeric_limits<float>::infinity();

void ExpectVector(const btVector3& actual, float x, float y, float z, float tolerance = 1e-5f)
{
    EXPECT_NEAR(actual.x(), x, tolerance);
    EXPECT_NEAR(actual.y(), y, tolerance);
    EXPECT_NEAR(actual.z(), z, tolerance);
}

struct PlayerFixture : ::testing::Test {
    TestWorld test;
    PlayerController player;
    Keyboard keyboard;
    std::array<Gamepad, 4> pads;

    void SetUp() override { player.entity = test.world.playerEntity; }

    btRigidBody& Body() { return *player.entity->body; }

    void Frame(float heading = 0.0f) { UpdatePlayer(player, keyboard, pads, heading, test.world); }

    void ClearInput()
    {
        for (InputButton* button : keyboard.buttons)
            button->state = Up;
        pads[0].buttonA.state = Unavailable;
        pads[0].buttonB.state = Unavailable;
        pads[0].leftStickX.delta = 0.0f;
        pads[0].leftStickY.delta = 0.0f;
        player.inputEnabled = true;
    }

    // The player starts resting on the ground plane; a few frames give it its
    // contact with the plane, with the player as the manifold's first body.
    void Settle() { test.Run(0.25f); }

    // Moves the player without any velocity, for tests that stage its place.
    void PlacePlayer(float x, float y, float z)
    {
        const btTransform transform(btQuaternion::getIdentity(), btVector3(x, y, z));
        Body().setWorldTransform(transform);
        player.entity->motionState->setWorldTransform(transform);
        Body().setLinearVelocity(btVector3(0, 0, 0));
        Body().setAngularVelocity(btVector3(0, 0, 0));
    }
};

struct WalkCase {
    const char* name;
    float heading;
    KeyState forward, backward, left, right, sprint;
    KeyState buttonB;
    float stickX, stickY;
    bool inputEnabled;
    float vx, vz;
};

// Walking is 4 x 0.5 = 2.0, sprinting 8 x 0.5 = 4.0. At heading h forward is
// (cos h, 0, sin h) and right is (sin h, 0, -cos h).
TEST_F(PlayerFixture, GroundVelocityFollowsKeysStickAndHeading)
{
    const float h = 0.70710678f;
    const WalkCase cases[] = {
        {"forward", 0, Held, Up, Up, Up, Up, Unavailable, 0, 0, true, 2.0f, 0.0f},
        {"forward at a quarter turn", kPi / 2, Held, Up, Up, Up, Up, Unavailable, 0, 0, true, 0.0f, 2.0f},
        {"backward at a quarter turn", kPi / 2, Up, Held, Up, Up, Up, Unavailable, 0, 0, true, 0.0f, -2.0f},
        {"left", 0, Up, Up, Pressed, Up, Up, Unavailable, 0, 0, true, 0.0f, 2.0f},
        {"right", 0, Up, Up, Up, Held, Up, Unavailable, 0, 0, true, 0.0f, -2.0f},
        {"forward and right", 0, Held, Up, Up, Held, Up, Unavailable, 0, 0, true, 2 * h, -2 * h},
        {"forward and right sprinting", 0, Held, Up, Up, Held, Held, Unavailable, 0, 0, true, 4 * h, -4 * h},
        {"sprint button", 0, Held, Up, Up, Up, Up, Held, 0, 0, true, 4.0f, 0.0f},
        {"forward and backward cancel", 0, Held, Held, Up, Up, Up, Unavailable, 0, 0, true, 0.0f, 0.0f},
        {"released key is still down", 0, Released, Up, Up, Up, Up, Unavailable, 0, 0, true, 2.0f, 0.0f},
        {"half stick is not scaled up", 0, Up, Up, Up, Up, Up, Unavailable, 0, 0.5f, true, 1.0f, 0.0f},
        {"stick right", 0, Up, Up, Up, Up, Up, Unavailable, 1.0f, 0, true, 0.0f, -2.0f},
        {"stick diagonal", 0, Up, Up, Up, Up, Up, Unavailable, 1.0f, 1.0f, true, 2 * h, -2 * h},
        {"stick and key together", 0, Held, Up, Up, Up, Up, Unavailable, 0, 1.0f, true, 2.0f, 0.0f},
        {"keys ignored while disabled", 0, Held, Up, Up, Held, Up, Unavailable, 0, 0, false, 0.0f, 0.0f},
        {"stick acts while disabled", 0, Held, Up, Up, Up, Up, Unavailable, 0, 1.0f, false, 2.0f, 0.0f},
        {"sprint key while disabled", 0, Up, Up, Up, Up, Held, Unavailable, 0, 1.0f, false, 4.0f, 0.0f},
        {"sprint button while disabled", 0, Up, Up, Up, Up, Up, Pressed, 0, 1.0f, false, 4.0f, 0.0f},
        {"NaN heading counts as 0", kNaN, Held, Up, Up, Up, Up, Unavailable, 0, 0, true, 2.0f, 0.0f},
        {"infinite heading counts as 0", kInf, Held, Up, Up, Up, Up, Unavailable, 0, 0, true, 2.0f, 0.0f},
        {"NaN stick moves nothing", 0, Up, Up, Up, Up, Up, Unavailable, kNaN, kNaN, true, 0.0f, 0.0f},
    };
    Settle();
    for (const WalkCase& c : cases) {
        SCOPED_TRACE(c.name);
        ClearInput();
        keyboard.forward.state = c.forward;
        keyboard.backward.state = c.backward;
        keyboard.left.state = c.left;
        keyboard.right.state = c.right;
        keyboard.sprint.state = c.sprint;
        pads[0].buttonB.state = c.buttonB;
        pads[0].leftStickX.delta = c.stickX;
        pads[0].leftStickY.delta = c.stickY;
        player.inputEnabled = c.inputEnabled;
        Body().setAngularVelocity(btVector3(0, 2, 0));
        Frame(c.heading);
        EXPECT_FALSE(player.airborne);
        // On the ground the vertical velocity is cancelled and the spin is the
        // ground's (none for the plane).
        ExpectVector(Body().getLinearVelocity(), c.vx, 0.0f, c.vz);
        ExpectVector(Body().getAngularVelocity(), 0.0f, 0.0f, 0.0f);
    }
}

// A static box tilted about z under a falling player: its top face is the
// contact, so the normal is the tilt away from vertical.
TEST_F(PlayerFixture, TiltedSurfaceIsGroundUpToTheSlopeLimit)
{
    const struct {
        float degrees;
        bool ground;
    } cases[] = {{30.0f, true}, {40.0f, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.degrees);
        TestWorld local;
        PlayerController walker;
        walker.entity = local.world.playerEntity;
        const float tilt = c.degrees * kPi / 180.0f;
        auto* state = new btDefaultMotionState(
            btTransform(btQuaternion(btVector3(0, 0, 1), tilt), btVector3(10, 3, 10)));
        CreateEntityWithInertia(local.world, Ground, Box, 0.0f, 2.0f, 0.5f, 2.0f, state, btVector3(0, 0, 0));
        const btTransform start(btQuaternion::getIdentity(), btVector3(10, 4.2f, 10));
        walker.entity->body->setWorldTransform(start);
        walker.entity->motionState->setWorldTransform(start);

        const btPersistentManifold* touching = nullptr;
        for (int frame = 0; frame < 120 && touching == nullptr; ++frame) {
            StepPhysics(local.world, 1.0f / 60.0f);
            const auto found = local.world.contacts.manifoldsByBody.find(walker.entity->body);
            if (found == local.world.contacts.manifoldsByBody.end())
                continue;
            for (const btPersistentManifold* manifold : found->second) {
                if (manifold->getNumContacts() > 0)
                    touching = manifold;
            }
        }
        ASSERT_NE(touching, nullptr);
        ASSERT_EQ(touching->getBody1(), local.world.entities.back()->body);
        const btVector3 normal = touching->getContactPoint(0).m_normalWorldOnB;
        EXPECT_NEAR(std::acos(normal.y() / normal.length()), tilt, 0.01f);

        walker.entity->body->setAngularVelocity(btVector3(0, 1, 0));
        CheckGround(walker, local.world);
        EXPECT_EQ(walker.airborne, !c.ground);
        ExpectVector(walker.entity->body->getAngularVelocity(), 0.0f, 0.0f, 0.0f);
    }
}

// Manifolds built by hand under the player (its first body), so the normals
// and the supporting bodies' motion are exact.
struct GroundCase {
    const char* name;
    // Per manifold, the angles of its points from vertical, degrees; a
    // negative angle stands for a zero normal.
    std::vector<std::vector<float>> manifolds;
    std::vector<int> supports;  // per manifold: 0 the moving cube, 1 the ground plane
    bool listed;                // the player has an entry in manifoldsByBody
    bool ground;
    int support;  // expected supporting body when ground
};

TEST_F(PlayerFixture, GroundTestTakesTheFirstContactWithinTheSlopeLimit)
{
    // The cube moves at (1, 0.7, 0.5) and spins at (0.3, 0.5, -0.2). From its
    // origin to the player's, r = (-0.2, 0.45, 0.4): spin (0, 0.5, 0) x r =
    // (0.2, 0, 0.1), so the ground velocity is (1.2, 0, 0.6).
    Entity* cube = test.Cube(1.2f, -0.15f, -1.4f);
    cube->body->setLinearVelocity(btVector3(1.0f, 0.7f, 0.5f));
    cube->body->setAngularVelocity(btVector3(0.3f, 0.5f, -0.2f));
    const btCollisionObject* supportBodies[] = {cube->body, test.world.entities[0]->body};

    const GroundCase cases[] = {
        {"no entry", {}, {}, false, false, -1},
        {"empty list", {}, {}, true, false, -1},
        {"manifold without points", {{}}, {0}, true, false, -1},
        {"flat", {{0}}, {0}, true, true, 0},
        {"30 degrees", {{30}}, {0}, true, true, 0},
        {"just under pi/5", {{35.9f}}, {0}, true, true, 0},
        {"just over pi/5", {{36.1f}}, {0}, true, false, -1},
        {"40 degrees", {{40}}, {0}, true, false, -1},
        {"wall", {{90}}, {0}, true, false, -1},
        {"ceiling", {{180}}, {0}, true, false, -1},
        {"zero normal", {{-1}}, {0}, true, false, -1},
        {"steep point then flat point", {{60, 10}}, {0}, true, true, 0},
        {"steep manifold then flat plane", {{60}, {0}}, {0, 1}, true, true, 1},
        {"first flat contact wins", {{20}, {0}}, {0, 1}, true, true, 0},
        {"steep after flat does not undo", {{0}, {80}}, {1, 0}, true, true, 1},
    };
    btRigidBody* body = &Body();
    for (const GroundCase& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<btPersistentManifold> storage;
        storage.reserve(c.manifolds.size());
        for (size_t i = 0; i < c.manifolds.size(); ++i) {
            storage.emplace_back(body, supportBodies[c.supports[i]], 0, 0.02f, 0.02f);
            for (float degrees : c.manifolds[i]) {
                btVector3 normal(0, 0, 0);
                if (degrees >= 0) {
                    const float a = degrees * kPi / 180.0f;
                    // Not unit length on purpose: the test divides by |n|.
                    normal = 2.0f * btVector3(std::sin(a) * 0.6f, std::cos(a), std::sin(a) * 0.8f);
                }
                storage.back().addManifoldPoint(
                    btManifoldPoint(btVector3(1, 0, -1), btVector3(1, 0, -1), normal, 0.0f));
            }
        }
        test.world.contacts.manifoldsByBody.clear();
        if (c.listed) {
            auto& list = test.world.contacts.manifoldsByBody[body];
            for (btPersistentManifold& manifold : storage)
                list.push_back(&manifold);
        }
        player.groundVelocity = btVector3(9, 9, 9);
        player.groundSpin = btVector3(9, 9, 9);
        player.airborne = c.ground;
        body->setAngularVelocity(btVector3(0, 3, 0));

        CheckGround(player, test.world);

        EXPECT_EQ(player.airborne, !c.ground);
        if (c.ground && c.support == 0) {
            ExpectVector(player.groundVelocity, 1.2f, 0.0f, 0.6f);
            ExpectVector(player.groundSpin, 0.0f, 0.5f, 0.0f);
        } else {
            ExpectVector(player.groundVelocity, 0.0f, 0.0f, 0.0f);
            ExpectVector(player.groundSpin, 0.0f, 0.0f, 0.0f);
        }
        ExpectVector(body->getAngularVelocity(), 0.0f, 0.0f, 0.0f);
    }
    test.world.contacts.manifoldsByBody.clear();
}

TEST_F(PlayerFixture, WalkingOnAMovingBodyAddsItsMotionAndSpin)
{
    Entity* cube = test.Cube(1.2f, -0.15f, -1.4f);
    cube->body->setLinearVelocity(btVector3(1.0f, 0.7f, 0.5f));
    cube->body->setAngularVelocity(btVector3(0.3f, 0.5f, -0.2f));
    btPersistentManifold manifold(&Body(), cube->body, 0, 0.02f, 0.02f);
    manifold.addManifoldPoint(
        btManifoldPoint(btVector3(1, 0, -1), btVector3(1, 0, -1), btVector3(0, 1, 0), 0.0f));
    test.world.contacts.manifoldsByBody[&Body()] = {&manifold};

    keyboard.forward.state = Held;
    Frame(0.0f);
    // Walk (2, 0, 0) + cube (1, 0, 0.5) + spin term (0.2, 0, 0.1), y dropped.
    ExpectVector(Body().getLinearVelocity(), 3.2f, 0.0f, 0.6f);
    ExpectVector(Body().getAngularVelocity(), 0.0f, 0.5f, 0.0f);
    test.world.contacts.manifoldsByBody.clear();
}

// End to end: a kinematic platform that slides and turns carries the player,
// who stays over the same spot of the platform without any input.
TEST_F(PlayerFixture, PlayerRidesAKinematicPlatform)
{
    Entity* platform = CreateEntityWithInertia(test.world, Platform, Box, 0.0f, 0.45f, 0.15f, 0.45f,
                                               CreateMotionState(5, 1, 5), btVector3(0, 0, 0));
    PlacePlayer(5.2f, 1.45f, 5.0f);
    const float dt = 1.0f / 60.0f;
    Matrix4 pose;
    for (int frame = 1; frame <= 120; ++frame) {
        const float t = frame * dt;
        pose = Multiply(RotationY(0.5f * t), Translation(5 + 1.0f * t, 1, 5 + 0.5f * t));
        SetKinematicTransform(*platform, pose);
        Frame(0.0f);
        StepPhysics(test.world, dt);
    }
    EXPECT_FALSE(player.airborne);
    // The spot that started under the player, (0.2, 0.45, 0) from the platform's
    // origin, carried by the platform's final pose.
    const Float3 spot = TransformPoint({0.2f, 0.45f, 0.0f}, pose);
    const btVector3 at = OriginOf(*player.entity);
    EXPECT_NEAR(at.x(), spot.x, 0.05f);
    EXPECT_NEAR(at.y(), spot.y, 0.05f);
    EXPECT_NEAR(at.z(), spot.z, 0.05f);
}

struct JumpCase {
    const char* name;
    KeyState jump, buttonA, forward;
    bool inputEnabled, grounded;
    float vx, vy, vz;
};

// Walking forward gives (2, 0, 0) before the jump keeps 0.3 of it. In the air
// the velocity (0.1, -3, 0.2) set before the frame is left alone.
TEST_F(PlayerFixture, JumpNeedsInputGroundAndTheJumpBinding)
{
    const JumpCase cases[] = {
        {"jump key", Pressed, Unavailable, Held, true, true, 0.6f, 5.0f, 0.0f},
        {"held jump repeats", Held, Unavailable, Up, true, true, 0.0f, 5.0f, 0.0f},
        {"released jump key", Released, Unavailable, Held, true, true, 0.6f, 5.0f, 0.0f},
        {"button A", Up, Pressed, Held, true, true, 0.6f, 5.0f, 0.0f},
        {"no jump while disabled", Held, Up, Up, false, true, 0.0f, 0.0f, 0.0f},
        {"button A while disabled", Up, Held, Up, false, true, 0.0f, 0.0f, 0.0f},
        {"no jump in the air", Pressed, Held, Held, true, false, 0.1f, -3.0f, 0.2f},
    };
    Settle();
    auto contacts = test.world.contacts.manifoldsByBody;
    for (const JumpCase& c : cases) {
        SCOPED_TRACE(c.name);
        ClearInput();
        keyboard.jump.state = c.jump;
        keyboard.forward.state = c.forward;
        pads[0].buttonA.state = c.buttonA;
        player.inputEnabled = c.inputEnabled;
        test.world.contacts.manifoldsByBody = c.grounded ? contacts : decltype(contacts)();
        Body().setLinearVelocity(btVector3(0.1f, -3.0f, 0.2f));
        Frame(0.0f);
        ExpectVector(Body().getLinearVelocity(), c.vx, c.vy, c.vz);
    }
}

// With no contact at all the direction pushes with 500 N per unit; velocity
// is untouched and the rotation is stopped.
TEST_F(PlayerFixture, AirborneInputPushesWithAForce)
{
    const float h = 353.55339f;
    const struct {
        const char* name;
        KeyState forward, right, sprint;
        float stickY;
        float fx, fz;
    } cases[] = {
        {"forward", Held, Up, Up, 0, 500.0f, 0.0f},
        {"sprint does not push harder", Held, Up, Held, 0, 500.0f, 0.0f},
        {"forward and right", Held, Held, Up, 0, h, -h},
        {"half stick", Up, Up, Up, 0.5f, 250.0f, 0.0f},
        {"nothing", Up, Up, Up, 0, 0.0f, 0.0f},
    };
    PlacePlayer(0, 10, 0);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ClearInput();
        keyboard.forward.state = c.forward;
        keyboard.right.state = c.right;
        keyboard.sprint.state = c.sprint;
        pads[0].leftStickY.delta = c.stickY;
        Body().clearForces();
        Body().setLinearVelocity(btVector3(0.1f, -3.0f, 0.2f));
        Body().setAngularVelocity(btVector3(0, 2, 0));
        Frame(0.0f);
        EXPECT_TRUE(player.airborne);
        ExpectVector(Body().getTotalForce(), c.fx, 0.0f, c.fz, 1e-3f);
        ExpectVector(Body().getLinearVelocity(), 0.1f, -3.0f, 0.2f);
        ExpectVector(Body().getAngularVelocity(), 0.0f, 0.0f, 0.0f);
    }
}

TEST_F(PlayerFixture, NonFiniteDirectionOrSpeedNeverReachesTheBody)
{
    const btVector3 bad[] = {btVector3(kNaN, 0, 0), btVector3(kInf, 0, -kInf)};
    for (const btVector3& direction : bad) {
        player.airborne = false;
        player.groundVelocity = btVector3(kNaN, 0, 0);
        ApplyMovement(player, 2.0f, direction);
        ExpectVector(Body().getLinearVelocity(), 0.0f, 0.0f, 0.0f);

        player.airborne = true;
        Body().clearForces();
        ApplyMovement(player, 2.0f, direction);
        ExpectVector(Body().getTotalForce(), 0.0f, 0.0f, 0.0f);
    }
    player.airborne = false;
    player.groundVelocity = btVector3(0, 0, 0);
    ApplyMovement(player, kNaN, btVector3(1, 0, 0));
    ExpectVector(Body().getLinearVelocity(), 0.0f, 0.0f, 0.0f);
}

}  // namespace
