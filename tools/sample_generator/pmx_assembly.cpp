// The figure as a PMX 2.0 record: UTF-16 texts, the writer's smallest index
// sizes, one deform kind per vertex by its bone count.
#include <algorithm>

#include "model/model.h"
#include "tools/sample_generator/assembly.h"

namespace brivonel::samples {
namespace {

Float3 F3(Vec3 v) { return {v.x, v.y, v.z}; }
Float4 F4(const Rgba& c) { return {c.r, c.g, c.b, c.a}; }
Float4 F4(const std::array<float, 4>& q) { return {q[0], q[1], q[2], q[3]}; }

PMXVertex ToPmxVertex(const FigureVertex& v) {
  PMXVertex out;
  out.position = F3(v.position);
  out.normal = F3(v.normal);
  out.uv = {v.uv.x, v.uv.y};
  out.edgeScale = 1.0f;
  const SkinWeights& s = v.skin;
  switch (s.count) {
    case 1:
      out.deformKind = kDeformBdef1;
      out.bones[0] = s.bones[0];
      break;
    case 2:
      out.deformKind = kDeformBdef2;
      out.bones[0] = s.bones[0];
      out.bones[1] = s.bones[1];
      out.weights[0] = s.weights[0];
      break;
    default:  // three or four bones; unused slots name bone 0 with no weight
      out.deformKind = kDeformBdef4;
      for (std::size_t k = 0; k < 4; ++k) {
        const bool used = static_cast<int>(k) < s.count;
        out.bones[k] = used ? s.bones[k] : 0;
        out.weights[k] = used ? s.weights[k] : 0.0f;
      }
      break;
  }
  return out;
}

// The index of a file name in the model's texture list, added when new.
std::int32_t TextureIndex(const std::string& file, std::vector<std::u16string>& textures) {
  const std::u16string name(file.begin(), file.end());  // ASCII file names
  auto found = std::find(textures.begin(), textures.end(), name);
  if (found == textures.end()) found = textures.insert(textures.end(), name);
  return static_cast<std::int32_t>(found - textures.begin());
}

PMXMaterial ToPmxMaterial(const FigureMaterial& m, std::vector<std::u16string>& textures) {
  PMXMaterial out;
  out.name = m.name;
  out.englishName = m.englishName;
  out.diffuse = F4(m.diffuse);
  out.specular = F3(m.specular);
  out.specularPower = m.specularPower;
  out.ambient = F3(m.ambient);
  out.drawFlags = kMaterialDoubleSided | kMaterialGroundShadow | kMaterialCastsSelfShadow |
                  kMaterialReceivesSelfShadow | (m.drawEdge ? kMaterialDrawsEdge : 0);
  // A dark brown line of one pixel.
  out.edgeColor = {0.2f, 0.1f, 0.1f, 1.0f};
  out.edgeSize = 1.0f;
  if (!m.texture.empty()) out.textureIndex = TextureIndex(m.texture, textures);
  if (!m.sphere.empty()) {
    out.sphereTextureIndex = TextureIndex(m.sphere, textures);
    out.sphereMode = static_cast<std::uint8_t>(m.sphere.ends_with(".spa") ? kSphereAdd : kSphereMultiply);
  }
  out.sharedToon = 1;
  out.toon = m.toonIndex;
  out.indexCount = static_cast<std::int32_t>(m.indexCount);
  return out;
}

PMXBone ToPmxBone(const FigureBone& b) {
  PMXBone out;
  out.name = b.name;
  out.englishName = b.englishName;
  out.position = F3(b.position);
  out.parent = b.parent;
  out.tailIsBone = b.tailBone >= 0;
  out.tailBone = b.tailBone;
  out.tailOffset = F3(b.tailOffset);
  out.rotatable = true;
  out.movable = b.movable;
  out.visible = b.visible;
  out.operable = true;
  out.ik = b.ikTarget >= 0;
  out.rotationGrant = b.grantParent >= 0;
  out.grantParent = b.grantParent;
  out.grantRate = b.grantRate;
  if (out.ik) {
    out.ikTarget = b.ikTarget;
    out.ikLoopCount = b.ikLoops;
    out.ikLimitAngle = b.ikLimit;
    out.ikLinkCount = static_cast<std::int32_t>(b.ikLinks.size());
    for (const IkLink& link : b.ikLinks)
      out.ikLinks.push_back({link.bone, link.limited, F3(link.lower), F3(link.upper)});
  }
  out.flags = static_cast<std::uint16_t>(
      (out.tailIsBone ? kBoneTailIsBone : 0) | kBoneRotatable | (out.movable ? kBoneMovable : 0) |
      (out.visible ? kBoneVisible : 0) | kBoneOperable | (out.ik ? kBoneIk : 0) |
      (out.rotationGrant ? kBoneRotationGrant : 0));
  return out;
}

PMXMorph ToPmxMorph(const FigureMorph& m) {
  PMXMorph out;
  out.name = m.name;
  out.englishName = m.englishName;
  out.panel = m.panel;
  out.kind = static_cast<std::int32_t>(m.kind);
  for (const VertexMorphOffset& o : m.vertexOffsets) out.vertexOffsets.push_back({o.vertex, F3(o.offset)});
  for (const UvMorphOffset& o : m.uvOffsets) out.uvOffsets.push_back({o.vertex, F4(o.offset)});
  for (const BoneMorphOffset& o : m.boneOffsets)
    out.boneOffsets.push_back({static_cast<std::uint32_t>(o.bone),
                               {o.translation.x, o.translation.y, o.translation.z, 0.0f}, F4(o.rotation)});
  for (const MaterialMorphOffset& o : m.materialOffsets) {
    PMXMaterialOffset p;
    p.materialIndex = static_cast<std::uint32_t>(o.material);  // -1 (all) as 0xFFFFFFFF
    p.operation = o.operation;
    p.diffuse = F4(o.diffuse);
    p.specular = F3(o.specular);
    p.specularPower = o.specularPower;
    p.ambient = F3(o.ambient);
    p.edgeColor = F4(o.edgeColor);
    p.edgeSize = o.edgeSize;
    p.textureTint = F4(o.textureTint);
    p.sphereTextureTint = F4(o.sphereTint);
    p.toonTextureTint = F4(o.toonTint);
    out.materialOffsets.push_back(p);
  }
  for (const GroupMorphOffset& o : m.groupOffsets) out.groupOffsets.push_back({o.morph, o.weight});
  out.offsetCount = static_cast<std::int32_t>(
      out.vertexOffsets.size() + out.uvOffsets.size() + out.boneOffsets.size() +
      out.materialOffsets.size() + out.groupOffsets.size());
  return out;
}

}  // namespace

PMXModel ToPmxRecord(const Figure& figure) {
  PMXModel out;
  out.encoding = 0;  // UTF-16LE
  out.name = figure.name;
  out.englishName = figure.englishName;
  out.comment = figure.comment;
  out.englishComment = figure.englishComment;
  out.vertices.reserve(figure.vertices.size());
  for (const FigureVertex& v : figure.vertices) out.vertices.push_back(ToPmxVertex(v));
  out.indices.assign(figure.indices.begin(), figure.indices.end());
  for (const FigureMaterial& m : figure.materials) out.materials.push_back(ToPmxMaterial(m, out.textures));
  for (const FigureBone& b : figure.bones) out.bones.push_back(ToPmxBone(b));
  for (const FigureMorph& m : figure.morphs) out.morphs.push_back(ToPmxMorph(m));
  // Bodies and joints as the figure holds them: PMX keeps positions in model space.
  for (const FigureBody& b : figure.bodies) {
    PMXRigidBody body;
    static_cast<RigidBodyFields&>(body) = b;
    body.name = b.name;
    body.englishName = b.englishName;
    body.bone = b.bone;
    out.rigidBodies.push_back(std::move(body));
  }
  for (const FigureJoint& j : figure.joints) {
    PMXJoint joint;
    static_cast<JointFields&>(joint) = j;
    joint.name = j.name;
    joint.englishName = j.englishName;
    joint.kind = kJointSpring6Dof;
    joint.bodyA = j.bodyA;
    joint.bodyB = j.bodyB;
    out.joints.push_back(std::move(joint));
  }
  return out;
}

}  // namespace brivonel::samples
