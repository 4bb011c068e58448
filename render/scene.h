// Scene rendering: preparing the frame's targets, drawing every entity as a
// coloured box, and presenting. Owns no graphics objects and keeps no state;
// it writes objectWorld of the GraphicsContext and the shared buffers.
#pragma once

struct GraphicsContext;
struct Settings;
struct World;

// Clears the back buffer to (0, 0.2, 0.4, 0) and depth to 1.0, then binds the
// shared vertex, index and constant buffers. Last step of every update.
void BeginFrame(GraphicsContext& graphics);

// Draws every entity but the player as a box of its shapeParams half extents,
// coloured by kind (Wall, Platform) or else by the body's activation state,
// then the player as a (0.15, 0.3, 0.15) box, green on the ground and pale
// blue in the air. objectWorld is left as the player's transform.
void DrawEntities(GraphicsContext& graphics, const World& world, bool playerAirborne);

// Shows the finished back buffer: sync interval 1 with VSync, otherwise 0
// without waiting. The result is ignored.
void PresentFrame(GraphicsContext& graphics, const Settings& settings);
