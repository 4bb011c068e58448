// Player movement: camera-relative direction from keyboard and stick, the
// ground test, velocity on the ground, force in the air, and the jump.
#include "world/player.h"

#include <algorithm>
#include <cassert>
#include <cmath>

#include "input/gamepad.h"
#include "input/keyboard.h"
#include "world/world.h"

namespace {

constexpr float kWalkFactor = 4.0f;
constexpr float kSprintFactor = 8.0f;
constexpr float kAirForce = 500.0f;                     // newtons per unit of direction
constexpr double kJumpKeep = 0.3;                       // share of horizontal velocity kept by a jump
constexpr double kMaxGroundSlope = 0.6283185307179586;  // pi/5: steepest contact that is ground

bool IsFinite(const btVector3& v)
{
    return std::isfinite(v.x()) && std::isfinite(v.y()) && std::isfinite(v.z());
}

btRigidBody* PlayerBody(const PlayerController& player)
{
    assert(player.entity != nullptr && player.entity->body != nullptr &&
           "the player controller needs the player entity and its body");
    if (player.entity == nullptr)
        return nullptr;
    return player.entity->body;
}

// Angle between a contact normal and +y, radians; NaN for a zero normal.
double SlopeOf(const btVector3& normal)
{
    const double length = normal.length();
    if (!(length > 0.0))
        return std::nan("");
    return std::acos(std::clamp(normal.y() / length, -1.0, 1.0));
}

}  // namespace

void UpdatePlayer(PlayerController& player, const Keyboard& keyboard, const std::array<Gamepad, 4>& gamepads,
                  float heading, const World& world)
{
    btRigidBody* body = PlayerBody(player);
    if (body == nullptr)
        return;
    const Gamepad& pad = gamepads[0];

    float speed = player.walkSpeed * kWalkFactor;
    if (IsDown(keyboard.sprint) || IsDown(pad.buttonB))
        speed = player.walkSpeed * kSprintFactor;

    // A heading that is not finite would turn every direction into NaN.
    const double h = std::isfinite(heading) ? heading : 0.0;
    const float co = static_cast<float>(std::cos(h));
    const float si = static_cast<float>(std::sin(h));

    btVector3 m(0, 0, 0);
    if (player.inputEnabled) {
        if (IsDown(keyboard.forward))
            m += btVector3(co, 0, si);
        if (IsDown(keyboard.backward))
            m += btVector3(-co, 0, -si);
        if (IsDown(keyboard.left))
            m += btVector3(-si, 0, co);
        if (IsDown(keyboard.right))
            m += btVector3(si, 0, -co);
    }
    const float lx = std::isfinite(pad.leftStickX.delta) ? pad.leftStickX.delta : 0.0f;
    const float ly = std::isfinite(pad.leftStickY.delta) ? pad.leftStickY.delta : 0.0f;
    m += btVector3(si * lx + co * ly, 0, si * ly - co * lx);

    // Only longer directions are shortened: a partly deflected stick walks slower.
    const btScalar length = m.length();
    if (length > 1)
        m /= length;

    CheckGround(player, world);
    ApplyMovement(player, speed, m);

    const bool jumpDown = IsDown(keyboard.jump) || IsDown(pad.buttonA);
    if (player.inputEnabled && jumpDown && !player.airborne) {
        const btVector3 v = body->getLinearVelocity();
        body->setLinearVelocity(btVector3(static_cast<float>(kJumpKeep * v.x()), player.jumpSpeed,
                                          static_cast<float>(kJumpKeep * v.z())));
    }
}

void CheckGround(PlayerController& player, const World& world)
{
    player.groundVelocity = btVector3(0, 0, 0);
    player.groundSpin = btVector3(0, 0, 0);
    btRigidBody* body = PlayerBody(player);
    if (body == nullptr)
        return;

    player.airborne = true;
    const auto found = world.contacts.manifoldsByBody.find(body);
    if (found != world.contacts.manifoldsByBody.end()) {
        bool grounded = false;
        for (const btPersistentManifold* manifold : found->second) {
            for (int i = 0; i < manifold->getNumContacts() && !grounded; ++i) {
                const btManifoldPoint& point = manifold->getContactPoint(i);
                // The normal on the second body points towards the player.
                if (!(SlopeOf(point.m_normalWorldOnB) <= kMaxGroundSlope))
                    continue;

                grounded = true;
                player.airborne = false;
                const btCollisionObject* support = manifold->getBody1();
                btTransform playerTransform;
                player.entity->motionState->getWorldTransform(playerTransform);
                const btVector3 offset =
                    playerTransform.getOrigin() - support->getWorldTransform().getOrigin();
                const btRigidBody* supportBody = btRigidBody::upcast(support);
                if (supportBody != nullptr) {
                    player.groundSpin = btVector3(0, supportBody->getAngularVelocity().y(), 0);
                    player.groundVelocity =
                        supportBody->getLinearVelocity() + player.groundSpin.cross(offset);
                    player.groundVelocity.setY(0);
                }
            }
            if (grounded)
                break;
        }
    }
    body->setAngularVelocity(btVector3(0, 0, 0));
}

void ApplyMovement(PlayerController& player, float speed, const btVector3& direction)
{
    btRigidBody* body = PlayerBody(player);
    if (body == nullptr)
        return;

    // Nothing that is not finite reaches the body: such a direction or speed
    // moves nothing, such a ground motion counts as standing still.
    if (player.airborne) {
        const btVector3 force = direction * kAirForce;
        if (IsFinite(force))
            body->applyCentralForce(force);
        return;
    }
    btVector3 move = direction * speed;
    if (!IsFinite(move))
        move = btVector3(0, 0, 0);
    const btVector3 groundVelocity =
        IsFinite(player.groundVelocity) ? player.groundVelocity : btVector3(0, 0, 0);
    const btVector3 groundSpin = IsFinite(player.groundSpin) ? player.groundSpin : btVector3(0, 0, 0);
    body->setLinearVelocity(move + groundVelocity);
    body->setAngularVelocity(groundSpin);
}
