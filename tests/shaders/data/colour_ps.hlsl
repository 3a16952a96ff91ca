// One colour from constant buffer 0, premultiplied. The variable's name is
// this long so that the blob after its 20-byte header ends 56 bytes into a
// 64-byte block: the digest then pads into a block of its own.
cbuffer Material : register(b0) {
  float4 materialDiffuseColour;
};

float4 main() : SV_Target {
  return float4(materialDiffuseColour.rgb * materialDiffuseColour.a, materialDiffuseColour.a);
}
