#version 330 core
// Textured materials: the vertex colour times the texture (shader resource 0
// with sampler 0), then the sphere map or the sub-texture (resource 1), the
// toon ramp (resource 2) and the specular highlight as the material's effects
// ask (constant buffer 4), written with premultiplied alpha.

// The whole block, as the vertex shader declares it (stages share blocks).
layout(std140) uniform cb4 {
  vec4 ambient;
  vec4 diffuse;
  vec4 specular;
  vec4 effects;  // x sphere mode (1 multiply, 2 add, 3 sub-texture), y 1: toon
  vec4 edgeColor;
  vec4 edgeWidth;
};

uniform sampler2D t0;
uniform sampler2D t1;
uniform sampler2D t2;

in vec4 vertexColor;
in vec4 vertexUv;        // xy the texture's coordinates, zw the sub-texture's
in vec3 vertexLookup;    // sphere map u, v; toon ramp v
in vec3 vertexSpecular;

out vec4 target;

void main() {
  vec4 color = vertexColor * texture(t0, vertexUv.xy);
  if (effects.x == 1.0) color.rgb *= texture(t1, vertexLookup.xy).rgb;
  if (effects.x == 2.0) color.rgb += texture(t1, vertexLookup.xy).rgb;
  if (effects.x == 3.0) color *= texture(t1, vertexUv.zw);
  if (effects.y > 0.0) color.rgb *= texture(t2, vec2(0.5, vertexLookup.z)).rgb;
  color = clamp(vec4(color.rgb + vertexSpecular, color.a), 0.0, 1.0);
  target = vec4(color.rgb * color.a, color.a);
}
