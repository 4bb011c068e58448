// Immediate-mode drawing primitives: 2D lines, thick lines, rectangles,
// outlines and ellipses in overlay space, 3D lines and boxes, and the grid
// pass. Each call fills the shared dynamic buffers of the GraphicsContext from
// the start and issues one draw; nothing is batched, cached or allocated, and
// no call reports a failure (a failed map skips that copy, the draw still goes out).
#pragma once

#include <cstdint>

#include "core/matrix.h"

struct GraphicsContext;

// Overlay space: back-buffer pixels, origin at the back buffer's centre, x to
// the right, y downwards. 2D primitives negate every y they are given and draw
// with overlayView / overlayProjection. 3D primitives draw with cameraView /
// cameraProjection. Colours are r, g, b, a in x, y, z, w; tint goes to the
// constants and multiplies the vertex colour in the shaders.
//
// Pass set-up is the caller's: the vertex buffer, a depth-stencil state and a
// shader program are bound before any primitive is drawn. Primitives set only
// the topology and the constants.

// Writes Transpose(world), Transpose(view), Transpose(projection) and tint to
// constantBuffer with a whole-buffer discard. Returns the map's result; on a
// failed map nothing is written.
int32_t UpdateDrawConstants(GraphicsContext& graphics, const Matrix4& world, const Matrix4& view,
                            const Matrix4& projection, Float4 tint);

// A one-pixel line from (x1, y1) to (x2, y2), color1 at the start, color2 at the end.
void DrawLine2D(GraphicsContext& graphics, float x1, float y1, float x2, float y2, Float4 color1,
                Float4 color2, Float4 tint);

// A quad thickness wide centred on the segment (x1, y1)-(x2, y2), ending
// exactly at the end points. Equal end points draw nothing visible.
void DrawThickLine2D(GraphicsContext& graphics, float thickness, float x1, float y1, float x2, float y2,
                     Float4 color1, Float4 color2, Float4 tint);

// (x, y) is the lower-left corner on screen: the rectangle spans x..x+width
// across and y-height..y down the screen. Exactly one negative size turns the
// triangles counter-clockwise (culled); two negative sizes reflect the
// rectangle through (x, y).
void FillRect2D(GraphicsContext& graphics, float width, float height, float x, float y, Float4 color,
                Float4 tint);

// Four thick lines centred on the border of the FillRect2D rectangle, each
// running thickness/2 past both corners so the corners are filled.
void DrawRectOutline2D(GraphicsContext& graphics, float width, float height, float x, float y,
                       float thickness, Float4 color, Float4 tint);

// A 40-sided fan centred at (centreX, centreY) with circumradii radiusX
// across and radiusY down; a negative radius along one axis is culled.
void FillEllipse2D(GraphicsContext& graphics, float radiusX, float radiusY, float centreX, float centreY,
                   Float4 color, Float4 tint);

// A 3D line in world space, drawn with identityWorld.
void DrawLine3D(GraphicsContext& graphics, Float3 p1, Float3 p2, Float4 color1, Float4 color2, Float4 tint);

// A solid box with the given half extents, centred on the origin of
// objectWorld, which the caller sets beforehand and which is left unchanged.
void DrawBox(GraphicsContext& graphics, float halfX, float halfY, float halfZ, Float4 color, Float4 tint);
void DrawBox(GraphicsContext& graphics, Float3 halfExtents, Float4 color, Float4 tint);

// The grid pass: binds the vertex buffer, depthEnabledState and testShader,
// then draws a black 4 x 4 square on y = 0 split into four cells and a
// half-unit post at the origin.
void DrawGrid(GraphicsContext& graphics);
