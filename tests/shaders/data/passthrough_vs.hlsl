// A vertex that passes its position and colour through unchanged.
struct Vertex {
  float4 position : POSITION;
  float4 color : COLOR;
};

struct Output {
  float4 position : SV_Position;
  float4 color : COLOR;
};

Output main(Vertex input) {
  Output output;
  output.position = input.position;
  output.color = input.color;
  return output;
}
