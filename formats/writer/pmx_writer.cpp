#include "formats/writer/pmx_writer.h"

#include "formats/writer/byte_writer.h"
#include "formats/writer/physics_fields_writer.h"

namespace brivonel::writer {
namespace {

int SignedSize(std::size_t count) { return count <= 127 ? 1 : count <= 32767 ? 2 : 4; }
int UnsignedSize(std::size_t count) { return count <= 255 ? 1 : count <= 65535 ? 2 : 4; }
int Given(std::uint8_t size, int chosen) { return size != 0 ? size : chosen; }

class PmxWriter {
 public:
  PmxWriter(const PMXModel& r) : r_(r), sizes_(ChoosePmxIndexSizes(r)), encoding_(r.encoding) {}

  std::vector<std::uint8_t> Write() {
    WriteHeader();
    Text(r_.name);
    Text(r_.englishName);
    Text(r_.comment);
    Text(r_.englishComment);
    out_.I32(static_cast<std::int32_t>(r_.vertices.size()));
    for (const PMXVertex& v : r_.vertices) WriteVertex(v);
    out_.I32(static_cast<std::int32_t>(r_.indices.size()));
    for (std::int32_t i : r_.indices) out_.Index(i, sizes_.vertex);
    out_.I32(static_cast<std::int32_t>(r_.textures.size()));
    for (const std::u16string& t : r_.textures) Text(t);
    out_.I32(static_cast<std::int32_t>(r_.materials.size()));
    for (const PMXMaterial& m : r_.materials) WriteMaterial(m);
    out_.I32(static_cast<std::int32_t>(r_.bones.size()));
    for (const PMXBone& b : r_.bones) WriteBone(b);
    out_.I32(static_cast<std::int32_t>(r_.morphs.size()));
    for (const PMXMorph& m : r_.morphs) WriteMorph(m);
    out_.I32(static_cast<std::int32_t>(r_.displayFrames.size()));
    for (const PMXDisplayFrame& f : r_.displayFrames) WriteDisplayFrame(f);
    out_.I32(static_cast<std::int32_t>(r_.rigidBodies.size()));
    for (const PMXRigidBody& b : r_.rigidBodies) WriteRigidBody(b);
    out_.I32(static_cast<std::int32_t>(r_.joints.size()));
    for (const PMXJoint& j : r_.joints) WriteJoint(j);
    return std::move(out_.bytes());
  }

 private:
  void Text(const std::u16string& text) { out_.PmxText(text, encoding_); }
  void Bone(std::int32_t index) { out_.Index(index, sizes_.bone); }
  void VertexBone(std::int32_t index) {
    out_.Index(index, r_.vertexBoneIndexSize != 0 ? r_.vertexBoneIndexSize : sizes_.bone);
  }
  void Texture(std::int32_t index) {
    if (sizes_.texture == 1 || sizes_.texture == 2 || sizes_.texture == 4) {
      out_.Index(index, sizes_.texture);
    }
  }

  void WriteHeader() {
    const bool noMagic = r_.magic[0] == 0 && r_.magic[1] == 0 && r_.magic[2] == 0 && r_.magic[3] == 0;
    if (noMagic) {
      out_.Bytes("PMX ", 4);
    } else {
      out_.Bytes(r_.magic, 4);
    }
    out_.F32(r_.version != 0.0f ? r_.version : 2.0f);
    out_.U8(r_.headerSize != 0 ? r_.headerSize : 8);
    out_.U8(r_.encoding);
    out_.U8(r_.additionalUvCount);
    out_.U8(static_cast<std::uint8_t>(sizes_.vertex));
    out_.U8(static_cast<std::uint8_t>(sizes_.texture));
    out_.U8(static_cast<std::uint8_t>(sizes_.material));
    out_.U8(static_cast<std::uint8_t>(sizes_.bone));
    out_.U8(static_cast<std::uint8_t>(sizes_.morph));
    out_.U8(static_cast<std::uint8_t>(sizes_.rigidBody));
  }

  void WriteVertex(const PMXVertex& v) {
    out_.Put(v.position).Put(v.normal).Put(v.uv);
    for (int j = 0; j < r_.additionalUvCount && j < 4; ++j) out_.Put(v.additionalUv[j]);
    out_.U8(v.deformKind);
    switch (v.deformKind) {
      case kDeformBdef1:
        VertexBone(v.bones[0]);
        break;
      case kDeformBdef2:
        VertexBone(v.bones[0]);
        VertexBone(v.bones[1]);
        out_.F32(v.weights[0]);
        break;
      case kDeformSdef:
        VertexBone(v.bones[0]);
        VertexBone(v.bones[1]);
        out_.F32(v.weights[0]);
        out_.Put(v.sdefC).Put(v.sdefR0).Put(v.sdefR1);
        break;
      default:  // kinds 2 and 4, and any other kind as four bones
        for (int j = 0; j < 4; ++j) VertexBone(v.bones[j]);
        for (int j = 0; j < 4; ++j) out_.F32(v.weights[j]);
        break;
    }
    out_.F32(v.edgeScale);
  }

  void WriteMaterial(const PMXMaterial& m) {
    Text(m.name);
    Text(m.englishName);
    out_.Put(m.diffuse).Put(m.specular).F32(m.specularPower).Put(m.ambient);
    out_.U8(m.drawFlags).Put(m.edgeColor).F32(m.edgeSize);
    Texture(m.textureIndex);
    Texture(m.sphereTextureIndex);
    out_.U8(m.sphereMode).U8(m.sharedToon);
    if (m.sharedToon != 0) {
      out_.U8(static_cast<std::uint8_t>(m.toon));
    } else {
      Texture(m.toon);
    }
    Text(m.memo);
    out_.I32(m.indexCount);
  }

  void WriteBone(const PMXBone& b) {
    Text(b.name);
    Text(b.englishName);
    out_.Put(b.position);
    Bone(b.parent);
    out_.I32(b.deformLayer).U16(b.flags);
    if (b.flags & kBoneTailIsBone) {
      Bone(b.tailBone);
    } else {
      out_.Put(b.tailOffset);
    }
    if (b.flags & (kBoneRotationGrant | kBoneTranslationGrant)) {
      Bone(b.grantParent);
      out_.F32(b.grantRate);
    }
    if (b.flags & kBoneFixedAxis) out_.Put(b.fixedAxisVector);
    if (b.flags & kBoneLocalAxes) out_.Put(b.localXAxis).Put(b.localZAxis);
    if (b.flags & kBoneExternalParent) out_.I32(b.externalParentKey);
    if (b.flags & kBoneIk) {
      Bone(b.ikTarget);
      out_.I32(b.ikLoopCount).F32(b.ikLimitAngle);
      out_.I32(static_cast<std::int32_t>(b.ikLinks.size()));
      for (const PMXIKLink& link : b.ikLinks) {
        Bone(link.bone);
        out_.U8(link.hasLimits ? 1 : 0);
        if (link.hasLimits) out_.Put(link.lowerLimit).Put(link.upperLimit);
      }
    }
  }

  void WriteMorph(const PMXMorph& m) {
    Text(m.name);
    Text(m.englishName);
    out_.U8(static_cast<std::uint8_t>(m.panel)).U8(static_cast<std::uint8_t>(m.kind));
    switch (m.kind) {
      case kMorphGroup:
      case kMorphFlip:
        out_.I32(static_cast<std::int32_t>(m.groupOffsets.size()));
        for (const PMXGroupOffset& o : m.groupOffsets) {
          out_.Index(o.morphIndex, sizes_.morph).F32(o.weight);
        }
        break;
      case kMorphVertex:
        out_.I32(static_cast<std::int32_t>(m.vertexOffsets.size()));
        for (const PMXVertexOffset& o : m.vertexOffsets) {
          out_.Index(o.vertexIndex, sizes_.vertex).Put(o.translation);
        }
        break;
      case kMorphBone:
        out_.I32(static_cast<std::int32_t>(m.boneOffsets.size()));
        for (const PMXBoneOffset& o : m.boneOffsets) {
          out_.Index(o.boneIndex, sizes_.bone);
          out_.Put(Float3{o.translation.x, o.translation.y, o.translation.z}).Put(o.rotation);
        }
        break;
      case kMorphMaterial:
        out_.I32(static_cast<std::int32_t>(m.materialOffsets.size()));
        for (const PMXMaterialOffset& o : m.materialOffsets) {
          out_.Index(o.materialIndex, sizes_.material).U8(static_cast<std::uint8_t>(o.operation));
          out_.Put(o.diffuse).Put(o.specular).F32(o.specularPower).Put(o.ambient);
          out_.Put(o.edgeColor).F32(o.edgeSize);
          out_.Put(o.textureTint).Put(o.sphereTextureTint).Put(o.toonTextureTint);
        }
        break;
      case kMorphImpulse:
        out_.I32(static_cast<std::int32_t>(m.impulseOffsets.size()));
        for (const PMXImpulseOffset& o : m.impulseOffsets) {
          out_.Index(o.bodyIndex, sizes_.rigidBody).U8(o.local ? 1 : 0);
          out_.Put(o.velocity).Put(o.torque);
        }
        break;
      default:
        if (m.kind >= kMorphUv && m.kind <= kMorphAdditionalUv4) {
          out_.I32(static_cast<std::int32_t>(m.uvOffsets.size()));
          for (const PMXUvOffset& o : m.uvOffsets) {
            out_.Index(o.vertexIndex, sizes_.vertex).Put(o.offset);
          }
        } else {
          out_.I32(0);
        }
        break;
    }
  }

  void WriteDisplayFrame(const PMXDisplayFrame& f) {
    Text(f.name);
    Text(f.englishName);
    out_.U8(f.special).I32(static_cast<std::int32_t>(f.elements.size()));
    for (const PMXDisplayFrameElement& e : f.elements)
      out_.U8(e.kind).Index(e.index, e.kind == 0 ? sizes_.bone : sizes_.morph);
  }

  void WriteRigidBody(const PMXRigidBody& b) {
    Text(b.name);
    Text(b.englishName);
    Bone(b.bone);
    WriteRigidBodyFields(out_, b);
  }

  void WriteJoint(const PMXJoint& j) {
    Text(j.name);
    Text(j.englishName);
    out_.U8(j.kind).Index(j.bodyA, sizes_.rigidBody).Index(j.bodyB, sizes_.rigidBody);
    WriteJointFields(out_, j);
  }

  const PMXModel& r_;
  PmxIndexSizes sizes_;
  int encoding_;
  ByteWriter out_;
};

}  // namespace

PmxIndexSizes ChoosePmxIndexSizes(const PMXModel& r) {
  return {Given(r.vertexIndexSize, UnsignedSize(r.vertices.size())),
          Given(r.textureIndexSize, SignedSize(r.textures.size())),
          Given(r.materialIndexSize, SignedSize(r.materials.size())),
          Given(r.boneIndexSize, SignedSize(r.bones.size())),
          Given(r.morphIndexSize, SignedSize(r.morphs.size())),
          Given(r.rigidBodyIndexSize, SignedSize(r.rigidBodies.size()))};
}

std::vector<std::uint8_t> WritePmx(const PMXModel& record) { return PmxWriter(record).Write(); }

}  // namespace brivonel::writer
