// Window, GL context and display queries under the offscreen video driver.
#include "platform/window.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace {

using GetStringFn = const unsigned char* (*)(unsigned int);
constexpr unsigned int kGlVersion = 0x1F02;

class WindowTest : public testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(InitPlatform()); }
};

TEST_F(WindowTest, HiddenWindowGetsCurrentCoreContextAndSurvivesDestroy)
{
    WindowDesc desc;
    desc.width = 320;
    desc.height = 200;
    desc.visible = false;
    PlatformWindow* window = CreatePlatformWindow(desc);
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(PlatformWindowExists(window));

    int32_t width = 0, height = 0;
    GetWindowDrawableSize(window, &width, &height);
    EXPECT_EQ(width, 320);
    EXPECT_EQ(height, 200);

    PlatformGLContext* context = CreateGLContext(window);
    ASSERT_NE(context, nullptr);
    auto getString = reinterpret_cast<GetStringFn>(GetGLProcAddress("glGetString"));
    ASSERT_NE(getString, nullptr);
    const char* version = reinterpret_cast<const char*>(getString(kGlVersion));
    ASSERT_NE(version, nullptr);
    EXPECT_GE(version[0], '3') << version;
    SetSwapInterval(0);
    SwapWindowBuffers(window);

    // Destroyed while the context lives: the handle reports it gone, queries
    // answer zero and presenting is a no-op, but GL still answers.
    DestroyPlatformWindow(window);
    EXPECT_FALSE(PlatformWindowExists(window));
    GetWindowDrawableSize(window, &width, &height);
    EXPECT_EQ(width, 0);
    EXPECT_EQ(height, 0);
    SwapWindowBuffers(window);
    EXPECT_NE(getString(kGlVersion), nullptr);
    DestroyGLContext(context);
    DestroyPlatformWindow(window);
    EXPECT_FALSE(PlatformWindowExists(window));
}

TEST_F(WindowTest, RefusesSizesNoWindowCanHave)
{
    const int32_t sizes[][2] = {{0, 100}, {100, 0}, {-5, 100}, {100, -1}, {40000, 100}, {100, 2147483647}};
    for (const auto& size : sizes) {
        WindowDesc desc;
        desc.width = size[0];
        desc.height = size[1];
        desc.visible = false;
        EXPECT_EQ(CreatePlatformWindow(desc), nullptr) << size[0] << "x" << size[1];
    }
}

TEST_F(WindowTest, UnknownHandlesAreNotWindows)
{
    EXPECT_FALSE(PlatformWindowExists(nullptr));
    int stackValue = 0;
    EXPECT_FALSE(PlatformWindowExists(reinterpret_cast<PlatformWindow*>(&stackValue)));
}

TEST_F(WindowTest, DesktopAndModesDescribeDisplayZero)
{
    const DesktopRect rect = GetDesktopRect();
    EXPECT_EQ(rect.left, 0);
    EXPECT_EQ(rect.top, 0);
    EXPECT_GT(rect.right, 0);
    EXPECT_GT(rect.bottom, 0);

    std::vector<DisplayMode> modes;
    ASSERT_TRUE(GetDisplayModes(modes));
    ASSERT_FALSE(modes.empty());
    for (const DisplayMode& mode : modes) {
        EXPECT_GT(mode.width, 0u);
        EXPECT_GT(mode.height, 0u);
        EXPECT_EQ(mode.refreshDenominator, 1u);
    }
}

TEST_F(WindowTest, CursorConfinementOffscreenIsHarmless)
{
    WindowDesc desc;
    desc.width = 64;
    desc.height = 64;
    desc.visible = false;
    PlatformWindow* window = CreatePlatformWindow(desc);
    ASSERT_NE(window, nullptr);
    HideAndConfineCursor(window);
    HideAndConfineCursor(nullptr);
    ShowPlatformWindow(window, 1);
    ShowPlatformWindow(window, 0);
    DestroyPlatformWindow(window);
}

}  // namespace
