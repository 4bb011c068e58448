// Flat colour for 2D and overlay passes: the vertex colour times the tint.

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
    output.position = mul(mul(mul(float4(input.position, 1.0), world), view), projection);
    output.color = input.color * tint;
    return output;
}

float4 PShader(PixelIn input) : SV_TARGET
{
    return input.color;
}
