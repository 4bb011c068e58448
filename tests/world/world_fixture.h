// Test worlds: a World built by InitPhysics (and, on request, the initial
// scene), released when the fixture goes out of scope so tests stay leak-free.
// The World must not move: the tick callback holds its address.
#pragma once

#include <cstdint>

#include <btBulletDynamicsCommon.h>

#include "world/entity.h"
#include "world/scene.h"
#include "world/world.h"

struct TestWorld {
    World world;
    int32_t cameraTargetIndex = -1;

    explicit TestWorld(bool withScene = false)
    {
        InitPhysics(world, nullptr, cameraTargetIndex);
        if (withScene) {
            BuildInitialScene(world);
        }
    }
    ~TestWorld() { ReleaseWorld(world); }
    TestWorld(const TestWorld&) = delete;
    TestWorld& operator=(const TestWorld&) = delete;

    Entity* Cube(float x, float y, float z)
    {
        return CreateEntity(world, Dynamic, Box, 10.0f, 0.3f, 0.3f, 0.3f, CreateMotionState(x, y, z));
    }

    // Steps whole frames of frameSeconds.
    void Run(float seconds, float frameSeconds = 1.0f / 60.0f)
    {
        for (float t = 0.0f; t < seconds; t += frameSeconds) {
            StepPhysics(world, frameSeconds);
        }
    }
};

inline btVector3 OriginOf(const Entity& entity)
{
    return entity.body->getWorldTransform().getOrigin();
}
