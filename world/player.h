// Player movement: walking, sprinting and jumping relative to the camera heading,
// the ground test over the player's contact manifolds and riding moving bodies.
// Owns no body: it steers the player entity's rigid body through its setters.
// One controller lives for the whole run.
#pragma once

#include <array>

#include <LinearMath/btVector3.h>

struct Entity;
struct Gamepad;
struct Keyboard;
struct World;

struct PlayerController {
    bool inputEnabled = true;                       // keyboard movement and jumping read only when true
    Entity* entity = nullptr;                       // the player's entity; not owned
    bool airborne = false;                          // last ground test found no supporting contact
    float walkSpeed = 0.5f;                         // base speed, m/s; walking uses 4x, sprinting 8x
    float jumpSpeed = 5.0f;                         // upward velocity of a jump, m/s
    btVector3 groundVelocity = btVector3(0, 0, 0);  // supporting body's velocity here, y = 0
    btVector3 groundSpin = btVector3(0, 0, 0);      // (0, supporting body's spin about y, 0)
};

// One movement frame: direction from the keyboard (when inputEnabled) and the
// first gamepad's left stick, rotated by heading (radians; a non-finite heading
// counts as 0), then CheckGround, ApplyMovement and the jump.
void UpdatePlayer(PlayerController& player, const Keyboard& keyboard, const std::array<Gamepad, 4>& gamepads,
                  float heading, const World& world);

// Ground test over the player's manifolds in world.contacts: sets airborne,
// groundVelocity and groundSpin, and stops the body's rotation.
void CheckGround(PlayerController& player, const World& world);

// On the ground: velocity := direction x speed + groundVelocity, spin := groundSpin.
// In the air: central force direction x 500 (velocity untouched).
void ApplyMovement(PlayerController& player, float speed, const btVector3& direction);
