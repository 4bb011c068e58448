// Scene rendering on a real offscreen device with a real physics world:
// frame preparation, entity colours by kind and activation state, the player
// box, and presenting.
#include "render_fixture.h"

#include <algorithm>
#include <string>
#include <utility>

#include "world/entity.h"
#include "world/world.h"

namespace {

const Float4 kWhiteTint = {1.0f, 1.0f, 1.0f, 1.0f};

// The hue of a lit pixel: each channel over the brightest one. The 3D
// shader lights faces and scales colours above 1 back to a peak of 1, so a
// colour is recognised by its channel ratios, not its brightness.
struct Hue {
    double r, g, b;
};

Hue HueOf(const Rgba& c)
{
    const double peak = std::max({c.r, c.g, c.b, 1});
    return Hue{c.r / peak, c.g / peak, c.b / peak};
}

Hue HueOf(Float4 colour)
{
    const double peak = std::max({colour.x, colour.y, colour.z});
    return Hue{colour.x / peak, colour.y / peak, colour.z / peak};
}

void ExpectHue(const Rgba& pixel, Float4 expected, const char* what)
{
    const Hue got = HueOf(pixel), want = HueOf(expected);
    EXPECT_NEAR(got.r, want.r, 0.03) << what << " " << pixel;
    EXPECT_NEAR(got.g, want.g, 0.03) << what << " " << pixel;
    EXPECT_NEAR(got.b, want.b, 0.03) << what << " " << pixel;
}

class SceneTest : public RenderTest {
protected:
    World world;
    int32_t cameraTargetIndex = 0;

    void SetUp() override
    {
        RenderTest::SetUp();
        ASSERT_EQ(InitPhysics(world, nullptr, cameraTargetIndex), 0);
    }

    void TearDown() override { ReleaseWorld(world); }

    Entity* AddBox(EntityKind kind, float x, float y, float z, float half = 0.5f)
    {
        return CreateEntity(world, kind, Box, kind == Dynamic ? 1.0f : 0.0f, half, half, half,
                            CreateMotionState(x, y, z));
    }

    void MovePlayer(float x, float y, float z)
    {
        btTransform transform = btTransform::getIdentity();
        transform.setOrigin(btVector3(x, y, z));
        world.playerEntity->motionState->setWorldTransform(transform);
    }

    // Pixel of world point (x, y, z) seen from the start camera: eye
    // (0, 0, -1) looking along +z, vertical field of view pi/4.
    Rgba Seen(double x, double y, double z)
    {
        const double h = 2.414213562373095, w = h / (static_cast<double>(kWidth) / kHeight);
        const double depth = z + 1.0;
        const double column = kWidth / 2.0 * (1.0 + x * w / depth);
        const double row = kHeight / 2.0 * (1.0 - y * h / depth);
        return device.At(static_cast<int>(column), static_cast<int>(row));
    }
};

}  // namespace

TEST_F(SceneTest, EntityColourFollowsKindThenActivationState)
{
    struct Case {
        const char* name;
        EntityKind kind;
        int activationState;
        Float4 colour;
    };
    const Case cases[] = {
        {"wall", Wall, 1, {1.0f, 1.0f, 1.0f, 1.0f}},
        {"platform, whatever its state", Platform, 2, {2.0f, 1.0f, 1.0f, 1.0f}},
        {"active", Dynamic, 1, {0.9f, 1.1f, 2.0f, 1.0f}},
        {"sleeping", Dynamic, 2, {1.0f, 1.0f, 1.0f, 1.0f}},
        {"wants deactivation", Dynamic, 3, {1.0f, 0.0f, 0.0f, 1.0f}},
        {"deactivation disabled", Dynamic, 4, {1.0f, 1.0f, 1.0f, 1.0f}},
        {"simulation disabled", Dynamic, 5, {1.0f, 1.0f, 1.0f, 1.0f}},
    };
    const int count = static_cast<int>(sizeof(cases) / sizeof(cases[0]));
    // A row of unit cubes 14 units in front of the camera, 1.5 apart.
    auto xOf = [&](int i) { return (i - (count - 1) / 2.0f) * 1.5f; };
    for (int i = 0; i < count; ++i) {
        Entity* entity = AddBox(cases[i].kind, xOf(i), 0.0f, 14.0f);
        entity->body->forceActivationState(cases[i].activationState);
    }
    MovePlayer(0.0f, -3.0f, 14.0f);

    DrawEntities(graphics, world, false);
    device.ReadBack();
    for (int i = 0; i < count; ++i)
        ExpectHue(Seen(xOf(i), 0.0, 13.5), cases[i].colour, cases[i].name);
    ExpectHue(Seen(0.0, -3.0, 13.85), {0.0f, 1.0f, 0.0f, 1.0f}, "player on the ground");
    // Every face the camera sees was drawn with the depth test on and lit:
    // the front faces are not black and not the clear colour.
    EXPECT_GT(Seen(xOf(0), 0.0, 13.5).r, 60);
}

TEST_F(SceneTest, PlayerIsDrawnLastWithItsOwnSizeAndAirborneColour)
{
    // The player's own shape parameters are not used for its box: make them
    // large enough to show if they were.
    world.playerEntity->shapeParams[0] = 2.0f;
    world.playerEntity->shapeParams[1] = 2.0f;
    MovePlayer(0.0f, 0.0f, 4.0f);
    // A wall behind the player, which the player's box must hide.
    AddBox(Wall, 0.0f, 0.0f, 8.0f, 1.0f);

    DrawEntities(graphics, world, true);
    device.ReadBack();

    ExpectHue(Seen(0.0, 0.0, 3.85), {1.0f, 1.1f, 1.5f, 1.0f}, "airborne player");
    ExpectHue(Seen(0.0, 0.25, 3.85), {1.0f, 1.1f, 1.5f, 1.0f}, "inside the half height 0.3");
    ExpectHue(Seen(0.0, 0.45, 3.85), {1.0f, 1.0f, 1.0f, 1.0f}, "above the player: the wall");
    ExpectHue(Seen(0.3, 0.0, 3.85), {1.0f, 1.0f, 1.0f, 1.0f}, "beside the half width 0.15");
    EXPECT_TRUE(IsClearColourPixel(Seen(0.0, 1.6, 7.0)));

    const Matrix4 expected = Translation(0.0f, 0.0f, 4.0f);
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c)
            EXPECT_EQ(graphics.objectWorld.m[r][c], expected.m[r][c]) << "objectWorld row " << r;
}

TEST_F(SceneTest, EntityBoxFollowsTheMotionStateRotation)
{
    // A slab 2 wide and 0.2 tall turned a quarter turn about z stands upright.
    Entity* slab = CreateEntity(world, Wall, Box, 0.0f, 1.0f, 0.1f, 0.5f, CreateMotionState(0, 0, 6));
    btTransform transform = btTransform::getIdentity();
    transform.setRotation(btQuaternion(btVector3(0, 0, 1), SIMD_HALF_PI));
    transform.setOrigin(btVector3(0, 0, 6));
    slab->motionState->setWorldTransform(transform);
    MovePlayer(0.0f, -50.0f, 4.0f);

    DrawEntities(graphics, world, false);
    device.ReadBack();
    EXPECT_FALSE(IsClearColourPixel(Seen(0.0, 0.8, 5.5))) << "upright: covers y 0.8";
    EXPECT_TRUE(IsClearColourPixel(Seen(0.8, 0.0, 5.5))) << "upright: does not reach x 0.8";
}

TEST_F(SceneTest, BeginFrameClearsColourAndDepth)
{
    // A near box fills colour and depth; after BeginFrame a farther box
    // must appear where the near one was.
    device.BeginOverlayPass();
    FillRect2D(graphics, kWidth, kHeight, -kWidth / 2.0f, kHeight / 2.0f, {1.0f, 1.0f, 1.0f, 1.0f},
               kWhiteTint);
    SetDepthStencilState(graphics.context, graphics.depthEnabledState, 1);
    graphics.objectWorld = Translation(0.0f, 0.0f, 1.0f);
    DrawBox(graphics, 0.2f, 0.2f, 0.2f, {1.0f, 1.0f, 1.0f, 1.0f}, kWhiteTint);

    BeginFrame(graphics);
    device.ReadBack();
    for (int y = 0; y < kHeight; y += 5)
        for (int x = 0; x < kWidth; x += 5)
            ASSERT_TRUE(IsClearColourPixel(device.At(x, y))) << x << ", " << y;

    device.BeginOverlayPass();
    SetDepthStencilState(graphics.context, graphics.depthEnabledState, 1);
    graphics.objectWorld = Translation(0.0f, 0.0f, 9.0f);
    DrawBox(graphics, 1.0f, 1.0f, 1.0f, {1.0f, 0.0f, 0.0f, 1.0f}, kWhiteTint);
    device.ReadBack();
    EXPECT_TRUE(Near(device.At(kWidth / 2, kHeight / 2), 255, 0, 0, 255));
}

TEST_F(SceneTest, PresentLeavesTheFrameAndTheDeviceUsable)
{
    Settings settings = device.settings;
    for (bool vSync : {false, true}) {
        settings.vSync = vSync;
        BeginFrame(graphics);
        DrawGrid(graphics);
        PresentFrame(graphics, settings);
        BeginFrame(graphics);
        device.ReadBack();
        EXPECT_TRUE(IsClearColourPixel(device.At(3, 3))) << vSync;
    }
}

TEST_F(SceneTest, CubeComingToRestTurnsFromActiveThroughRedToWhite)
{
    // A cube dropped onto the ground, drawn after every simulation sub-step
    // (wanting deactivation lasts one sub-step before the island sleeps):
    // its colour runs active -> wants deactivation -> sleeping, each once.
    Entity* cube =
        CreateEntity(world, Dynamic, Box, 10.0f, 0.3f, 0.3f, 0.3f, CreateMotionState(0.0f, 0.6f, 5.0f));
    btTransform away = btTransform::getIdentity();
    away.setOrigin(btVector3(0, 0.3f, -20));
    // The player stands on the ground behind the camera.
    btRigidBody* player = world.playerEntity->body;
    player->setWorldTransform(away);
    player->setInterpolationWorldTransform(away);
    world.playerEntity->motionState->setWorldTransform(away);

    const Float4 active = {0.9f, 1.1f, 2.0f, 1.0f}, red = {1.0f, 0.0f, 0.0f, 1.0f},
                 white = {1.0f, 1.0f, 1.0f, 1.0f};
    auto classify = [&](const Rgba& pixel) {
        const Hue hue = HueOf(pixel);
        for (const auto& [name, colour] : {std::pair<char, Float4>{'A', active}, {'R', red}, {'W', white}}) {
            const Hue want = HueOf(colour);
            if (std::abs(hue.r - want.r) < 0.05 && std::abs(hue.g - want.g) < 0.05 &&
                std::abs(hue.b - want.b) < 0.05)
                return name;
        }
        return '?';
    };

    std::string sequence;
    for (int frame = 0; frame < 1200 && (sequence.empty() || sequence.back() != 'W'); ++frame) {
        StepPhysics(world, kFixedSubStep);
        BeginFrame(graphics);
        DrawEntities(graphics, world, false);
        device.ReadBack();
        btTransform transform;
        cube->motionState->getWorldTransform(transform);
        const btVector3 at = transform.getOrigin();
        const char seen = classify(Seen(at.x(), at.y(), at.z() - 0.3));
        if (sequence.empty() || sequence.back() != seen)
            sequence.push_back(seen);
    }
    EXPECT_EQ(sequence, "ARW");
}
