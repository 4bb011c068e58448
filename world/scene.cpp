#include "world/scene.h"

#include <cassert>

#include "world/entity.h"
#include "world/world.h"

namespace {

struct SceneEntry {
    EntityKind kind;
    ShapeKind shape;
    float params[3];    // shape parameters
    float mass;         // kg
    float origin[3];    // start position, identity rotation
    bool givenInertia;  // (0, 0, 0) inertia instead of one computed from the mass
};

// Entries 2 to 9 of world.entities; the platforms must stay at 3, 4 and 5.
const SceneEntry kSceneEntries[] = {
    {Wall, Box, {0.3f, 2.0f, 5.0f}, 0.0f, {-3.0f, 1.0f, -1.0f}, true},
    {Platform, Box, {0.45f, 0.15f, 0.45f}, 0.0f, {0.0f, 0.5f, 0.0f}, true},
    {Platform, Box, {0.45f, 0.15f, 0.45f}, 0.0f, {3.0f, 1.0f, 0.0f}, true},
    {Platform, Box, {0.45f, 0.15f, 0.45f}, 0.0f, {3.0f, 2.0f, 2.0f}, true},
    {Dynamic, Box, {0.3f, 0.3f, 0.3f}, 10.0f, {0.0f, 6.0f, 0.0f}, false},
    {Dynamic, Box, {0.3f, 0.3f, 0.3f}, 10.0f, {0.0f, 40.0f, 0.0f}, false},
    {Dynamic, Box, {0.3f, 0.3f, 0.3f}, 10.0f, {0.0f, 80.0f, 0.0f}, false},
    {Dynamic, Box, {0.3f, 0.3f, 0.3f}, 10.0f, {3.0f, 4.0f, 2.0f}, false},
};

}  // namespace

void BuildInitialScene(World& world)
{
    assert(world.physicsWorld && world.entities.size() == 2 &&
           "BuildInitialScene runs once, right after InitPhysics");
    for (const SceneEntry& e : kSceneEntries) {
        btDefaultMotionState* motionState = CreateMotionState(e.origin[0], e.origin[1], e.origin[2]);
        if (e.givenInertia) {
            CreateEntityWithInertia(world, e.kind, e.shape, e.mass, e.params[0], e.params[1], e.params[2],
                                    motionState, btVector3(0, 0, 0));
        } else {
            CreateEntity(world, e.kind, e.shape, e.mass, e.params[0], e.params[1], e.params[2], motionState);
        }
    }
}
