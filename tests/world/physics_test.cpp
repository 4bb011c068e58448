// The physics world: start-up state and log lines, the contact tables built
// after each sub-step, and stepping with hostile frame times.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <limits>
#include <regex>
#include <sstream>
#include <string>

#include <gtest/gtest.h>

#include "core/log.h"
#include "world_fixture.h"

namespace {

// Records only the debug mode the world sets; draws nothing.
struct SilentDrawer : btIDebugDraw {
    int mode = 0;
    void drawLine(const btVector3&, const btVector3&, const btVector3&) override {}
    void drawContactPoint(const btVector3&, const btVector3&, btScalar, int, const btVector3&) override {}
    void reportErrorWarning(const char*) override {}
    void draw3dText(const btVector3&, const char*) override {}
    void setDebugMode(int debugMode) override { mode = debugMode; }
    int getDebugMode() const override { return mode; }
};

TEST(Physics, InitPhysicsBuildsGroundAndPlayer)
{
    const std::string logPath = ::testing::TempDir() + "world_physics_log.txt";
    OpenLogFile(logPath.c_str());
    World world;
    SilentDrawer drawer;
    int32_t cameraTargetIndex = -7;
    EXPECT_EQ(0, InitPhysics(world, &drawer, cameraTargetIndex));
    CloseLogFile();

    std::ifstream file(logPath, std::ios::binary);
    std::stringstream text;
    text << file.rdbuf();
    EXPECT_TRUE(std::regex_match(text.str(),
                                 std::regex(R"(\[\d\d:\d\d:\d\d\] Initializing physics\.\.\. done!\r?\n)")))
        << text.str();
    std::remove(logPath.c_str());

    btDiscreteDynamicsWorld* physics = world.physicsWorld;
    ASSERT_NE(nullptr, physics);
    EXPECT_EQ(btVector3(0, -10, 0), physics->getGravity());
    EXPECT_EQ(&drawer, physics->getDebugDrawer());
    EXPECT_EQ(1, drawer.mode);
    EXPECT_EQ(&world, physics->getWorldUserInfo());
    EXPECT_EQ(2, physics->getNumCollisionObjects());

    ASSERT_EQ(2u, world.entities.size());
    const Entity& ground = *world.entities[0];
    EXPECT_EQ(Ground, ground.kind);
    EXPECT_EQ(Plane, ground.shapeKind);
    EXPECT_EQ(0.0f, ground.mass);
    EXPECT_EQ(btVector3(0, -1, 0), ground.startTransform.getOrigin());
    EXPECT_EQ(btVector3(0, 0, 0), ground.localInertia);
    const Entity& player = *world.entities[1];
    EXPECT_EQ(&player, world.playerEntity);
    EXPECT_EQ(Player, player.kind);
    EXPECT_EQ(Cylinder, player.shapeKind);
    EXPECT_EQ(100.0f, player.mass);
    EXPECT_EQ(btVector3(1.0f, 0.3f, -1.0f), player.startTransform.getOrigin());
    EXPECT_GT(player.localInertia.y(), 0.0f);
    EXPECT_EQ(1, cameraTargetIndex);
    EXPECT_EQ(0.0, world.platformPhase);
    EXPECT_TRUE(world.contacts.manifoldsByBody.empty());
    EXPECT_TRUE(world.contacts.contactPointsByBody.empty());
    ReleaseWorld(world);
    EXPECT_EQ(nullptr, world.physicsWorld);
    EXPECT_TRUE(world.entities.empty());
}

TEST(Physics, WorldWithoutDebugDrawerSteps)
{
    TestWorld test;
    EXPECT_EQ(nullptr, test.world.physicsWorld->getDebugDrawer());
    test.world.physicsWorld->debugDrawWorld();
    test.Run(0.1f);
}

TEST(Physics, FreeFallFollowsGravity)
{
    TestWorld test;
    Entity* cube = test.Cube(0.0f, 50.0f, 0.0f);
    // 240 sub-steps of 1/240 s: semi-implicit Euler gives
    // y = 50 - g dt^2 n (n + 1) / 2 = 50 - 5.0208, v = -g n dt = -10.
    for (int frame = 0; frame < 60; ++frame) {
        StepPhysics(test.world, 4.0f / 240.0f + 1e-6f);
    }
    EXPECT_NEAR(44.979f, OriginOf(*cube).y(), 0.03f);
    EXPECT_NEAR(-10.0f, cube->body->getLinearVelocity().y(), 0.05f);
}

TEST(Physics, LongFramesRunAtMostTenSubSteps)
{
    const float frames[] = {5.0f, 1e6f, 1e30f, std::numeric_limits<float>::max()};
    for (float frame : frames) {
        SCOPED_TRACE(frame);
        TestWorld test;
        Entity* cube = test.Cube(0.0f, 50.0f, 0.0f);
        StepPhysics(test.world, frame);
        // Ten sub-steps of free fall: v = -10 x 10 / 240.
        EXPECT_NEAR(-10.0f * 10.0f / 240.0f, cube->body->getLinearVelocity().y(), 1e-4f);
        StepPhysics(test.world, 1.0f / 60.0f);
        EXPECT_TRUE(std::isfinite(OriginOf(*cube).y()));
        EXPECT_LT(cube->body->getLinearVelocity().y(), -0.45f);
        EXPECT_GT(cube->body->getLinearVelocity().y(), -0.65f);
    }
}

TEST(Physics, UnusableFrameTimesChangeNothing)
{
    TestWorld test;
    Entity* cube = test.Cube(0.0f, 5.0f, 0.0f);
    test.Run(0.25f);
    const btVector3 origin = OriginOf(*cube);
    const btVector3 velocity = cube->body->getLinearVelocity();
    const ContactTables before = test.world.contacts;
    ASSERT_FALSE(before.contactPointsByBody.empty());

    const float frames[] = {0.0f, -0.5f, std::numeric_limits<float>::quiet_NaN(),
                            std::numeric_limits<float>::infinity(), -std::numeric_limits<float>::infinity()};
    for (float frame : frames) {
        SCOPED_TRACE(frame);
        StepPhysics(test.world, frame);
        EXPECT_EQ(origin, OriginOf(*cube));
        EXPECT_EQ(velocity, cube->body->getLinearVelocity());
        EXPECT_EQ(before.manifoldsByBody, test.world.contacts.manifoldsByBody);
        EXPECT_EQ(before.contactPointsByBody, test.world.contacts.contactPointsByBody);
    }
    // A later ordinary frame carries on where the world stood.
    StepPhysics(test.world, 1.0f / 60.0f);
    EXPECT_LT(OriginOf(*cube).y(), origin.y());
}

std::vector<btManifoldPoint*> PointsOf(btPersistentManifold* manifold)
{
    std::vector<btManifoldPoint*> points;
    for (int j = 0; j < manifold->getNumContacts(); ++j) {
        points.push_back(&manifold->getContactPoint(j));
    }
    return points;
}

btPersistentManifold* ManifoldBetween(btDispatcher* dispatcher, const btCollisionObject* a,
                                      const btCollisionObject* b)
{
    for (int i = 0; i < dispatcher->getNumManifolds(); ++i) {
        btPersistentManifold* m = dispatcher->getManifoldByIndexInternal(i);
        if ((m->getBody0() == a && m->getBody1() == b) || (m->getBody0() == b && m->getBody1() == a)) {
            return m;
        }
    }
    return nullptr;
}

TEST(Physics, ContactTablesListBothBodiesPointsAndOnlyTheFirstBodysManifolds)
{
    TestWorld test;
    // Bullet puts a convex body before the ground plane in their manifold, and
    // the earlier-added body first in a box-box pair: the cube on the ground
    // is a first body, the cube on the shelf made before it a second body.
    Entity* onGround = test.Cube(-4.0f, 0.3f, 4.0f);
    Entity* shelf =
        CreateEntity(test.world, Dynamic, Box, 0.0f, 1.0f, 0.5f, 1.0f, CreateMotionState(4.0f, 0.5f, 4.0f));
    Entity* onShelf = test.Cube(4.0f, 1.35f, 4.0f);
    test.Run(1.0f);

    btDispatcher* dispatcher = test.world.physicsWorld->getDispatcher();
    const btCollisionObject* ground = test.world.entities[0]->body;
    const btCollisionObject* player = test.world.entities[1]->body;
    btPersistentManifold* groundPair = ManifoldBetween(dispatcher, ground, onGround->body);
    btPersistentManifold* playerPair = ManifoldBetween(dispatcher, ground, player);
    btPersistentManifold* shelfPair = ManifoldBetween(dispatcher, shelf->body, onShelf->body);
    ASSERT_NE(nullptr, groundPair);
    ASSERT_NE(nullptr, playerPair);
    ASSERT_NE(nullptr, shelfPair);
    ASSERT_EQ(onGround->body, groundPair->getBody0());
    ASSERT_EQ(player, playerPair->getBody0());
    ASSERT_EQ(shelf->body, shelfPair->getBody0());
    ASSERT_EQ(4, groundPair->getNumContacts());
    ASSERT_EQ(4, shelfPair->getNumContacts());
    ASSERT_GT(playerPair->getNumContacts(), 0);
    EXPECT_NEAR(1.3f, OriginOf(*onShelf).y(), 0.02f);

    auto& manifolds = test.world.contacts.manifoldsByBody;
    auto& points = test.world.contacts.contactPointsByBody;
    // First bodies: their manifold and its points.
    EXPECT_EQ(std::vector<btPersistentManifold*>{groundPair}, manifolds.at(onGround->body));
    EXPECT_EQ(PointsOf(groundPair), points.at(onGround->body));
    EXPECT_EQ(std::vector<btPersistentManifold*>{shelfPair}, manifolds.at(shelf->body));
    EXPECT_EQ(PointsOf(shelfPair), points.at(shelf->body));
    // Second bodies: the points, never the manifold.
    EXPECT_EQ(PointsOf(shelfPair), points.at(onShelf->body));
    const auto& onShelfManifolds = manifolds[onShelf->body];
    EXPECT_EQ(onShelfManifolds.end(), std::find(onShelfManifolds.begin(), onShelfManifolds.end(), shelfPair));
    EXPECT_EQ(0u, manifolds.count(ground));
    // The ground is second body to the player and the resting cube: all their
    // points, manifold by manifold in dispatcher order.
    std::vector<btManifoldPoint*> groundPoints;
    for (int i = 0; i < dispatcher->getNumManifolds(); ++i) {
        btPersistentManifold* m = dispatcher->getManifoldByIndexInternal(i);
        if (m == groundPair || m == playerPair) {
            const std::vector<btManifoldPoint*> p = PointsOf(m);
            groundPoints.insert(groundPoints.end(), p.begin(), p.end());
        }
    }
    EXPECT_EQ(groundPoints, points.at(ground));
    EXPECT_EQ(PointsOf(playerPair), points.at(player));
    EXPECT_EQ(5u, points.size());  // ground, player, both cubes, shelf
}

TEST(Physics, ManifoldsWithoutPointsAreStillListed)
{
    TestWorld test;
    // A floating cube's bounds overlap the ground plane's unbounded ones: the
    // pair has a manifold without a single point.
    Entity* floating = test.Cube(6.0f, 5.0f, 0.0f);
    floating->body->setGravity(btVector3(0, 0, 0));
    test.Run(0.1f);
    btPersistentManifold* pair = ManifoldBetween(test.world.physicsWorld->getDispatcher(),
                                                 test.world.entities[0]->body, floating->body);
    ASSERT_NE(nullptr, pair);
    ASSERT_EQ(0, pair->getNumContacts());
    const btCollisionObject* first = pair->getBody0();
    ASSERT_EQ(1u, test.world.contacts.manifoldsByBody.count(first));
    const auto& listed = test.world.contacts.manifoldsByBody.at(first);
    EXPECT_NE(listed.end(), std::find(listed.begin(), listed.end(), pair));
    EXPECT_EQ(0u, test.world.contacts.contactPointsByBody.count(floating->body));
}

TEST(Physics, ManyBodiesAtOnePointStayFinite)
{
    TestWorld test;
    for (int i = 0; i < 150; ++i) {
        test.Cube(0.0f, 2.0f, 0.0f);
    }
    for (int frame = 0; frame < 240; ++frame) {
        StepPhysics(test.world, 1.0f / 60.0f);
    }
    for (const Entity* entity : test.world.entities) {
        const btTransform& t = entity->body->getWorldTransform();
        for (int r = 0; r < 3; ++r) {
            ASSERT_TRUE(std::isfinite(t.getOrigin()[r]));
            ASSERT_TRUE(std::isfinite(t.getBasis()[r].length()));
            ASSERT_TRUE(std::isfinite(entity->body->getLinearVelocity()[r]));
        }
    }
}

}  // namespace
