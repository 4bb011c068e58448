#include "render/scene.h"

#include <cassert>

#include "core/settings.h"
#include "gfx/graphics.h"
#include "render/primitives.h"
#include "world/entity.h"
#include "world/world.h"

namespace {

// Bullet's activation states as getActivationState reports them.
constexpr int kActiveTag = 1;
constexpr int kIslandSleeping = 2;
constexpr int kWantsDeactivation = 3;

const Float4 kWhite = {1.0f, 1.0f, 1.0f, 1.0f};
const Float4 kPlatformColor = {2.0f, 1.0f, 1.0f, 1.0f};
const Float4 kActiveColor = {0.9f, 1.1f, 2.0f, 1.0f};
const Float4 kWantsDeactivationColor = {1.0f, 0.0f, 0.0f, 1.0f};
const Float4 kPlayerGroundColor = {0.0f, 1.0f, 0.0f, 1.0f};
const Float4 kPlayerAirborneColor = {1.0f, 1.1f, 1.5f, 1.0f};
const Float3 kPlayerHalfExtents = {0.15f, 0.3f, 0.15f};

Float4 EntityColor(const Entity& entity)
{
    if (entity.kind == Wall)
        return kWhite;
    if (entity.kind == Platform)
        return kPlatformColor;
    switch (entity.body->getActivationState()) {
    case kActiveTag:
        return kActiveColor;
    case kIslandSleeping:
        return kWhite;
    case kWantsDeactivation:
        return kWantsDeactivationColor;
    default:
        return kWhite;
    }
}

Matrix4 MotionStateMatrix(const Entity& entity)
{
    assert(entity.motionState && "every entity has a motion state");
    btTransform transform;
    entity.motionState->getWorldTransform(transform);
    return MatrixFromTransform(transform);
}

}  // namespace

void BeginFrame(GraphicsContext& graphics)
{
    const float clearColor[4] = {0.0f, 0.2f, 0.4f, 0.0f};
    ClearRenderTarget(graphics.context, graphics.renderTargetView, clearColor);
    ClearDepth(graphics.context, graphics.depthStencilView, 1.0f);
    SetVertexBuffer(graphics.context, 0, graphics.vertexBuffer, sizeof(Vertex), 0);
    SetIndexBuffer(graphics.context, graphics.indexBuffer, GfxFormat::R32Uint, 0);
    SetConstantBuffer(graphics.context, 0, graphics.constantBuffer);
}

void DrawEntities(GraphicsContext& graphics, const World& world, bool playerAirborne)
{
    assert(world.playerEntity && "the player exists once the physics world is built");
    SetVertexBuffer(graphics.context, 0, graphics.vertexBuffer, sizeof(Vertex), 0);
    SetDepthStencilState(graphics.context, graphics.depthEnabledState, 1);
    BindShaderProgram(graphics, graphics.testShader);

    for (const Entity* entity : world.entities) {
        assert(entity && "entities holds no null entries");
        if (entity->kind == Player)
            continue;
        graphics.objectWorld = MotionStateMatrix(*entity);
        const Float3 halfExtents = {entity->shapeParams[0], entity->shapeParams[1], entity->shapeParams[2]};
        DrawBox(graphics, halfExtents, EntityColor(*entity), kWhite);
        graphics.objectWorld = graphics.identityWorld;
    }

    graphics.objectWorld = MotionStateMatrix(*world.playerEntity);
    DrawBox(graphics, kPlayerHalfExtents, playerAirborne ? kPlayerAirborneColor : kPlayerGroundColor, kWhite);
}

void PresentFrame(GraphicsContext& graphics, const Settings& settings)
{
    if (settings.vSync)
        Present(graphics.swapChain, 1, false);
    else
        Present(graphics.swapChain, 0, true);
}
