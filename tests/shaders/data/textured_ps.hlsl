// The interpolated colour times a texture sample.
Texture2D picture : register(t0);
SamplerState linearWrap : register(s0);

float4 main(float4 position : SV_Position, float4 color : COLOR,
            float2 uv : TEXCOORD) : SV_Target {
  float4 texel = picture.Sample(linearWrap, uv) * color;
  return float4(texel.rgb * texel.a, texel.a);
}
