// A point times a world-view-projection matrix from constant buffer 0.
cbuffer Camera : register(b0) {
  float4x4 worldViewProjection;
  float4 tint;
};

struct Output {
  float4 position : SV_Position;
  float4 color : COLOR;
  float2 uv : TEXCOORD;
};

Output main(float4 position : POSITION, float2 uv : TEXCOORD) {
  Output output;
  output.position = mul(position, worldViewProjection);
  output.color = tint;
  output.uv = uv;
  return output;
}
