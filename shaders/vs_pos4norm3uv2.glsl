#version 330 core
// Skinned, lit vertex of every material, and of the edge pass.
//
// Constant buffers (std140, laid out byte for byte as the program writes
// them; a matrix buffer holds the transpose of a row-vector matrix, which
// GLSL reads column-major as the matrix itself, so points multiply on the
// left: p * m):
//   cb0  camera: view matrix, light direction (towards the light), light colour
//   cb1  projection matrix
//   cb2  world matrix
//   cb3  skinning: per bone three vec4, the columns of inverse-bind x world;
//        read as a mat3x4, p * bones[i] gives the skinned point. Bone numbers
//        are 8 bits, so 256 bones are all a vertex can address.
//   cb4  material: ambient, diffuse (alpha in w), specular (power in w),
//        effects, edge colour, edge width (see the block)
// The output position is in Direct3D clip space (depth 0 to w) turned into
// OpenGL's (depth -w to w).

layout(std140) uniform cb0 {
  mat4 view;
  vec4 lightDirection;
  vec4 lightColor;
};
layout(std140) uniform cb1 {
  mat4 projection;
};
layout(std140) uniform cb2 {
  mat4 world;
};
layout(std140) uniform cb3 {
  mat3x4 bones[256];
};
layout(std140) uniform cb4 {
  vec4 ambient;
  vec4 diffuse;
  vec4 specular;
  // x sphere mode (1 multiply, 2 add, 3 sub-texture), y 1: toon ramp,
  // z 1: specular after the textures, w 1: edge pass
  vec4 effects;
  vec4 edgeColor;
  // xy: a pixel in clip-space units times the edge size; zw: half the
  // target's size in pixels
  vec4 edgeWidth;
};

in vec4 POSITION;  // w: the vertex's edge scale
in vec3 NORMAL;
in uvec4 BONEINDEXES;
in uvec4 BONEWEIGHTS;  // 1/255 units
in vec2 TEXCOORD;
in vec4 TEXCOORD1;  // the first additional UV set: a sub-texture's coordinates in xy

const float kDiffuseLight = 0.6;

out vec4 vertexColor;
out vec4 vertexUv;  // xy the texture's coordinates, zw the sub-texture's
out vec3 vertexLookup;    // sphere map u, v; toon ramp v
out vec3 vertexSpecular;  // added after the textures

void main() {
  vec4 rest = vec4(POSITION.xyz, 1.0);
  vec3 position = vec3(0.0);
  vec3 normal = vec3(0.0);
  float total = 0.0;
  for (int i = 0; i < 4; ++i) {
    float weight = float(BONEWEIGHTS[i]);
    if (weight == 0.0) continue;
    mat3x4 bone = bones[BONEINDEXES[i]];
    position += weight * (rest * bone);
    normal += weight * (vec4(NORMAL, 0.0) * bone);
    total += weight;
  }
  // Four-bone weights may add up to a little less than 255: the blend is
  // taken over what they do add up to. A vertex without weights stays put.
  if (total > 0.0) {
    position /= total;
  } else {
    position = rest.xyz;
    normal = NORMAL;
  }

  vec4 worldPosition = vec4(position, 1.0) * world;
  vec4 viewPosition = worldPosition * view;
  vec4 clip = viewPosition * projection;

  vec3 n = (vec4(normal, 0.0) * world * view).xyz;
  float nLength = length(n);
  n = nLength > 0.0 ? n / nLength : vec3(0.0, 0.0, -1.0);
  vertexUv = vec4(TEXCOORD, TEXCOORD1.xy);

  if (effects.w > 0.0) {
    // Edge pass: the back faces pushed outward across the screen by the
    // edge width in pixels, whatever the distance, so that they show as a
    // line around the silhouette. The direction is where moving the point
    // along its normal moves it on screen. The depth is that of the point
    // moved along its normal by as much as crosses that width sideways: a
    // back face seen from inside (a skirt's lining) then sinks behind its
    // own surface instead of covering it, while at the silhouette, where
    // the normal is across the view, the depth hardly changes.
    vec4 normalClip = vec4(n, 0.0) * projection;
    vec2 across = (normalClip.xy * clip.w - clip.xy * normalClip.w) * edgeWidth.zw;
    float acrossLength = length(across);
    vec2 shift = acrossLength > 0.0 ? across / acrossLength * edgeWidth.xy * POSITION.w : vec2(0.0);
    float along = edgeWidth.x * POSITION.w * clip.w / projection[0][0];
    vec4 moved = clip + along * normalClip;
    clip = vec4((clip.xy / clip.w + shift) * moved.w, moved.z, moved.w);
    gl_Position = vec4(clip.x, clip.y, 2.0 * clip.z - clip.w, clip.w);
    vertexColor = clamp(edgeColor, 0.0, 1.0);
    vertexLookup = vec3(0.0);
    vertexSpecular = vec3(0.0);
    return;
  }
  gl_Position = vec4(clip.x, clip.y, 2.0 * clip.z - clip.w, clip.w);

  // Lighting in view space. Model data pairs a diffuse colour with an
  // ambient colour of about half of it, made for a light of 60% of full
  // strength: a surface facing the light then shows about its diffuse
  // colour, and one facing away its ambient colour. Half-Lambert shading
  // keeps the turned-away side from going flat, and Blinn-Phong highlights
  // come on top. A toon material takes its shading from its ramp instead,
  // looked up by how much the surface faces the light.
  vec3 l = (vec4(lightDirection.xyz, 0.0) * view).xyz;
  float lLength = length(l);
  l = lLength > 0.0 ? l / lLength : vec3(0.0, 0.0, -1.0);
  float facing = dot(n, l);
  float lambert = effects.y > 0.0 ? 1.0 : 0.5 + 0.5 * facing;
  vec3 color = ambient.rgb + diffuse.rgb * lightColor.rgb * (kDiffuseLight * lambert);
  vec3 highlight = vec3(0.0);
  if (specular.w > 0.0) {
    vec3 toEye = -viewPosition.xyz;
    float eyeLength = length(toEye);
    vec3 halfway = normalize(l + (eyeLength > 0.0 ? toEye / eyeLength : vec3(0.0, 0.0, -1.0)));
    highlight = specular.rgb * lightColor.rgb * pow(max(dot(n, halfway), 0.0), specular.w);
  }
  if (effects.z > 0.0) {
    vertexSpecular = highlight;
  } else {
    color += highlight;
    vertexSpecular = vec3(0.0);
  }
  vertexColor = clamp(vec4(color, diffuse.a), 0.0, 1.0);
  // A sphere map is a picture of a lit ball: the view-space normal picks
  // the point of it, up at the top. The toon ramp is lit at the top too.
  vertexLookup = vec3(0.5 + 0.5 * n.x, 0.5 - 0.5 * n.y, 0.5 - 0.5 * facing);
}
