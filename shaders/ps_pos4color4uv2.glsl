#version 330 core
// Textured materials: the vertex colour times the texture (shader resource 0
// with sampler 0), written with premultiplied alpha.

uniform sampler2D t0;

in vec4 vertexColor;
in vec2 vertexUv;

out vec4 target;

void main() {
  vec4 color = vertexColor * texture(t0, vertexUv);
  target = vec4(color.rgb * color.a, color.a);
}
