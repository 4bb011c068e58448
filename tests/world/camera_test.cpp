// Camera control: orbit and zoom input, clamps, smoothing, heading, view matrix,
// target stepping, and hostile input that must never reach the view as NaN.
#include "world/camera.h"

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <vector>

#include <gtest/gtest.h>

#include "core/settings.h"
#include "input/gamepad.h"
#include "input/keyboard.h"
#include "world/world.h"

namespace {

constexpr float kInf = std::numeric_limits<float>::infinity();
constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();

// Entities with only a motion state: the camera reads nothing else.
struct CameraFixture : ::testing::Test {
    World world;
    std::vector<Entity> storage = std::vector<Entity>(12);
    std::vector<btDefaultMotionState> states = std::vector<btDefaultMotionState>(12);
    CameraController camera;
    CameraOrbit orbit;
    Settings settings;
    Mouse mouse;
    Gamepad pad;
    Matrix4 view;

    void SetUp() override
    {
        AddEntity(0.0f, 0.0f, 0.0f);   // 0
        AddEntity(1.0f, 0.3f, -1.0f);  // 1: the player
        AddEntity(-2.0f, 4.0f, 6.0f);  // 2
        world.playerEntity = world.entities[1];
        SeedCamera(camera);
    }

    void AddEntity(float x, float y, float z)
    {
        const size_t i = world.entities.size();
        states[i].setWorldTransform(btTransform(btQuaternion::getIdentity(), btVector3(x, y, z)));
        storage[i].motionState = &states[i];
        world.entities.push_back(&storage[i]);
    }

    void Update(double dt, int32_t target = 0)
    {
        UpdateCamera(camera, orbit, mouse, pad, dt, settings, world, target, view);
    }

    void ExpectViewFinite() const
    {
        for (const auto& row : view.m) {
            for (float value : row)
                EXPECT_TRUE(std::isfinite(value));
        }
    }
};

TEST_F(CameraFixture, SeedSetsStartingGoals)
{
    EXPECT_EQ(camera.eyeGoal.z, -1.0f);
    EXPECT_EQ(camera.lookAtGoal.x, 0.0f);
    EXPECT_EQ(camera.eyeSmoothing, 1.0);
    EXPECT_EQ(camera.lookAtSmoothing, 1.0);
}

// Start: yaw = pitch = 1.5707964, zoom 1.2; mSensibility 0.5 -> kMouse 0.0025;
// xSensibility 0.5 and dt 0.1 -> kPad 0.3.
struct InputCase {
    const char* name;
    KeyState rightButton;
    KeyState leftTrigger;
    bool inverted;
    float mx, my, wheel, rx, ry;
    float yaw, pitch, zoom;
};

TEST_F(CameraFixture, OrbitZoomAndWheelFollowTheButtonMode)
{
    const InputCase cases[] = {
        {"mouse orbits", Up, Up, false, 100, 40, 0, 0, 0, 1.3207964f, 1.6707964f, 1.2f},
        {"stick orbits", Up, Up, false, 0, 0, 0, 0.5f, 0.5f, 1.4207964f, 1.4207964f, 1.2f},
        {"inverted axes", Up, Up, true, 100, 40, 0, 0.5f, 0.5f, 1.9707964f, 1.6207964f, 1.2f},
        {"disconnected pad orbits", Up, Unavailable, false, 100, 0, 0, 0, 0, 1.3207964f, 1.5707964f, 1.2f},
        {"right button held zooms", Held, Up, false, 100, 100, 0, 0, 0, 1.5707964f, 1.5707964f, 1.7f},
        {"right button pressed zooms", Pressed, Up, false, 0, -40, 0, 0, 0, 1.5707964f, 1.5707964f, 1.0f},
        {"right button released zooms", Released, Up, false, 0, 40, 0, 0, 0, 1.5707964f, 1.5707964f, 1.4f},
        {"left trigger zooms", Up, Held, false, 0, 0, 0, 0.3f, 0.5f, 1.5707964f, 1.5707964f, 1.195f},
        {"wheel in orbit", Up, Up, false, 0, 0, 120, 0, 0, 1.5707964f, 1.5707964f, 0.6f},
        {"wheel while dragging", Held, Up, false, 0, 0, 120, 0, 0, 1.5707964f, 1.5707964f, 0.6f},
        {"wheel with trigger", Up, Pressed, false, 0, 0, -240, 0, 0, 1.5707964f, 1.5707964f, 2.4f},
    };
    for (const InputCase& c : cases) {
        SCOPED_TRACE(c.name);
        orbit = CameraOrbit();
        camera.inputEnabled = true;
        settings.invertMouseXAxis = settings.invertMouseYAxis = c.inverted;
        settings.invertControllerXAxis = settings.invertControllerYAxis = c.inverted;
        mouse.rightButton.state = c.rightButton;
        pad.leftTrigger.state = c.leftTrigger;
        mouse.x.delta = c.mx;
        mouse.y.delta = c.my;
        mouse.wheel.delta = c.wheel;
        pad.rightStickX.delta = c.rx;
        pad.rightStickY.delta = c.ry;
        Update(0.1);
        EXPECT_NEAR(orbit.cameraYaw, c.yaw, 1e-6);
        EXPECT_NEAR(orbit.cameraPitch, c.pitch, 1e-6);
        EXPECT_NEAR(orbit.cameraZoom, c.zoom, 1e-6);
    }
}

TEST_F(CameraFixture, InputIsIgnoredWhileDisabledAndReenabledAfter)
{
    camera.inputEnabled = false;
    mouse.x.delta = 100;
    mouse.wheel.delta = 120;
    Update(0.1);
    EXPECT_EQ(orbit.cameraYaw, 1.5707964f);
    EXPECT_EQ(orbit.cameraZoom, 1.2f);
    EXPECT_TRUE(camera.inputEnabled);
}

// Pitch limits and zoom floor, and deltas no mouse can send: every result stays
// finite and in range, and a value that would turn non-finite keeps its old one.
struct LimitCase {
    const char* name;
    KeyState rightButton;
    float mx, my, wheel;
    float pitch, zoom;  // expected; NaN: only the range is checked
};

TEST_F(CameraFixture, PitchAndZoomStayInRangeUnderAnyDelta)
{
    const LimitCase cases[] = {
        {"pitch above the top", Up, 0, 1e6f, 0, 3.0415926f, 1.2f},
        {"pitch below the bottom", Up, 0, -1e6f, 0, 0.1f, 1.2f},
        {"pitch just past the top", Up, 0, 589.0f, 0, 3.0415926f, 1.2f},
        {"zoom below zero", Up, 0, 0, 1e6f, 1.5707964f, 0.0f},
        {"drag below zero", Held, 0, -1e6f, 0, 1.5707964f, 0.0f},
        {"infinite pitch delta", Up, 0, kInf, 0, 1.5707964f, 1.2f},
        {"NaN pitch delta", Up, kNaN, kNaN, 0, 1.5707964f, 1.2f},
        {"NaN wheel", Up, 0, 0, kNaN, 1.5707964f, 1.2f},
        {"infinite drag", Held, 0, kInf, 0, 1.5707964f, 1.2f},
        {"huge yaw", Up, 3e38f, 0, 0, 1.5707964f, 1.2f},
        {"huge drag", Held, 0, 3e38f, 0, 1.5707964f, kNaN},
        {"opposite infinities", Up, kInf, -kInf, -kInf, 1.5707964f, 1.2f},
    };
    for (const LimitCase& c : cases) {
        SCOPED_TRACE(c.name);
        orbit = CameraOrbit();
        settings.cameraWobble = false;
        mouse.rightButton.state = c.rightButton;
        mouse.x.delta = c.mx;
        mouse.y.delta = c.my;
        mouse.wheel.delta = c.wheel;
        Update(1.0 / 60.0);
        if (!std::isnan(c.zoom)) {
            EXPECT_EQ(orbit.cameraZoom, c.zoom);
        }
        EXPECT_EQ(orbit.cameraPitch, c.pitch);
        EXPECT_TRUE(std::isfinite(orbit.cameraYaw));
        EXPECT_GE(orbit.cameraZoom, 0.0f);
        EXPECT_TRUE(std::isfinite(orbit.cameraZoom));
        EXPECT_TRUE(std::isfinite(camera.heading));
        ExpectViewFinite();
    }
}

// Target at the origin, yaw = pitch = pi/2: u = (0, 0, 1), zoom 1.2, r = 2.44,
// so eyeGoal = (0, 0, -2.928) and lookAtGoal = (0, 0, 2.44).
struct SmoothCase {
    const char* name;
    bool wobble;
    double dt;
    double eyeShare;  // share of the way to the goal covered in this frame
    double lookAtShare;
};

TEST_F(CameraFixture, EyeAndLookAtCoverTheirShareOfTheWay)
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const SmoothCase cases[] = {
        {"wobble at 60 fps", true, 1.0 / 60.0, 0.235578, 0.264358},
        {"no wobble jumps", false, 1.0 / 60.0, 1.0, 1.0},
        {"no wobble, long frame", false, 2.5, 1.0, 1.0},
        {"zero frame, wobble", true, 0.0, 0.0, 0.0},
        {"zero frame, no wobble", false, 0.0, 0.0, 0.0},
        {"NaN frame", false, nan, 0.0, 0.0},
        {"infinite frame", true, std::numeric_limits<double>::infinity(), 0.0, 0.0},
        {"negative frame", false, -1.0, 0.0, 0.0},
    };
    const Float3 eyeStart = {1.0f, 2.0f, 3.0f};
    const Float3 lookAtStart = {-1.0f, 2.0f, 4.0f};
    for (const SmoothCase& c : cases) {
        SCOPED_TRACE(c.name);
        settings.cameraWobble = c.wobble;
        camera.eye = eyeStart;
        camera.lookAt = lookAtStart;
        Update(c.dt);
        EXPECT_NEAR(camera.eye.x, 1.0 - 1.0 * c.eyeShare, 1e-4);
        EXPECT_NEAR(camera.eye.y, 2.0 - 2.0 * c.eyeShare, 1e-4);
        EXPECT_NEAR(camera.eye.z, 3.0 + (-2.928 - 3.0) * c.eyeShare, 1e-4);
        EXPECT_NEAR(camera.lookAt.x, -1.0 + 1.0 * c.lookAtShare, 1e-4);
        EXPECT_NEAR(camera.lookAt.y, 2.0 - 2.0 * c.lookAtShare, 1e-4);
        EXPECT_NEAR(camera.lookAt.z, 4.0 + (2.44 - 4.0) * c.lookAtShare, 1e-4);
        EXPECT_EQ(camera.eyeSmoothing, c.wobble ? 0.9999999 : 1.0);
        EXPECT_EQ(camera.lookAtSmoothing, c.wobble ? 0.99999999 : 1.0);
        ExpectViewFinite();
    }
}

// Without wobble the eye lands on its goal; the view then maps the eye to the
// view-space origin and the target straight ahead at distance zoom x r, and
// the heading is the yaw.
TEST_F(CameraFixture, ViewLooksThroughTheTargetAlongTheYaw)
{
    settings.cameraWobble = false;
    const float yaws[] = {0.0f, 1.5707964f, 2.5f, -2.0f};
    for (float yaw : yaws) {
        SCOPED_TRACE(yaw);
        orbit.cameraYaw = yaw;
        orbit.cameraPitch = 1.2f;
        Update(1.0 / 60.0, 2);
        EXPECT_EQ(camera.eye.x, camera.eyeGoal.x);
        EXPECT_EQ(camera.eye.z, camera.eyeGoal.z);
        EXPECT_NEAR(camera.heading, yaw, 1e-5);

        const Float3 eyeInView = TransformPoint(camera.eye, view);
        EXPECT_NEAR(eyeInView.x, 0.0f, 1e-4);
        EXPECT_NEAR(eyeInView.y, 0.0f, 1e-4);
        EXPECT_NEAR(eyeInView.z, 0.0f, 1e-4);
        const Float3 target = TransformPoint({-2.0f, 4.0f, 6.0f}, view);
        EXPECT_NEAR(target.x, 0.0f, 1e-4);
        EXPECT_NEAR(target.y, 0.0f, 1e-4);
        EXPECT_NEAR(target.z, 1.2f * 2.44f, 1e-4);
    }
}

TEST_F(CameraFixture, ZoomZeroPutsTheEyeOnTheTarget)
{
    settings.cameraWobble = false;
    orbit.cameraZoom = 0.0f;
    orbit.cameraYaw = 0.0f;
    Update(1.0 / 60.0, 2);
    EXPECT_EQ(camera.eye.x, -2.0f);
    EXPECT_EQ(camera.eye.y, 4.0f);
    EXPECT_EQ(camera.eye.z, 6.0f);
    // r = 1: the look-at point is one unit along u = (1, 0, 0).
    EXPECT_NEAR(camera.lookAt.x, -1.0f, 1e-6);
    EXPECT_NEAR(camera.lookAt.z, 6.0f, 1e-6);
    EXPECT_NEAR(camera.heading, 0.0f, 1e-6);
    const Float3 ahead = TransformPoint({0.0f, 4.0f, 6.0f}, view);
    EXPECT_NEAR(ahead.x, 0.0f, 1e-5);
    EXPECT_NEAR(ahead.z, 2.0f, 1e-5);
}

TEST_F(CameraFixture, DegenerateViewKeepsThePreviousMatrix)
{
    Matrix4 previous;
    for (int i = 0; i < 4; ++i)
        previous.m[i][i] = 2.0f;
    previous.m[3][0] = 7.0f;

    // Eye on the look-at point and a zero frame: the direction is zero.
    view = previous;
    camera.eye = camera.lookAt = {1.0f, 1.0f, 1.0f};
    camera.heading = 0.7f;
    Update(0.0);
    EXPECT_EQ(0, std::memcmp(&view, &previous, sizeof view));
    EXPECT_EQ(camera.heading, 0.0f);  // a zero direction has heading atan2(0, 0)

    // A tiny direction whose squared length is subnormal still has a heading.
    camera.eye = {0.0f, 0.0f, 0.0f};
    camera.lookAt = {0.0f, 0.0f, 1e-20f};
    Update(0.0);
    EXPECT_NEAR(camera.heading, 1.5707964f, 1e-6);
    ExpectViewFinite();

    // A target that is not finite (a body that blew up): no NaN in the view or
    // the heading; the next sane frame recovers.
    settings.cameraWobble = true;
    Update(1.0 / 60.0);
    camera.heading = 0.5f;
    states[2].setWorldTransform(btTransform(btQuaternion::getIdentity(), btVector3(kNaN, 0, 0)));
    const Matrix4 before = view;
    Update(1.0 / 60.0, 2);
    EXPECT_EQ(0, std::memcmp(&view, &before, sizeof view));
    EXPECT_EQ(camera.heading, 0.5f);
    Update(1.0 / 60.0, 0);
    EXPECT_TRUE(std::isfinite(camera.eye.x));
    EXPECT_TRUE(std::isfinite(camera.lookAt.x));
    ExpectViewFinite();
}

TEST_F(CameraFixture, TargetIndexWrapsModuloTheEntityCount)
{
    settings.cameraWobble = false;
    orbit.cameraZoom = 0.0f;
    const struct {
        int32_t index;
        float eyeX;
    } cases[] = {{0, 0.0f}, {1, 1.0f}, {2, -2.0f}, {3, 0.0f}, {4, 1.0f}, {-1, -2.0f}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.index);
        Update(1.0 / 60.0, c.index);
        EXPECT_EQ(camera.eye.x, c.eyeX);
    }
}

TEST_F(CameraFixture, HeldMiddleButtonOrStickClickAimsAtThePlayer)
{
    const struct {
        KeyState middle, stickClick;
        bool aims;
    } cases[] = {
        {Held, Unavailable, true},
        {Up, Held, true},
        {Pressed, Unavailable, false},
        {Released, Up, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << int(c.middle) << "/" << int(c.stickClick));
        camera.inputEnabled = true;
        orbit.cameraZoom = 3.0f;
        mouse.middleButton.state = c.middle;
        pad.rightStick.state = c.stickClick;
        Update(1.0 / 60.0, 2);
        EXPECT_EQ(camera.inputEnabled, !c.aims);
        if (c.aims) {
            EXPECT_EQ(camera.lookAtGoal.x, 1.0f);
            EXPECT_EQ(camera.lookAtGoal.y, 0.3f);
            EXPECT_EQ(camera.lookAtGoal.z, -1.0f);
            EXPECT_EQ(orbit.cameraZoom, 1.2f);
            EXPECT_EQ(camera.lookAtSmoothing, 0.99999);
        } else {
            EXPECT_EQ(orbit.cameraZoom, 3.0f);
        }
    }
}

TEST(CameraTarget, CommaAndPeriodWrapAroundTheList)
{
    const struct {
        int32_t index;
        size_t count;
        int32_t previous, next;
    } cases[] = {
        {0, 10, 9, 1},   {5, 10, 4, 6},
        {9, 10, 8, 0},   {9, 12, 8, 10},  // entities added later extend the cycle
        {11, 12, 10, 0}, {0, 1, 0, 0},
        {-1, 10, 9, 0},  // below 0 compared unsigned on the way up
        {0, 0, 0, 0},    {INT32_MAX, 10, INT32_MAX - 1, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.index << " of " << c.count);
        EXPECT_EQ(PreviousCameraTarget(c.index, c.count), c.previous);
        EXPECT_EQ(NextCameraTarget(c.index, c.count), c.next);
    }
}

}  // namespace
