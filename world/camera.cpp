// Camera control: orbit input, goals around the followed entity, exponential
// smoothing of the eye and look-at points, the heading and the view matrix.
#include "world/camera.h"

#include <cassert>
#include <cmath>

#include "core/settings.h"
#include "input/gamepad.h"
#include "input/keyboard.h"
#include "world/world.h"

namespace {

constexpr float kPitchMin = 0.1f;
constexpr float kPitchMax = 3.0415926f;  // pi - 0.1
// Keeps zoom x (zoom^2 + 1) and the goals far inside float range, so no
// amount of wheel or drag can overflow the eye into an infinity. An eye this
// far out is already far beyond any drawing distance.
constexpr float kZoomMax = 1.0e6f;
constexpr float kAimZoom = 1.2f;              // zoom restored while aiming at the player
constexpr double kLookAtWobble = 0.99999999;  // smoothing constants with CameraWobble on
constexpr double kEyeWobble = 0.9999999;
constexpr double kAimSmoothing = 0.99999;  // look-at constant while aiming at the player

float Sign(bool inverted)
{
    return inverted ? -1.0f : 1.0f;
}

bool IsFinite(Float3 v)
{
    return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z);
}

Float3 MotionStateOrigin(const Entity* entity)
{
    if (entity == nullptr || entity->motionState == nullptr)
        return {};
    btTransform transform;
    entity->motionState->getWorldTransform(transform);
    const btVector3& o = transform.getOrigin();
    return {o.x(), o.y(), o.z()};
}

// Moves point towards goal by 1 - (1 - k)^(dt / k) of the way: the power in
// double, the factor in float. A full step lands exactly on the goal, and a
// point that is no longer finite restarts at its goal.
void Smooth(Float3& point, Float3 goal, double k, double dt)
{
    const float factor = static_cast<float>(1.0 - std::pow(1.0 - k, dt / k));
    if (factor >= 1.0f || !IsFinite(point)) {
        point = goal;
        return;
    }
    point = Add(point, Scale(Sub(goal, point), factor));
}

// A view is usable when every entry is finite and its x and z axes (the
// first and third columns of the upper 3 x 3) have unit length; LookToLH
// gives zero axes for a zero direction or one parallel to the up vector.
bool IsUsableView(const Matrix4& view)
{
    for (const auto& row : view.m) {
        for (float value : row) {
            if (!std::isfinite(value))
                return false;
        }
    }
    for (int column : {0, 2}) {
        const float lengthSq = view.m[0][column] * view.m[0][column] + view.m[1][column] * view.m[1][column] +
                               view.m[2][column] * view.m[2][column];
        if (std::fabs(lengthSq - 1.0f) > 1.0e-3f)
            return false;
    }
    return true;
}

// Orbit and zoom input. A value the input would make non-finite keeps its
// previous value; then the range clamps apply.
void ApplyOrbitInput(CameraOrbit& orbit, const Mouse& mouse, const Gamepad& pad0, float kMouse, float kPad,
                     const Settings& settings)
{
    const float mx = mouse.x.delta;
    const float my = mouse.y.delta;
    const float rx = pad0.rightStickX.delta;
    const float ry = pad0.rightStickY.delta;
    float yaw = orbit.cameraYaw;
    float pitch = orbit.cameraPitch;
    float zoom = orbit.cameraZoom;

    if (mouse.rightButton.state == Up && pad0.leftTrigger.state < Pressed) {
        yaw -=
            rx * kPad * Sign(settings.invertControllerXAxis) + mx * kMouse * Sign(settings.invertMouseXAxis);
        pitch +=
            my * kMouse * Sign(settings.invertMouseYAxis) - ry * kPad * Sign(settings.invertControllerYAxis);
    } else if (mouse.rightButton.state > Up || pad0.leftTrigger.state > Up) {
        zoom = static_cast<float>(zoom + (my * 0.005 - ry * 0.01));
    }
    zoom = static_cast<float>(zoom - mouse.wheel.delta * 0.005);

    if (std::isfinite(yaw))
        orbit.cameraYaw = yaw;
    if (std::isfinite(pitch))
        orbit.cameraPitch = pitch;
    if (std::isfinite(zoom))
        orbit.cameraZoom = zoom;
}

}  // namespace

void SeedCamera(CameraController& camera)
{
    camera.eyeGoal = {0.0f, 0.0f, -1.0f};
    camera.lookAtGoal = {0.0f, 0.0f, 0.0f};
    camera.eyeSmoothing = 1.0;
    camera.lookAtSmoothing = 1.0;
}

void UpdateCamera(CameraController& camera, CameraOrbit& orbit, const Mouse& mouse, const Gamepad& pad0,
                  double dt, const Settings& settings, const World& world, int32_t cameraTargetIndex,
                  Matrix4& cameraView)
{
    // A frame time that is negative or not finite moves nothing.
    if (!(dt >= 0.0) || !std::isfinite(dt))
        dt = 0.0;

    const float kMouse = static_cast<float>(settings.mSensibility * 0.005);
    const float kPad = static_cast<float>(settings.xSensibility * 6.0 * dt);

    if (camera.inputEnabled) {
        ApplyOrbitInput(orbit, mouse, pad0, std::isfinite(kMouse) ? kMouse : 0.0f,
                        std::isfinite(kPad) ? kPad : 0.0f, settings);
    }

    if (!(orbit.cameraZoom >= 0.0f))
        orbit.cameraZoom = 0.0f;
    if (orbit.cameraZoom > kZoomMax)
        orbit.cameraZoom = kZoomMax;
    if (orbit.cameraPitch >= kPitchMax) {
        orbit.cameraPitch = kPitchMax;
    } else if (orbit.cameraPitch <= kPitchMin) {
        orbit.cameraPitch = kPitchMin;
    }

    const float zoom = orbit.cameraZoom;
    const float r = zoom * zoom + 1.0f;
    const float sinPitch = std::sin(orbit.cameraPitch);
    const Float3 u = {sinPitch * std::cos(orbit.cameraYaw), std::cos(orbit.cameraPitch),
                      sinPitch * std::sin(orbit.cameraYaw)};

    Float3 target;
    const size_t count = world.entities.size();
    if (count > 0) {
        const int64_t index = cameraTargetIndex;
        const int64_t wrapped = ((index % static_cast<int64_t>(count)) + static_cast<int64_t>(count)) %
                                static_cast<int64_t>(count);
        target = MotionStateOrigin(world.entities[static_cast<size_t>(wrapped)]);
    }

    camera.lookAtGoal = Add(target, Scale(u, r));
    camera.lookAtSmoothing = settings.cameraWobble ? kLookAtWobble : 1.0;
    camera.eyeGoal = Sub(target, Scale(u, zoom * r));
    camera.eyeSmoothing = settings.cameraWobble ? kEyeWobble : 1.0;

    if (mouse.middleButton.state == Held || pad0.rightStick.state == Held) {
        camera.inputEnabled = false;
        if (world.playerEntity != nullptr)
            camera.lookAtGoal = MotionStateOrigin(world.playerEntity);
        orbit.cameraZoom = kAimZoom;
        camera.lookAtSmoothing = kAimSmoothing;
    } else if (!camera.inputEnabled) {
        camera.inputEnabled = true;
    }

    Smooth(camera.eye, camera.eyeGoal, camera.eyeSmoothing, dt);
    Smooth(camera.lookAt, camera.lookAtGoal, camera.lookAtSmoothing, dt);

    const Float3 direction = Sub(camera.lookAt, camera.eye);
    const float length =
        std::sqrt(direction.x * direction.x + direction.y * direction.y + direction.z * direction.z);
    // A zero direction has heading 0; one of infinite or NaN length keeps the
    // last finite heading, so player movement never turns by NaN.
    if (std::isfinite(length)) {
        Float3 d;
        if (length > 0.0f)
            d = {direction.x / length, direction.y / length, direction.z / length};
        const float heading = std::atan2(d.z, d.x);
        if (std::isfinite(heading))
            camera.heading = heading;
    }

    const Matrix4 view = LookToLH(camera.eye, direction, {0.0f, 1.0f, 0.0f});
    if (IsUsableView(view))
        cameraView = view;
}

int32_t PreviousCameraTarget(int32_t index, size_t entityCount)
{
    if (entityCount == 0)
        return 0;
    const int64_t previous = static_cast<int64_t>(index) - 1;
    if (previous < 0)
        return static_cast<int32_t>(entityCount - 1);
    return static_cast<int32_t>(previous);
}

int32_t NextCameraTarget(int32_t index, size_t entityCount)
{
    if (entityCount == 0)
        return 0;
    const int64_t next = static_cast<int64_t>(index) + 1;
    // Compared unsigned: a negative index also wraps to 0.
    if (static_cast<uint64_t>(next) > static_cast<uint64_t>(entityCount - 1))
        return 0;
    return static_cast<int32_t>(next);
}
