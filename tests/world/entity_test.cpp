// Entities on real bodies in a real world: the kind settings, the shapes,
// construction, reset and kinematic placement.
#include <cmath>
#include <limits>

#include <gtest/gtest.h>

#include "core/matrix.h"
#include "world/entity.h"
#include "world_fixture.h"

namespace {

struct KindCase {
    const char* name;
    EntityKind kind;
    float mass;
    int flags;            // the whole collision flag word
    int activationState;  // after the body joined the world
    float friction;
    btVector3 angularFactor;
    float ccdThreshold;
    float sweptRadius;
};

TEST(Entity, KindSettingsOnRealBodies)
{
    // Bullet's values: static 1, kinematic 2, character 16; active 1,
    // sleeping 2, disable deactivation 4. A static body joins the world asleep.
    const KindCase cases[] = {
        {"ground", Ground, 0.0f, 1, 2, 0.5f, btVector3(1, 1, 1), 0.0f, 0.0f},
        {"wall", Wall, 0.0f, 1, 2, 0.5f, btVector3(1, 1, 1), 0.15f, 0.03f},
        {"platform of mass 0: kinematic only", Platform, 0.0f, 2, 4, 0.5f, btVector3(1, 1, 1), 0, 0},
        {"platform with mass", Platform, 5.0f, 2, 4, 0.5f, btVector3(1, 1, 1), 0.0f, 0.0f},
        {"dynamic", Dynamic, 10.0f, 0, 1, 0.5f, btVector3(1, 1, 1), 0.0f, 0.0f},
        {"dynamic of mass 0 is static", Dynamic, 0.0f, 1, 2, 0.5f, btVector3(1, 1, 1), 0, 0},
        {"player", Player, 100.0f, 16, 4, 0.0f, btVector3(0, 1, 0), 0.0f, 0.0f},
    };
    for (const KindCase& c : cases) {
        SCOPED_TRACE(c.name);
        TestWorld test;
        Entity* entity = CreateEntity(test.world, c.kind, Box, c.mass, 0.2f, 0.2f, 0.2f,
                                      CreateMotionState(4.0f, 3.0f, 2.0f));
        ASSERT_NE(nullptr, entity);
        const btRigidBody& body = *entity->body;
        EXPECT_EQ(c.flags, body.getCollisionFlags());
        EXPECT_EQ(c.activationState, body.getActivationState());
        EXPECT_FLOAT_EQ(c.friction, body.getFriction());
        EXPECT_EQ(c.angularFactor, body.getAngularFactor());
        EXPECT_FLOAT_EQ(c.ccdThreshold, body.getCcdMotionThreshold());
        EXPECT_FLOAT_EQ(c.sweptRadius, body.getCcdSweptSphereRadius());
        // Library defaults everything else keeps.
        EXPECT_EQ(0.0f, body.getLinearDamping());
        EXPECT_EQ(0.0f, body.getAngularDamping());
        EXPECT_EQ(0.0f, body.getRestitution());
        EXPECT_EQ(0.0f, body.getRollingFriction());
        EXPECT_FLOAT_EQ(0.8f, body.getLinearSleepingThreshold());
        EXPECT_FLOAT_EQ(1.0f, body.getAngularSleepingThreshold());
    }
}

TEST(Entity, ConstructionRecordsItsValuesAndJoinsTheWorld)
{
    TestWorld test;
    Entity* cube = test.Cube(1.0f, 2.0f, 3.0f);
    ASSERT_EQ(3u, test.world.entities.size());
    EXPECT_EQ(cube, test.world.entities.back());
    EXPECT_EQ(0u, reinterpret_cast<uintptr_t>(cube) % 16);
    EXPECT_EQ(test.world.physicsWorld, cube->world);
    EXPECT_EQ(Dynamic, cube->kind);
    EXPECT_EQ(Box, cube->shapeKind);
    EXPECT_EQ(10.0f, cube->mass);
    EXPECT_EQ(0.3f, cube->shapeParams[0]);
    EXPECT_EQ(btVector3(1, 2, 3), cube->startTransform.getOrigin());
    EXPECT_EQ(btMatrix3x3::getIdentity(), cube->startTransform.getBasis());
    EXPECT_EQ(cube->motionState, cube->body->getMotionState());
    EXPECT_EQ(cube->shape, cube->body->getCollisionShape());
    EXPECT_TRUE(cube->body->isInWorld());
    // A 0.6 m cube of 10 kg: m (a^2 + a^2) / 12 = 10 x 0.72 / 12 about every axis.
    EXPECT_NEAR(0.6f, cube->localInertia.x(), 1e-5f);
    EXPECT_NEAR(0.6f, cube->localInertia.y(), 1e-5f);
    EXPECT_NEAR(1.0f / 0.6f, cube->body->getInvInertiaDiagLocal().z(), 1e-3f);
    // Gravity comes from the world.
    EXPECT_EQ(btVector3(0, -10, 0), cube->body->getGravity());

    Entity* given = CreateEntityWithInertia(test.world, Dynamic, Box, 10.0f, 0.3f, 0.3f, 0.3f,
                                            CreateMotionState(0, 9, 0), btVector3(0, 0, 0));
    EXPECT_EQ(btVector3(0, 0, 0), given->localInertia);
    EXPECT_EQ(btVector3(0, 0, 0), given->body->getInvInertiaDiagLocal());
}

TEST(Entity, ShapesFollowTheirKind)
{
    btCollisionShape* plane = CreateShape(Plane, 0.0f, 2.0f, 0.0f);
    ASSERT_EQ(STATIC_PLANE_PROXYTYPE, plane->getShapeType());
    EXPECT_EQ(btVector3(0, 1, 0), static_cast<btStaticPlaneShape*>(plane)->getPlaneNormal());
    EXPECT_EQ(1.0f, static_cast<btStaticPlaneShape*>(plane)->getPlaneConstant());

    btCollisionShape* box = CreateShape(Box, 0.1f, 0.2f, 0.3f);
    ASSERT_EQ(BOX_SHAPE_PROXYTYPE, box->getShapeType());
    const btVector3 half = static_cast<btBoxShape*>(box)->getHalfExtentsWithMargin();
    EXPECT_NEAR(0.1f, half.x(), 1e-6f);
    EXPECT_NEAR(0.2f, half.y(), 1e-6f);
    EXPECT_NEAR(0.3f, half.z(), 1e-6f);

    btCollisionShape* sphere = CreateShape(Sphere, 0.5f, 9.0f, 9.0f);
    ASSERT_EQ(SPHERE_SHAPE_PROXYTYPE, sphere->getShapeType());
    EXPECT_EQ(0.5f, static_cast<btSphereShape*>(sphere)->getRadius());

    btCollisionShape* cylinder = CreateShape(Cylinder, 0.15f, 0.3f, 0.15f);
    ASSERT_EQ(CYLINDER_SHAPE_PROXYTYPE, cylinder->getShapeType());
    EXPECT_EQ(1, static_cast<btCylinderShape*>(cylinder)->getUpAxis());
    EXPECT_NEAR(0.3f, static_cast<btCylinderShape*>(cylinder)->getHalfExtentsWithMargin().y(), 1e-6f);
    EXPECT_NEAR(0.15f, static_cast<btCylinderShape*>(cylinder)->getRadius(), 1e-6f);

    btCollisionShape* capsule = CreateShape(Capsule, 0.2f, 1.0f, 7.0f);
    ASSERT_EQ(CAPSULE_SHAPE_PROXYTYPE, capsule->getShapeType());
    EXPECT_EQ(1, static_cast<btCapsuleShape*>(capsule)->getUpAxis());
    EXPECT_EQ(0.2f, static_cast<btCapsuleShape*>(capsule)->getRadius());
    EXPECT_EQ(0.5f, static_cast<btCapsuleShape*>(capsule)->getHalfHeight());

    EXPECT_EQ(nullptr, CreateShape(static_cast<ShapeKind>(5), 1, 1, 1));
    EXPECT_EQ(nullptr, CreateShape(static_cast<ShapeKind>(-1), 1, 1, 1));
    for (btCollisionShape* shape : {plane, box, sphere, cylinder, capsule}) {
        delete shape;
    }
}

TEST(Entity, SphereRestsOnItsRadiusAndKeepsItsDrawnExtents)
{
    TestWorld test;
    Entity* ball = CreateEntity(test.world, Dynamic, Sphere, 1.0f, 0.5f, 9.0f, 9.0f,
                                CreateMotionState(5.0f, 2.0f, 5.0f));
    EXPECT_EQ(9.0f, ball->shapeParams[1]);
    EXPECT_EQ(9.0f, ball->shapeParams[2]);
    test.Run(3.0f);
    EXPECT_NEAR(0.5f, OriginOf(*ball).y(), 0.02f);
}

TEST(Entity, ResetRestoresTheStartAtRest)
{
    TestWorld test;
    Entity* cube = test.Cube(0.0f, 10.0f, 0.0f);
    test.Run(1.0f);
    cube->body->setAngularVelocity(btVector3(3, 2, 1));
    cube->body->applyCentralForce(btVector3(0, 500, 0));
    ASSERT_LT(OriginOf(*cube).y(), 9.0f);

    ResetEntity(*cube);
    EXPECT_EQ(btVector3(0, 10, 0), OriginOf(*cube));
    EXPECT_EQ(btMatrix3x3::getIdentity(), cube->body->getWorldTransform().getBasis());
    EXPECT_EQ(btVector3(0, 0, 0), cube->body->getLinearVelocity());
    EXPECT_EQ(btVector3(0, 0, 0), cube->body->getAngularVelocity());
    EXPECT_EQ(btVector3(0, 0, 0), cube->body->getTotalForce());
    btTransform drawn;
    cube->motionState->getWorldTransform(drawn);
    EXPECT_EQ(btVector3(0, 10, 0), drawn.getOrigin());
    EXPECT_EQ(ACTIVE_TAG, cube->body->getActivationState());

    // A frame too short for a sub-step only re-synchronises the motion state:
    // it must still show the start, not the pose before the reset.
    StepPhysics(test.world, 0.0f);
    cube->motionState->getWorldTransform(drawn);
    EXPECT_NEAR(10.0f, drawn.getOrigin().y(), 1e-4f);
}

TEST(Entity, ResetDoesNotWakeAStaticBody)
{
    TestWorld test;
    Entity* block =
        CreateEntity(test.world, Dynamic, Box, 0.0f, 1.0f, 1.0f, 1.0f, CreateMotionState(5.0f, 1.0f, 5.0f));
    ASSERT_TRUE(block->body->isStaticObject());
    const int before = block->body->getActivationState();
    ResetEntity(*block);
    EXPECT_EQ(before, block->body->getActivationState());
    EXPECT_EQ(ISLAND_SLEEPING, block->body->getActivationState());
    EXPECT_EQ(btVector3(5, 1, 5), OriginOf(*block));
}

TEST(Entity, KinematicTransformFromARowVectorMatrix)
{
    TestWorld test;
    Entity* platform = CreateEntityWithInertia(test.world, Platform, Box, 0.0f, 0.45f, 0.15f, 0.45f,
                                               CreateMotionState(3, 2, 1), btVector3(0, 0, 0));
    const int revision = platform->body->getUpdateRevisionInternal();

    SetKinematicTransform(*platform, Identity());
    EXPECT_EQ(btVector3(0, 0, 0), OriginOf(*platform));
    EXPECT_EQ(btMatrix3x3::getIdentity(), platform->body->getWorldTransform().getBasis());
    EXPECT_GT(platform->body->getUpdateRevisionInternal(), revision);

    // A quarter turn about y then a move: the body's x axis must point along -z
    // (right-handed turn of +x about +y), the origin at the translation.
    SetKinematicTransform(*platform, Multiply(RotationY(1.5707964f), Translation(1, 2, 3)));
    const btTransform& t = platform->body->getWorldTransform();
    const btVector3 xAxis = t.getBasis() * btVector3(1, 0, 0);
    EXPECT_NEAR(0.0f, xAxis.x(), 1e-6f);
    EXPECT_NEAR(-1.0f, xAxis.z(), 1e-6f);
    EXPECT_EQ(btVector3(1, 2, 3), t.getOrigin());
    btTransform drawn;
    platform->motionState->getWorldTransform(drawn);
    EXPECT_EQ(t.getOrigin(), drawn.getOrigin());
    EXPECT_EQ(t.getBasis(), drawn.getBasis());
    EXPECT_EQ(btVector3(0, 0, 0), platform->body->getLinearVelocity());

    Matrix4 broken = Translation(5, 5, 5);
    broken.m[3][1] = std::numeric_limits<float>::quiet_NaN();
    SetKinematicTransform(*platform, broken);
    EXPECT_EQ(btVector3(1, 2, 3), OriginOf(*platform));
}

TEST(Entity, TransformsConvertToRowVectorMatrices)
{
    const float angle = 0.7f;
    const btTransform turned(btQuaternion(btVector3(0, 1, 0), angle), btVector3(4, 5, 6));
    const Matrix4 expected = Multiply(RotationY(angle), Translation(4, 5, 6));
    const Matrix4 m = MatrixFromTransform(turned);
    for (int r = 0; r < 4; ++r) {
        for (int c = 0; c < 4; ++c) {
            EXPECT_NEAR(expected.m[r][c], m.m[r][c], 1e-6f) << r << "," << c;
        }
    }
    const btTransform back = TransformFromMatrix(m);
    EXPECT_TRUE(back.getOrigin() == turned.getOrigin());
    for (int r = 0; r < 3; ++r) {
        EXPECT_NEAR(0.0f, (back.getBasis()[r] - turned.getBasis()[r]).length(), 1e-6f);
    }
}

}  // namespace
