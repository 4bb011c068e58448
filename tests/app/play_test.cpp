// The whole game played in-process, offscreen: real start-up, real frames,
// input injected as platform messages or through a virtual gamepad. The
// application record is one per process, so every test here starts the game
// in a scratch folder of its own; ctest runs each test as its own process.
#include <gtest/gtest.h>

#include <unistd.h>

#include <btBulletDynamicsCommon.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <string>

#include "app/application.h"
#include "app/frame.h"
#include "app/startup.h"
#include "platform/gamepad_reader.h"
#include "platform/messages.h"
#include "platform/system.h"
#include "world/scene.h"

namespace {

constexpr uint16_t VK_W = 0x57;

class PlayTest : public testing::Test {
protected:
    void SetUp() override
    {
        home_ = std::filesystem::current_path();
        dir_ = std::filesystem::temp_directory_path() / ("vorlandis-play-" + std::to_string(getpid()));
        std::filesystem::create_directories(dir_);
        std::filesystem::copy(home_ / "Shaders", dir_ / "Shaders");
        // No camera wobble: the view direction, and so the heading, follows
        // the orbit exactly.
        std::ofstream(dir_ / "config.ini")
            << "[display]\nWindowWidth=320\nWindowHeight=200\n[game]\nCameraWobble=0\n";
        std::filesystem::current_path(dir_);
        ClearMessageQueue();
        ASSERT_TRUE(InitApplication(1));
        BuildInitialScene(app.world);
    }

    void TearDown() override
    {
        std::filesystem::current_path(home_);
        std::filesystem::remove_all(dir_);
    }

    static void RunFrame()
    {
        int32_t exitCode = 0;
        RunMessagePass(exitCode);
        UpdateFrame();
        DrawFrame();
        EndFrame();
    }

    static void RunFor(double seconds)
    {
        const double end = ClockMilliseconds() + seconds * 1000.0;
        while (ClockMilliseconds() < end) {
            RunFrame();
        }
    }

    static btVector3 PlayerOrigin()
    {
        btTransform transform;
        app.world.playerEntity->motionState->getWorldTransform(transform);
        return transform.getOrigin();
    }

    static btVector3 PlayerVelocity() { return app.world.playerEntity->body->getLinearVelocity(); }

    static void PostKey(uint16_t virtualKey, uint32_t kind)
    {
        Message msg;
        msg.message = WM_INPUT;
        msg.raw.type = RIM_TYPEKEYBOARD;
        msg.raw.keyboard.vKey = virtualKey;
        msg.raw.keyboard.message = kind;
        PostPlatformMessage(msg);
    }

    static void PostMouseMotion(int32_t dx)
    {
        Message msg;
        msg.message = WM_INPUT;
        msg.raw.type = RIM_TYPEMOUSE;
        msg.raw.mouse.lastX = dx;
        PostPlatformMessage(msg);
    }

    // The horizontal walk between two origins, and its angle in the x-z plane.
    static double WalkAngle(const btVector3& from, const btVector3& to)
    {
        return std::atan2(to.z() - from.z(), to.x() - from.x());
    }

    static double Distance2D(const btVector3& from, const btVector3& to)
    {
        return std::hypot(to.x() - from.x(), to.z() - from.z());
    }

    std::filesystem::path home_;
    std::filesystem::path dir_;
};

}  // namespace

TEST_F(PlayTest, HoldingForwardWalksAlongTheCameraHeading)
{
    // Turn the camera away from the axes first: 100 counts to the right at
    // the default sensitivity turn the orbit, and the heading, by -0.25 rad.
    PostMouseMotion(100);
    RunFor(1.0);
    const float heading = app.camera.heading;
    EXPECT_NEAR(heading, 1.5707964f - 0.25f, 1e-4f);

    const btVector3 start = PlayerOrigin();
    PostKey(VK_W, WM_KEYDOWN);
    RunFor(0.3);
    const btVector3 velocity = PlayerVelocity();
    PostKey(VK_W, WM_KEYUP);
    RunFrame();
    const btVector3 end = PlayerOrigin();

    EXPECT_NEAR(std::hypot(velocity.x(), velocity.z()), 2.0, 1e-3);  // walking speed
    EXPECT_NEAR(std::atan2(velocity.z(), velocity.x()), heading, 1e-3);
    EXPECT_GT(Distance2D(start, end), 0.1);
    EXPECT_NEAR(WalkAngle(start, end), heading, 0.05);
    EXPECT_NEAR(end.y(), 0.3, 0.05);  // still standing on the ground
}

TEST_F(PlayTest, VirtualGamepadWalksWithTheLeftStickAndJumpsWithA)
{
    VirtualGamepad* pad = AttachVirtualGamepad();
    ASSERT_NE(pad, nullptr);
    RunFor(1.0);
    ASSERT_TRUE(app.input.gamepads[0].connected);

    const float heading = app.camera.heading;
    const btVector3 start = PlayerOrigin();
    PadState state;
    state.thumbLY = 32767;  // stick fully up: forward at walking speed
    SetVirtualGamepadState(pad, state);
    RunFor(0.3);
    const btVector3 velocity = PlayerVelocity();
    state.thumbLY = 0;
    SetVirtualGamepadState(pad, state);
    RunFrame();
    const btVector3 walked = PlayerOrigin();

    // 32767 is a hair short of full deflection: 0.99997 of walking speed.
    EXPECT_NEAR(std::hypot(velocity.x(), velocity.z()), 2.0, 1e-3);
    EXPECT_NEAR(std::atan2(velocity.z(), velocity.x()), heading, 1e-3);
    EXPECT_GT(Distance2D(start, walked), 0.1);

    state.buttons = PAD_A;
    SetVirtualGamepadState(pad, state);
    float fastestRise = 0.0f;
    const double end = ClockMilliseconds() + 300.0;
    while (ClockMilliseconds() < end) {
        RunFrame();
        fastestRise = std::max(fastestRise, static_cast<float>(PlayerVelocity().y()));
    }
    EXPECT_GT(fastestRise, 4.5f);  // the jump sets 5 m/s upwards; gravity takes a little each sub-step
    EXPECT_GT(PlayerOrigin().y(), walked.y() + 0.05);
    state.buttons = 0;
    SetVirtualGamepadState(pad, state);
    DetachVirtualGamepad(pad);
}
