#version 330 core
// Untextured materials: the vertex colour, written with premultiplied alpha.

in vec4 vertexColor;
in vec2 vertexUv;

out vec4 target;

void main() {
  target = vec4(vertexColor.rgb * vertexColor.a, vertexColor.a);
}
