// Camera control: the orbit around the followed entity (yaw, pitch, zoom), the
// smoothed eye and look-at points, the horizontal heading player movement reads,
// and the comma / period target stepping. Owns no entity and no input object; it
// only reads them. One controller and one orbit live for the whole run.
#pragma once

#include <cstddef>
#include <cstdint>

#include "core/matrix.h"

struct Gamepad;
struct Mouse;
struct Settings;
struct World;

// Program-wide orbit parameters; nothing resets them.
struct CameraOrbit {
    float cameraYaw = 1.5707964f;    // radians, unbounded
    float cameraPitch = 1.5707964f;  // radians from +y, kept in [0.1, 3.0415926]
    float cameraZoom = 1.2f;         // orbit size; eye distance is zoom x (zoom^2 + 1); >= 0
};

struct CameraController {
    bool inputEnabled = true;    // orbit and zoom input applied only when true
    Float3 eye;                  // current eye position, world units
    Float3 eyeGoal;              // where eye moves towards; recomputed every update
    double eyeSmoothing = 0;     // smoothing constant k of eye, in (0, 1]
    Float3 lookAt;               // current point looked at
    Float3 lookAtGoal;           // where lookAt moves towards; recomputed every update
    double lookAtSmoothing = 0;  // smoothing constant k of lookAt, in (0, 1]
    float heading = 0;           // atan2(z, x) of the view direction, radians; always finite
};

// Start-of-run goals: eyeGoal (0, 0, -1), lookAtGoal (0, 0, 0), both constants 1.0.
void SeedCamera(CameraController& camera);

// One camera frame: orbit / zoom input, goals around the entity at
// cameraTargetIndex (taken modulo the entity count), smoothing over dt seconds,
// heading, and cameraView. cameraView keeps its previous value when the new view
// would be degenerate (eye on the look-at point) or not finite.
void UpdateCamera(CameraController& camera, CameraOrbit& orbit, const Mouse& mouse, const Gamepad& pad0,
                  double dt, const Settings& settings, const World& world, int32_t cameraTargetIndex,
                  Matrix4& cameraView);

// Comma: one entity back, wrapping from 0 to the last entry.
int32_t PreviousCameraTarget(int32_t index, size_t entityCount);
// Period: one entity on, wrapping past the last entry (compared unsigned) to 0.
int32_t NextCameraTarget(int32_t index, size_t entityCount);
