// Animated platforms: entries 3, 4 and 5 of the scene move along fixed paths
// driven by the world's platformPhase (turn in place, slide along z, bob along
// y). Owns no entity; only the phase, kept in the World, persists.
#pragma once

struct World;

// Advances platformPhase by dt x pi/2 (dt in seconds; a negative or non-finite
// dt counts as 0), wraps it to exactly 0 at 2 pi and places the platforms.
// Requires at least 6 entities.
void AnimatePlatforms(World& world, double dt);
