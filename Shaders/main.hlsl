// General-purpose program: the vertex colour times the tint, clamped to the
// displayable range so that colours above 1 keep their hue.

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
};

PixelIn VShader(VertexIn input)
{
    PixelIn output;
    float4 worldPosition = mul(float4(input.position, 1.0), world);
    output.position = mul(mul(worldPosition, view), projection);
    output.color = input.color * tint;
    return output;
}

float4 PShader(PixelIn input) : SV_TARGET
{
    float peak = max(max(input.color.r, input.color.g), max(input.color.b, 1.0));
    return float4(input.color.rgb / peak, saturate(input.color.a));
}
