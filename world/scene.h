// The initial scene: the wall, the three moving platforms and the four
// falling cubes added after InitPhysics. Owns nothing; the entities belong to
// the World. Runs once per World.
#pragma once

struct World;

// Appends entries 2 to 9 of the scene to world.entities, in their fixed order.
// Requires InitPhysics to have run on world.
void BuildInitialScene(World& world);
