// Shaded 3D geometry. Each face is lit by one directional light using a
// normal rebuilt from the screen-space derivatives of the view-space
// position; lines have no area, their derivatives give no normal, and they
// are drawn unlit. Colours above 1 are scaled back so their brightest
// channel is 1, which keeps the hue: (2, 1, 1) reads as a warm red.

cbuffer DrawConstants : register(b0)
{
    float4x4 world;
    float4x4 view;
    float4x4 projection;
    float4 tint;
};

struct VertexIn
{
    float3 position : POSITION;
    float4 color : COLOR;
};

struct PixelIn
{
    float4 position : SV_POSITION;
    float4 color : COLOR;
    float3 viewPosition : VIEWPOS;
    float3 lightDirection : LIGHTDIR;
};

// Direction the light travels, in world space: down, forward and to the right.
static const float3 worldLightDirection = float3(0.35, -0.8, 0.5);
static const float ambient = 0.45;

PixelIn VShader(VertexIn input)
{
    PixelIn output;
    float4 viewPosition = mul(mul(float4(input.position, 1.0), world), view);
    output.position = mul(viewPosition, projection);
    output.color = input.color * tint;
    output.viewPosition = viewPosition.xyz;
    output.lightDirection = mul(float4(worldLightDirection, 0.0), view).xyz;
    return output;
}

float4 PShader(PixelIn input) : SV_TARGET
{
    float peak = max(max(input.color.r, input.color.g), max(input.color.b, 1.0));
    float3 color = input.color.rgb / peak;

    float3 dx = ddx(input.viewPosition);
    float3 dy = ddy(input.viewPosition);
    float3 normal = cross(dx, dy);
    float area = length(normal);
    float light = 1.0;
    // A sliver whose derivatives are (nearly) parallel has no face: unlit.
    if (area > 1e-4 * length(dx) * length(dy) && area > 1e-20)
    {
        normal /= area;
        // The visible side faces the eye at the view-space origin. Orienting
        // by the direction to the eye (not by the view axis) stays stable on
        // faces seen edge-on, and makes the result independent of ddy's sign.
        if (dot(normal, input.viewPosition) > 0.0)
            normal = -normal;
        float facing = saturate(dot(normal, -normalize(input.lightDirection)));
        light = ambient + (1.0 - ambient) * facing;
    }
    return float4(color * light, saturate(input.color.a));
}
