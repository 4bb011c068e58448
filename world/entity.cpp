#include "world/entity.h"

#include <cassert>
#include <cmath>

#include "world/world.h"

namespace {

// The settings of one EntityKind, applied in this order. Collision flags
// replace the whole flag word; the activation state goes through
// setActivationState, which keeps a body already in state 4 or 5.
void ApplyKindSettings(btRigidBody& body, EntityKind kind)
{
    switch (kind) {
    case Ground:
        body.setCollisionFlags(btCollisionObject::CF_STATIC_OBJECT);
        break;
    case Wall:
        body.setCollisionFlags(btCollisionObject::CF_STATIC_OBJECT);
        body.setCcdMotionThreshold(0.15f);
        body.setCcdSweptSphereRadius(0.03f);
        break;
    case Platform:
        body.setCollisionFlags(btCollisionObject::CF_KINEMATIC_OBJECT);
        body.setActivationState(DISABLE_DEACTIVATION);
        break;
    case Dynamic:
        break;
    case Player:
        body.setFriction(0.0f);
        body.setCollisionFlags(btCollisionObject::CF_CHARACTER_OBJECT);
        body.setActivationState(DISABLE_DEACTIVATION);
        body.setAngularFactor(btVector3(0, 1, 0));
        break;
    }
}

Entity* BuildEntity(World& world, EntityKind kind, ShapeKind shapeKind, float mass, float x, float y, float z,
                    btDefaultMotionState* motionState, const btVector3* inertia)
{
    assert(world.physicsWorld && "entities need a physics world: run InitPhysics first");
    assert(motionState && "an entity needs the caller's motion state");
    btCollisionShape* shape = CreateShape(shapeKind, x, y, z);
    assert(shape && "shape kind outside 0..4");
    if (!shape) {
        return nullptr;
    }

    Entity* entity = new Entity();
    entity->world = world.physicsWorld;
    entity->motionState = motionState;
    entity->kind = kind;
    entity->shapeKind = shapeKind;
    entity->mass = mass;
    entity->shapeParams[0] = x;
    entity->shapeParams[1] = y;
    entity->shapeParams[2] = z;
    entity->shape = shape;
    if (inertia) {
        entity->localInertia = *inertia;
    } else {
        shape->calculateLocalInertia(mass, entity->localInertia);
    }
    CreateBody(world, *entity);
    return entity;
}

bool IsFinite(const Matrix4& m)
{
    for (const auto& row : m.m) {
        for (float v : row) {
            if (!std::isfinite(v)) {
                return false;
            }
        }
    }
    return true;
}

}  // namespace

btCollisionShape* CreateShape(ShapeKind kind, float x, float y, float z)
{
    switch (kind) {
    case Plane:
        return new btStaticPlaneShape(btVector3(x, y, z), 1.0f);
    case Box:
        return new btBoxShape(btVector3(x, y, z));
    case Sphere:
        return new btSphereShape(x);
    case Cylinder:
        return new btCylinderShape(btVector3(x, y, z));
    case Capsule:
        return new btCapsuleShape(x, y);
    }
    return nullptr;
}

btDefaultMotionState* CreateMotionState(float x, float y, float z)
{
    btTransform start(btQuaternion(0, 0, 0, 1), btVector3(x, y, z));
    return new btDefaultMotionState(start, btTransform::getIdentity());
}

Entity* CreateEntity(World& world, EntityKind kind, ShapeKind shapeKind, float mass, float x, float y,
                     float z, btDefaultMotionState* motionState)
{
    return BuildEntity(world, kind, shapeKind, mass, x, y, z, motionState, nullptr);
}

Entity* CreateEntityWithInertia(World& world, EntityKind kind, ShapeKind shapeKind, float mass, float x,
                                float y, float z, btDefaultMotionState* motionState, const btVector3& inertia)
{
    return BuildEntity(world, kind, shapeKind, mass, x, y, z, motionState, &inertia);
}

void CreateBody(World& world, Entity& entity)
{
    assert(entity.shape && entity.motionState && !entity.body && "CreateBody once, on a shaped entity");
    btRigidBody::btRigidBodyConstructionInfo info(entity.mass, entity.motionState, entity.shape,
                                                  entity.localInertia);
    entity.body = new btRigidBody(info);
    ApplyKindSettings(*entity.body, entity.kind);
    entity.motionState->getWorldTransform(entity.startTransform);
    world.physicsWorld->addRigidBody(entity.body);
    world.entities.push_back(&entity);
}

void ResetEntity(Entity& entity)
{
    assert(entity.body && "ResetEntity on an entity without a body");
    btRigidBody& body = *entity.body;
    const btVector3 zero(0, 0, 0);
    body.clearForces();
    body.setLinearVelocity(zero);
    body.setAngularVelocity(zero);
    body.setWorldTransform(entity.startTransform);
    // Without these a frame that runs no sub-step would interpolate the motion
    // state from the pre-reset pose and draw the body where it was.
    body.setInterpolationWorldTransform(entity.startTransform);
    body.setInterpolationLinearVelocity(zero);
    body.setInterpolationAngularVelocity(zero);
    entity.motionState->setWorldTransform(entity.startTransform);
    body.activate(false);
}

void ResetAllEntities(World& world)
{
    for (Entity* entity : world.entities) {
        ResetEntity(*entity);
    }
}

void SetKinematicTransform(Entity& entity, const Matrix4& m)
{
    assert(entity.body && "SetKinematicTransform on an entity without a body");
    if (!IsFinite(m)) {
        return;
    }
    btTransform transform = TransformFromMatrix(m);
    entity.body->setWorldTransform(transform);
    entity.motionState->setWorldTransform(transform);
}

Matrix4 MatrixFromTransform(const btTransform& transform)
{
    const btMatrix3x3& basis = transform.getBasis();
    const btVector3& origin = transform.getOrigin();
    Matrix4 m;
    for (int r = 0; r < 3; ++r) {
        for (int c = 0; c < 3; ++c) {
            m.m[r][c] = basis[c][r];
        }
    }
    m.m[3][0] = origin.x();
    m.m[3][1] = origin.y();
    m.m[3][2] = origin.z();
    m.m[3][3] = 1.0f;
    return m;
}

btTransform TransformFromMatrix(const Matrix4& m)
{
    btMatrix3x3 basis(m.m[0][0], m.m[1][0], m.m[2][0], m.m[0][1], m.m[1][1], m.m[2][1], m.m[0][2], m.m[1][2],
                      m.m[2][2]);
    return btTransform(basis, btVector3(m.m[3][0], m.m[3][1], m.m[3][2]));
}
