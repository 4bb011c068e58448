#include "world/world.h"

#include <cassert>
#include <cmath>

#include "core/log.h"

namespace {

// Beyond this a step would only lose precision in Bullet's time accumulator
// (and past ~8.9e6 s overflow its sub-step count); the result, 10 sub-steps,
// is the same for every frame longer than 10 sub-steps.
constexpr float kLongestStep = 60.0f;

// True when the dispatcher holds exactly the manifolds of records, in order,
// with the same bodies and point counts.
bool SameManifolds(btDispatcher& dispatcher, const std::vector<ManifoldRecord>& records)
{
    const int count = dispatcher.getNumManifolds();
    if (static_cast<size_t>(count) != records.size()) {
        return false;
    }
    for (int i = 0; i < count; ++i) {
        const btPersistentManifold* m = dispatcher.getManifoldByIndexInternal(i);
        const ManifoldRecord seen{m, m->getBody0(), m->getBody1(), m->getNumContacts()};
        if (!(seen == records[static_cast<size_t>(i)])) {
            return false;
        }
    }
    return true;
}

}  // namespace

int32_t InitPhysics(World& world, btIDebugDraw* debugDrawer, int32_t& cameraTargetIndex)
{
    assert(!world.physicsWorld && "InitPhysics runs once per World");
    WriteLog(true, L"Initializing physics... ");

    btDefaultCollisionConstructionInfo info;
    info.m_persistentManifoldPool = nullptr;
    info.m_collisionAlgorithmPool = nullptr;
    info.m_defaultMaxPersistentManifoldPoolSize = 4096;
    info.m_defaultMaxCollisionAlgorithmPoolSize = 4096;
    info.m_customCollisionAlgorithmMaxElementSize = 0;
    info.m_useEpaPenetrationAlgorithm = true;
    auto* configuration = new btDefaultCollisionConfiguration(info);
    auto* dispatcher = new btCollisionDispatcher(configuration);
    auto* broadphase = new btDbvtBroadphase();
    auto* solver = new btSequentialImpulseConstraintSolver();
    if (debugDrawer) {
        debugDrawer->setDebugMode(btIDebugDraw::DBG_DrawWireframe);
    }

    world.physicsWorld = new btDiscreteDynamicsWorld(dispatcher, broadphase, solver, configuration);
    world.physicsWorld->setGravity(btVector3(0, -10, 0));
    world.physicsWorld->setDebugDrawer(debugDrawer);
    world.physicsWorld->setInternalTickCallback(CollectContacts, &world, false);

    CreateEntityWithInertia(world, Ground, Plane, 0.0f, 0.0f, 1.0f, 0.0f,
                            CreateMotionState(0.0f, -1.0f, 0.0f), btVector3(0, 0, 0));
    world.playerEntity = CreateEntity(world, Player, Cylinder, 100.0f, 0.15f, 0.3f, 0.15f,
                                      CreateMotionState(1.0f, 0.3f, -1.0f));
    cameraTargetIndex = static_cast<int32_t>(world.entities.size()) - 1;

    WriteLog(false, L"done!\n");
    return 0;
}

void StepPhysics(World& world, float timeStep)
{
    assert(world.physicsWorld && "StepPhysics before InitPhysics");
    if (!std::isfinite(timeStep) || timeStep < 0.0f) {
        return;
    }
    if (timeStep > kLongestStep) {
        timeStep = kLongestStep;
    }
    world.physicsWorld->stepSimulation(timeStep, kMaxSubSteps, kFixedSubStep);
}

void CollectContacts(btDynamicsWorld* dynamicsWorld, btScalar)
{
    World* world = static_cast<World*>(dynamicsWorld->getWorldUserInfo());
    assert(world && "the tick callback needs its World as world user info");
    ContactTables& tables = world->contacts;
    btDispatcher* dispatcher = dynamicsWorld->getDispatcher();
    const int manifoldCount = dispatcher->getNumManifolds();
    if (!tables.manifoldsByBody.Modified() && !tables.contactPointsByBody.Modified() &&
        SameManifolds(*dispatcher, tables.builtFrom)) {
        return;
    }

    tables.manifoldsByBody.clear();
    tables.contactPointsByBody.clear();
    tables.builtFrom.resize(static_cast<size_t>(manifoldCount));
    for (int i = 0; i < manifoldCount; ++i) {
        btPersistentManifold* manifold = dispatcher->getManifoldByIndexInternal(i);
        const btCollisionObject* body0 = manifold->getBody0();
        const btCollisionObject* body1 = manifold->getBody1();
        const int pointCount = manifold->getNumContacts();
        tables.builtFrom[static_cast<size_t>(i)] = ManifoldRecord{manifold, body0, body1, pointCount};
        tables.manifoldsByBody[body0].push_back(manifold);
        if (pointCount == 0) {
            continue;
        }
        // Both lists once per manifold. Inserting a body can move the other
        // lists, so body1 is made present first and fetched again last.
        tables.contactPointsByBody[body1];
        std::vector<btManifoldPoint*>& points0 = tables.contactPointsByBody[body0];
        std::vector<btManifoldPoint*>& points1 = tables.contactPointsByBody[body1];
        for (int j = 0; j < pointCount; ++j) {
            btManifoldPoint* point = &manifold->getContactPoint(j);
            points0.push_back(point);
            points1.push_back(point);
        }
    }
    tables.manifoldsByBody.MarkUnmodified();
    tables.contactPointsByBody.MarkUnmodified();
}

void ReleaseWorld(World& world)
{
    btDiscreteDynamicsWorld* physicsWorld = world.physicsWorld;
    for (Entity* entity : world.entities) {
        if (physicsWorld) {
            physicsWorld->removeRigidBody(entity->body);
        }
        delete entity->body;
        delete entity->motionState;
        delete entity->shape;
        delete entity;
    }
    world.entities.clear();
    world.playerEntity = nullptr;
    world.contacts = ContactTables();
    world.platformPhase = 0.0;
    if (!physicsWorld) {
        return;
    }
    auto* dispatcher = static_cast<btCollisionDispatcher*>(physicsWorld->getDispatcher());
    btBroadphaseInterface* broadphase = physicsWorld->getBroadphase();
    btConstraintSolver* solver = physicsWorld->getConstraintSolver();
    btCollisionConfiguration* configuration = dispatcher->getCollisionConfiguration();
    delete physicsWorld;
    delete solver;
    delete broadphase;
    delete dispatcher;
    delete configuration;
    world.physicsWorld = nullptr;
}
