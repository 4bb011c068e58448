// One running frame of the world (platform motion, a 10-sub-step physics step
// and the contact tables) against a bare Bullet world holding the same bodies,
// stepped the same way. The two are interleaved frame by frame; the counter
// "ratio" is game time / bare time.
#include <chrono>
#include <cmath>
#include <cstdint>
#include <vector>

#include <benchmark/benchmark.h>
#include <btBulletDynamicsCommon.h>

#include "world/entity.h"
#include "world/platforms.h"
#include "world/scene.h"
#include "world/world.h"

namespace {

// Longer than 10 sub-steps of 1/240 s, so every frame runs exactly 10.
constexpr float kFrameSeconds = 0.05f;
constexpr double kPi = 3.14159265358979323846;

struct BodyDesc {
    int shape;  // ShapeKind
    btVector3 params;
    float mass;
    btVector3 origin;
    bool givenInertia;
    int kind;  // EntityKind
};

// The start-up scene, as the bare world builds it.
const BodyDesc kSceneBodies[] = {
    {Plane, btVector3(0, 1, 0), 0, btVector3(0, -1, 0), true, Ground},
    {Cylinder, btVector3(0.15f, 0.3f, 0.15f), 100, btVector3(1.0f, 0.3f, -1.0f), false, Player},
    {Box, btVector3(0.3f, 2.0f, 5.0f), 0, btVector3(-3, 1, -1), true, Wall},
    {Box, btVector3(0.45f, 0.15f, 0.45f), 0, btVector3(0, 0.5f, 0), true, Platform},
    {Box, btVector3(0.45f, 0.15f, 0.45f), 0, btVector3(3, 1, 0), true, Platform},
    {Box, btVector3(0.45f, 0.15f, 0.45f), 0, btVector3(3, 2, 2), true, Platform},
    {Box, btVector3(0.3f, 0.3f, 0.3f), 10, btVector3(0, 6, 0), false, Dynamic},
    {Box, btVector3(0.3f, 0.3f, 0.3f), 10, btVector3(0, 40, 0), false, Dynamic},
    {Box, btVector3(0.3f, 0.3f, 0.3f), 10, btVector3(0, 80, 0), false, Dynamic},
    {Box, btVector3(0.3f, 0.3f, 0.3f), 10, btVector3(3, 4, 2), false, Dynamic},
};

// Extra cubes resting on the ground on a square lattice 1 m apart, clear of
// the scene (x and z from 6 m).
btVector3 LatticePoint(int i, int count)
{
    const int side = static_cast<int>(std::ceil(std::sqrt(static_cast<double>(count))));
    return btVector3(6.0f + static_cast<float>(i % side), 0.3f, 6.0f + static_cast<float>(i / side));
}

// A plain Bullet world with no tick callback and no entity records.
struct BareWorld {
    btDefaultCollisionConfiguration* configuration = nullptr;
    btCollisionDispatcher* dispatcher = nullptr;
    btDbvtBroadphase* broadphase = nullptr;
    btSequentialImpulseConstraintSolver* solver = nullptr;
    btDiscreteDynamicsWorld* world = nullptr;
    std::vector<btRigidBody*> bodies;
    double phase = 0.0;

    void Add(const BodyDesc& desc)
    {
        btCollisionShape* shape = CreateShape(static_cast<ShapeKind>(desc.shape), desc.params.x(),
                                              desc.params.y(), desc.params.z());
        btVector3 inertia(0, 0, 0);
        if (!desc.givenInertia) {
            shape->calculateLocalInertia(desc.mass, inertia);
        }
        auto* motionState = new btDefaultMotionState(btTransform(btQuaternion(0, 0, 0, 1), desc.origin));
        auto* body =
            new btRigidBody(btRigidBody::btRigidBodyConstructionInfo(desc.mass, motionState, shape, inertia));
        switch (desc.kind) {
        case Ground:
            body->setCollisionFlags(1);
            break;
        case Wall:
            body->setCollisionFlags(1);
            body->setCcdMotionThreshold(0.15f);
            body->setCcdSweptSphereRadius(0.03f);
            break;
        case Platform:
            body->setCollisionFlags(2);
            body->setActivationState(DISABLE_DEACTIVATION);
            break;
        case Player:
            body->setFriction(0);
            body->setCollisionFlags(16);
            body->setActivationState(DISABLE_DEACTIVATION);
            body->setAngularFactor(btVector3(0, 1, 0));
            break;
        default:
            break;
        }
        world->addRigidBody(body);
        bodies.push_back(body);
    }

    explicit BareWorld(int extraCubes)
    {
        configuration = new btDefaultCollisionConfiguration(btDefaultCollisionConstructionInfo());
        dispatcher = new btCollisionDispatcher(configuration);
        broadphase = new btDbvtBroadphase();
        solver = new btSequentialImpulseConstraintSolver();
        world = new btDiscreteDynamicsWorld(dispatcher, broadphase, solver, configuration);
        world->setGravity(btVector3(0, -10, 0));
        for (const BodyDesc& desc : kSceneBodies) {
            Add(desc);
        }
        for (int i = 0; i < extraCubes; ++i) {
            Add({Box, btVector3(0.3f, 0.3f, 0.3f), 10, LatticePoint(i, extraCubes), false, Dynamic});
        }
    }

    ~BareWorld()
    {
        for (btRigidBody* body : bodies) {
            world->removeRigidBody(body);
            delete body->getMotionState();
            delete body->getCollisionShape();
            delete body;
        }
        delete world;
        delete solver;
        delete broadphase;
        delete dispatcher;
        delete configuration;
    }

    void Place(size_t index, const btTransform& transform)
    {
        bodies[index]->setWorldTransform(transform);
        bodies[index]->getMotionState()->setWorldTransform(transform);
    }

    // The same platform paths, written directly against Bullet.
    void Frame(float seconds)
    {
        phase += seconds * (kPi / 2.0);
        if (phase >= 2.0 * kPi) {
            phase = 0.0;
        }
        const float p = static_cast<float>(phase);
        Place(3, btTransform(btQuaternion(btVector3(0, 1, 0), p), btVector3(0, 0.5f, 0)));
        const float s = static_cast<float>(std::sin(static_cast<double>(p)));
        Place(4, btTransform(btQuaternion(0, 0, 0, 1), btVector3(3, 1, s)));
        Place(5, btTransform(btQuaternion(0, 0, 0, 1), btVector3(3, 1 - 0.5f * s, 2)));
        world->stepSimulation(seconds, kMaxSubSteps, kFixedSubStep);
    }
};

struct GameWorld {
    World world;
    explicit GameWorld(int extraCubes)
    {
        int32_t cameraTargetIndex = 0;
        InitPhysics(world, nullptr, cameraTargetIndex);
        BuildInitialScene(world);
        for (int i = 0; i < extraCubes; ++i) {
            const btVector3 p = LatticePoint(i, extraCubes);
            CreateEntity(world, Dynamic, Box, 10.0f, 0.3f, 0.3f, 0.3f,
                         CreateMotionState(p.x(), p.y(), p.z()));
        }
    }
    ~GameWorld() { ReleaseWorld(world); }

    void Frame(float seconds)
    {
        AnimatePlatforms(world, seconds);
        StepPhysics(world, seconds);
    }
};

void WakeAll(btDynamicsWorld* world)
{
    btCollisionObjectArray& objects = world->getCollisionObjectArray();
    for (int i = 0; i < objects.size(); ++i) {
        if (!objects[i]->isStaticOrKinematicObject()) {
            objects[i]->activate(true);
        }
    }
}

int CountAwake(btDynamicsWorld* world)
{
    int awake = 0;
    btCollisionObjectArray& objects = world->getCollisionObjectArray();
    for (int i = 0; i < objects.size(); ++i) {
        awake += !objects[i]->isStaticOrKinematicObject() && objects[i]->isActive();
    }
    return awake;
}

// Args: extra cubes, asleep (1: measure after the cubes fell asleep;
// 0: wake every body before each frame, outside the timed region).
void BM_WorldFrame(benchmark::State& state)
{
    const int extraCubes = static_cast<int>(state.range(0));
    const bool asleep = state.range(1) != 0;
    GameWorld game(extraCubes);
    BareWorld bare(extraCubes);

    // Let everything land (cube 8 falls 80 m) and, if asked, fall asleep.
    for (int frame = 0; frame < 300; ++frame) {
        game.Frame(kFrameSeconds);
        bare.Frame(kFrameSeconds);
    }

    using Clock = std::chrono::steady_clock;
    double gameSeconds = 0.0;
    double bareSeconds = 0.0;
    bool gameFirst = true;
    for (auto _ : state) {
        if (!asleep) {
            WakeAll(game.world.physicsWorld);
            WakeAll(bare.world);
        }
        // Alternate which world goes first so neither always finds the
        // caches filled by the other.
        double g = 0.0;
        double b = 0.0;
        for (int turn = 0; turn < 2; ++turn) {
            const bool gameTurn = (turn == 0) == gameFirst;
            const auto start = Clock::now();
            if (gameTurn) {
                game.Frame(kFrameSeconds);
            } else {
                bare.Frame(kFrameSeconds);
            }
            const double elapsed = std::chrono::duration<double>(Clock::now() - start).count();
            (gameTurn ? g : b) = elapsed;
        }
        gameFirst = !gameFirst;
        gameSeconds += g;
        bareSeconds += b;
        state.SetIterationTime(g);
    }
    state.counters["game_ms"] = benchmark::Counter(gameSeconds * 1e3 / state.iterations());
    state.counters["bare_ms"] = benchmark::Counter(bareSeconds * 1e3 / state.iterations());
    state.counters["ratio"] = benchmark::Counter(bareSeconds > 0 ? gameSeconds / bareSeconds : 0);
    state.counters["awake"] = benchmark::Counter(CountAwake(game.world.physicsWorld));
    state.counters["bare_awake"] = benchmark::Counter(CountAwake(bare.world));
}

BENCHMARK(BM_WorldFrame)
    ->ArgNames({"cubes", "asleep"})
    ->ArgsProduct({{0, 100, 1000}, {0, 1}})
    ->UseManualTime()
    ->Unit(benchmark::kMicrosecond);

}  // namespace

// The contact-table callback alone on a settled scene, as it runs after every
// sub-step. Args: extra cubes; rebuild (1: the tables are marked modified
// before each call, forcing the full rebuild that changing contacts cost).
void BM_CollectContacts(benchmark::State& state)
{
    const bool rebuild = state.range(1) != 0;
    GameWorld game(static_cast<int>(state.range(0)));
    for (int frame = 0; frame < 300; ++frame) {
        game.Frame(kFrameSeconds);
    }
    btDiscreteDynamicsWorld* physicsWorld = game.world.physicsWorld;
    for (auto _ : state) {
        if (rebuild) {
            game.world.contacts.manifoldsByBody.find(nullptr);
        }
        CollectContacts(physicsWorld, kFixedSubStep);
        benchmark::DoNotOptimize(game.world.contacts.contactPointsByBody.size());
    }
    state.counters["manifolds"] = physicsWorld->getDispatcher()->getNumManifolds();
}

BENCHMARK(BM_CollectContacts)
    ->ArgNames({"cubes", "rebuild"})
    ->ArgsProduct({{100, 1000}, {0, 1}})
    ->Unit(benchmark::kMicrosecond);
