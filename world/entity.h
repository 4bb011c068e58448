// Entities: one simulated object each (collision shape, motion state, rigid
// body) with the values the game needs to draw and reset it. Does not step the
// simulation or draw. Every Entity and its Bullet objects are allocated 16-byte
// aligned, owned by the World they were added to and never freed while it runs.
#pragma once

#include <cstdint>

#include <btBulletDynamicsCommon.h>

#include "core/matrix.h"

struct World;

// Selects the collision shape and the meaning of the three shape parameters.
enum ShapeKind : int32_t {
    Plane = 0,     // btStaticPlaneShape: normal (x, y, z), plane constant 1
    Box = 1,       // btBoxShape: half extents (x, y, z)
    Sphere = 2,    // btSphereShape: radius x
    Cylinder = 3,  // btCylinderShape about y: half extents (x, y, z)
    Capsule = 4,   // btCapsuleShape about y: radius x, straight length y
};

// Selects the settings applied to a new body (see CreateBody).
enum EntityKind : int32_t {
    Ground = 1,
    Wall = 2,
    Platform = 3,
    Dynamic = 4,
    Player = 20,
};

// alignas: Bullet's vector and transform members need 16-byte alignment.
struct alignas(16) Entity {
    btDiscreteDynamicsWorld* world = nullptr;     // world the body was added to
    btCollisionShape* shape = nullptr;            // owned; made by CreateShape
    btDefaultMotionState* motionState = nullptr;  // owned after construction
    btVector3 localInertia = btVector3(0, 0, 0);  // passed to the body; read only while constructing
    btRigidBody* body = nullptr;                  // owned; made by CreateBody
    btTransform startTransform = btTransform::getIdentity();  // restored by ResetEntity
    EntityKind kind = Dynamic;
    ShapeKind shapeKind = Box;
    float mass = 0.0f;                          // kg; 0 makes a static body
    float shapeParams[3] = {0.0f, 0.0f, 0.0f};  // x, y, z as ShapeKind says; drawn as half extents
};

// A new shape for kind with parameters (x, y, z); null for a kind outside 0..4.
btCollisionShape* CreateShape(ShapeKind kind, float x, float y, float z);

// A motion state at origin (x, y, z) with the identity rotation and the
// identity centre-of-mass offset.
btDefaultMotionState* CreateMotionState(float x, float y, float z);

// Builds an entity whose local inertia is computed from mass and the shape,
// adds its body to world.physicsWorld and appends it to world.entities.
// Takes ownership of motionState. Returns the new entity; null (and nothing
// created or owned) only for a shape kind outside 0..4, a programming error.
Entity* CreateEntity(World& world, EntityKind kind, ShapeKind shapeKind, float mass, float x, float y,
                     float z, btDefaultMotionState* motionState);

// The same with the caller's local inertia instead of a computed one.
Entity* CreateEntityWithInertia(World& world, EntityKind kind, ShapeKind shapeKind, float mass, float x,
                                float y, float z, btDefaultMotionState* motionState,
                                const btVector3& inertia);

// Creates entity.body from its mass, motion state, shape and local inertia,
// applies the settings of entity.kind, records startTransform, adds the body to
// the world and appends the entity to world.entities.
void CreateBody(World& world, Entity& entity);

// Back to startTransform at rest (forces, velocities and the interpolation
// state too); wakes a dynamic body, leaves static and kinematic ones as they are.
void ResetEntity(Entity& entity);
// ResetEntity for every entry of world.entities, from index 0 upwards.
void ResetAllEntities(World& world);

// Places the body at m (row vectors: rows 0-2 the rotated axes, row 3 the
// translation) through the body and its motion state. Sets no velocity and
// wakes nothing. A matrix with a non-finite element is ignored.
void SetKinematicTransform(Entity& entity, const Matrix4& m);

// Bullet transform (column basis + origin) <-> row-vector matrix: the basis is
// transposed and the origin is row 3.
Matrix4 MatrixFromTransform(const btTransform& transform);
btTransform TransformFromMatrix(const Matrix4& m);
