#include "world/platforms.h"

#include <cassert>
#include <cmath>

#include "core/matrix.h"
#include "world/entity.h"
#include "world/world.h"

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kTwoPi = 2.0 * kPi;
constexpr double kPhaseRate = kPi / 2.0;  // radians per second: a full path every 4 s

// Indices of the three platforms in world.entities (fixed by the initial scene).
constexpr size_t kTurningPlatform = 3;
constexpr size_t kSlidingPlatform = 4;
constexpr size_t kBobbingPlatform = 5;

}  // namespace

void AnimatePlatforms(World& world, double dt)
{
    assert(world.entities.size() > kBobbingPlatform && "AnimatePlatforms needs the initial scene");
    if (world.entities.size() <= kBobbingPlatform) {
        return;
    }
    // A clock fault must not carry a NaN into the phase and from there into
    // every platform transform, nor move the phase backwards out of [0, 2 pi).
    if (!std::isfinite(dt) || dt < 0.0) {
        dt = 0.0;
    }
    world.platformPhase += dt * kPhaseRate;
    if (world.platformPhase >= kTwoPi) {
        world.platformPhase = 0.0;
    }

    const float phase = static_cast<float>(world.platformPhase);
    SetKinematicTransform(*world.entities[kTurningPlatform],
                          Multiply(RotationY(phase), Translation(0.0f, 0.5f, 0.0f)));

    const double s = std::sin(static_cast<double>(phase));
    SetKinematicTransform(*world.entities[kSlidingPlatform], Translation(3.0f, 1.0f, static_cast<float>(s)));
    SetKinematicTransform(*world.entities[kBobbingPlatform],
                          Translation(3.0f, static_cast<float>(1.0 - 0.5 * s), 2.0f));
}
