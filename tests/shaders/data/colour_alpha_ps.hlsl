// One colour from constant buffer 0, premultiplied. The variable's name is
// this long so that the blob after its 20-byte header is whole 64-byte
// blocks: the digest's last block then holds no data.
cbuffer Material : register(b0) {
  float4 materialDiffuseColourWithAlpha;
};

float4 main() : SV_Target {
  return float4(materialDiffuseColourWithAlpha.rgb * materialDiffuseColourWithAlpha.a, materialDiffuseColourWithAlpha.a);
}
