// The physics world: the Bullet dynamics world with its collaborators, the
// entity list, the per-sub-step contact tables, the player entity and the
// platform phase. Draws nothing; the debug drawer belongs to the caller. A World
// lives until ReleaseWorld (the game never calls it); several may coexist.
#pragma once

#include <cstdint>
#include <vector>

#include <btBulletDynamicsCommon.h>

#include "world/body_table.h"
#include "world/entity.h"

// One manifold as the contact tables saw it: the tables are a function of the
// sequence of these records in dispatcher order.
struct ManifoldRecord {
    const btPersistentManifold* manifold = nullptr;
    const btCollisionObject* body0 = nullptr;
    const btCollisionObject* body1 = nullptr;
    int pointCount = 0;
};

inline bool operator==(const ManifoldRecord& a, const ManifoldRecord& b)
{
    return a.manifold == b.manifold && a.body0 == b.body0 && a.body1 == b.body1 &&
           a.pointCount == b.pointCount;
}

// Contacts of the last simulation sub-step. The pointers point into Bullet's
// own manifolds: valid until the next sub-step, never freed here. Looking a
// body up gives its list in manifold order; a body with nothing listed is
// absent (subscripting inserts an empty list, which the next sub-step drops).
struct ContactTables {
    // Each manifold listed under its first body (getBody0) only, in dispatcher order.
    BodyTable<btPersistentManifold> manifoldsByBody;
    // Each cached point listed under both bodies of its manifold, in dispatcher order.
    BodyTable<btManifoldPoint> contactPointsByBody;
    // The manifolds the tables were last built from. A sub-step that leaves
    // them as they were, with neither table modified since, keeps the tables:
    // resting and sleeping bodies then cost one comparison per manifold.
    std::vector<ManifoldRecord> builtFrom;
};

struct World {
    ContactTables contacts;                           // rebuilt after every sub-step
    std::vector<Entity*> entities;                    // owned, creation order; index = entity id
    btDiscreteDynamicsWorld* physicsWorld = nullptr;  // owned; null until InitPhysics
    Entity* playerEntity = nullptr;                   // entities[1] after InitPhysics
    double platformPhase = 0.0;                       // radians in [0, 2 pi); never reset
};

constexpr int kMaxSubSteps = 10;                // sub-steps per StepPhysics at most
constexpr float kFixedSubStep = 1.0f / 240.0f;  // seconds per sub-step

// Builds the dynamics world (gravity (0, -10, 0), CollectContacts as the
// internal tick callback), the ground (entry 0) and the player (entry 1), and
// sets cameraTargetIndex to 1. debugDrawer may be null; when given, its debug
// mode becomes 1 and the world draws through it. Logs the step. Returns 0.
int32_t InitPhysics(World& world, btIDebugDraw* debugDrawer, int32_t& cameraTargetIndex);

// One frame of simulation: stepSimulation(timeStep, 10, 1/240). A time step
// that is not finite or is negative does nothing.
void StepPhysics(World& world, float timeStep);

// Internal tick callback: rebuilds the contact tables of the World stored as
// the dynamics world's user info. The sub-step length is not used.
void CollectContacts(btDynamicsWorld* dynamicsWorld, btScalar subStep);

// Frees the entities, their Bullet objects and the dynamics world with its
// collaborators (not the debug drawer) and empties the World.
void ReleaseWorld(World& world);
