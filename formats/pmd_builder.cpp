// Building a Model from a PMDModel.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>

#include "base/trace.h"
#include "formats/material_effects.h"
#include "formats/model_building.h"
#include "formats/path_helpers.h"
#include "formats/physics_building.h"
#include "formats/pmd_decoder.h"
#include "formats/text_encoding.h"
#include "formats/usable_values.h"

namespace brivonel {
namespace {

std::u16string Ascii(const char* text) {
  std::u16string out;
  for (const char* p = text; *p != '\0'; ++p) out.push_back(static_cast<char16_t>(*p));
  return out;
}

// A Shift-JIS name; an empty one is an empty string (no texture).
std::u16string FileName(std::string_view bytes, const char* what, std::size_t material) {
  std::u16string name;
  if (bytes.empty()) return name;
  if (ShiftJisToWide(bytes, name) < 1) {
    throw FormatRefused(std::string(what) + " name of material " + std::to_string(material) +
                        " converts to no characters");
  }
  return name;
}

void BuildMaterial(const PMDMaterial& source, std::size_t k, Model& model,
                   std::u16string_view baseFolder, TextureLoading textures) {
  Material& m = model.materials[k - 1];
  m.number = static_cast<std::int32_t>(k);
  char name[16];
  std::snprintf(name, sizeof name, "mat%02zu", k);
  m.name = Ascii(name);
  m.diffuse = source.diffuse;
  m.ambient = {source.ambient.x, source.ambient.y, source.ambient.z, 0.0f};
  m.specular = {source.specular.x, source.specular.y, source.specular.z, source.specularPower};

  // "toon%2d.bmp": toon index 0 gives "toon 1.bmp", 9 "toon10.bmp", 255 "toon256.bmp".
  char toon[24];
  std::snprintf(toon, sizeof toon, "toon%2d.bmp", source.toonIndex + 1);
  // Toons 1 to 10 have built-in stand-ins; a missing one is no news.
  m.toonTextureId = LookUpTexture(model, baseFolder, Ascii(toon), textures,
                                  source.toonIndex < kSharedToonCount ? WhenMissing::kStandIn
                                                                  : WhenMissing::kNote);
  UseSharedToon(model, m, source.toonIndex, baseFolder, textures);
  m.edgeFlag = source.edgeFlag != 0 ? 1 : 0;
  // The file has no edge colour or size: the edge is a black line of one pixel.
  m.edgeColor = {0.0f, 0.0f, 0.0f, 1.0f};
  m.edgeSize = 1.0f;

  // The field ends at its first NUL, or after its 20 bytes. "*" and "/"
  // never occur inside a Shift-JIS character, so the split is by byte.
  char field[21] = {};
  std::memcpy(field, source.textureField, sizeof source.textureField);
  std::string_view text(field);
  const std::size_t star = text.find('*');
  const std::size_t slash = text.find('/');
  const std::size_t split = star != std::string_view::npos ? star : slash;
  if (split != std::string_view::npos) {
    const std::u16string sphereName = FileName(text.substr(split + 1), "sphere texture", k);
    m.sphereTextureId = LookUpTexture(model, baseFolder, sphereName, textures);
    if (m.sphereTextureId >= 0) {
      const bool sphereExtension = sphereName.find(u".sph") != std::u16string::npos ||
                                   sphereName.find(u".spa") != std::u16string::npos;
      // After "*" only ".sph" and ".spa" names count as spheres; after "/" any.
      if (star == std::string_view::npos || sphereExtension) m.sphereFlag = 1;
      if (m.sphereFlag != 0) m.sphereMode = PmdSphereMode(sphereName);
    }
    if (TraceEnabled()) {
      TraceFormat("%d:%s\n", m.sphereTextureId, TraceText(sphereName).c_str());
    }
    text = text.substr(0, split);
  }
  m.textureName = FileName(text, "texture", k);
  if (TraceEnabled()) TraceFormat("%s\n", TraceText(m.textureName).c_str());
  m.textureId = LookUpTexture(model, baseFolder, m.textureName, textures);
}

// floor(percent x 2.55) in single precision, so 100 gives 255 and 50 gives
// 127; held to 255 for percentages above 100.
std::uint8_t PercentWeight(std::uint8_t percent) {
  const float w = std::floor(static_cast<float>(percent) * 2.55f);
  return w >= 255.0f ? 255 : static_cast<std::uint8_t>(w);
}

void BuildVertices(const PMDModel& r, Mesh& mesh) {
  const std::size_t boneCount = r.bones.size();
  mesh.vertices.resize(r.vertices.size());
  for (std::size_t i = 0; i < r.vertices.size(); ++i) {
    const PMDVertex& s = r.vertices[i];
    Vertex& v = mesh.vertices[i];
    // The vertex's edge flag turns its outline off.
    v.position = {s.position.x, s.position.y, s.position.z, s.edgeFlag != 0 ? 0.0f : 1.0f};
    v.normal = s.normal;
    v.uv = s.uv;
    const std::uint8_t w = PercentWeight(s.weight);
    v.boneWeights[0] = w;
    v.boneWeights[1] = static_cast<std::uint8_t>(255 - w);
    for (int j = 0; j < 2; ++j) {
      v.boneIndices[j] = static_cast<std::uint8_t>(s.bones[j] & 0xFF);
      if (!NamesBone(s.bones[j], boneCount)) v.boneWeights[j] = 0;
    }
  }
}

void BuildBones(const PMDModel& r, Model& model) {
  const std::size_t count = r.bones.size();
  model.bones.clear();
  model.bones.resize(count);
  for (std::size_t i = 0; i < count; ++i) {
    const PMDBone& s = r.bones[i];
    Bone& b = model.bones[i];
    b.index = static_cast<std::int32_t>(i);
    const bool noParent = s.parent == 0xFFFF;
    b.parentIndex = noParent ? -1 : CleanParent(s.parent, i, count);
    b.isCenter = noParent && i == 0;
    ShiftJisToWide(std::string_view(reinterpret_cast<const char*>(s.name), sizeof s.name), b.name);
    // A PMD file has no IK limits; knees, by their name, bend one way about
    // x only, as every runtime of the format bends them. Other links turn
    // freely: an ankle held to a hinge could neither tilt the foot past a
    // deep crouch nor turn it after a turned foot IK, and the toe would
    // miss its goal.
    if (b.name.find(u"ひざ") != std::u16string::npos) {
      b.ikMinAngles = {-kPi, 0.0f, 0.0f, 0.0f};
      b.ikMaxAngles = {0.0f, 0.0f, 0.0f, 0.0f};
    } else {
      b.ikMinAngles = {-kPi, -kPi, -kPi, 0.0f};
      b.ikMaxAngles = {kPi, kPi, kPi, 0.0f};
    }
    if (b.parentIndex > static_cast<std::int32_t>(i)) {
      TraceFormat("\nSelf Idx:%zu ParentIdx:%d", i, b.parentIndex);
    }
    const Float3 parentPosition =
        b.parentIndex >= 0 ? r.bones[static_cast<std::size_t>(b.parentIndex)].position : Float3{};
    SetRestPose(model.bones, i, s.position, parentPosition);
  }
  // Rotation-influenced bones take all of their source's rotation, linked
  // ones their share of their tail bone's (a tail of 0 is no tail).
  for (std::size_t i = 0; i < count; ++i) {
    const PMDBone& s = r.bones[i];
    if (s.kind == kPmdRotationInfluenced) {
      AddGrant(model, i, s.ikParent, 1.0f, true, false);
    } else if (s.kind == kPmdRotationLinked && s.tail != 0) {
      const float percent = static_cast<float>(static_cast<std::int16_t>(s.ikParent));
      AddGrant(model, i, s.tail, percent / 100.0f, true, false);
    }
  }
  BreakParentLoops(model.bones);
}

void BuildIkChains(const PMDModel& r, Model& model) {
  const std::size_t boneCount = r.bones.size();
  model.ikChains.clear();
  model.ikChains.reserve(r.iks.size());
  for (std::size_t i = 0; i < r.iks.size(); ++i) {
    const PMDIK& ik = r.iks[i];
    bool valid = ik.ikBone < boneCount && ik.targetBone < boneCount;
    for (std::uint16_t bone : ik.chain) valid = valid && bone < boneCount;
    if (!valid) {
      // An IK record naming a bone that does not exist is dropped.
      TraceFormat("IK %zu names a bone that does not exist; dropped\n", i);
      continue;
    }
    IkChain chain;
    chain.ikBone = ik.ikBone;
    chain.targetBone = ik.targetBone;
    chain.linkCount = ik.chainLength;
    chain.iterations = ik.iterations;
    chain.angleFactor = UsableNumber(ik.controlWeight, kPi);
    chain.links = ik.chain;
    model.ikChains.push_back(std::move(chain));
  }
}

// Facial morphs become vertex morphs. The base morph lists the vertices that
// any facial morph moves; every other morph's entries name an entry of the
// base and give that vertex's offset. Entries naming no base entry or no
// vertex are dropped.
void BuildMorphs(const PMDModel& r, Model& model) {
  model.morphs.clear();
  model.morphList.clear();
  const auto base = std::find_if(r.skins.begin(), r.skins.end(),
                                 [](const PMDSkin& skin) { return skin.kind == 0; });
  const std::size_t vertexCount = r.vertices.size();
  for (const PMDSkin& skin : r.skins) {
    if (skin.kind == 0) continue;
    PMXMorph morph;
    ShiftJisToWide(std::string_view(reinterpret_cast<const char*>(skin.name), sizeof skin.name),
                   morph.name);
    morph.panel = skin.kind;
    morph.kind = kMorphVertex;
    for (const PMDSkinVertex& entry : skin.vertices) {
      if (base == r.skins.end() || entry.index >= base->vertices.size()) continue;
      const std::uint32_t vertex = base->vertices[entry.index].index;
      if (vertex >= vertexCount) continue;
      morph.vertexOffsets.push_back({vertex, entry.position});
    }
    morph.offsetCount = static_cast<std::int32_t>(morph.vertexOffsets.size());
    PMXMorph& kept = model.morphs[morph.name];
    kept = std::move(morph);
    model.morphList.push_back(&kept);
  }
}

// A name field's text; empty for an empty field.
std::u16string FieldText(const std::uint8_t* field, std::size_t size) {
  std::u16string text;
  if (ShiftJisToWide(std::string_view(reinterpret_cast<const char*>(field), size), text) < 1)
    text.clear();
  return text;
}

// A PMD body's position is relative to its bone's; one without a bone is
// placed from the first bone, as other readers of the format place it.
Float3 BodyPosition(const PMDModel& r, const PMDRigidBody& body) {
  const std::size_t anchor = body.bone == 0xFFFF ? 0 : body.bone;
  if (anchor >= r.bones.size()) return body.position;  // refused by the check
  const Float3& bone = r.bones[anchor].position;
  return {body.position.x + bone.x, body.position.y + bone.y, body.position.z + bone.z};
}

void BuildPhysics(PMDModel& r, Model& model) {
  physics::PhysicsDescription description;
  if (r.physicsNote.empty()) {
    description.bodies.reserve(r.rigidBodies.size());
    for (const PMDRigidBody& b : r.rigidBodies) {
      const std::int32_t bone = b.bone == 0xFFFF ? -1 : b.bone;
      description.bodies.push_back(
          DescribeBody(FieldText(b.name, sizeof b.name), bone, b, BodyPosition(r, b)));
    }
    description.joints.reserve(r.joints.size());
    for (const PMDJoint& j : r.joints) {
      description.joints.push_back(DescribeJoint(FieldText(j.name, sizeof j.name),
                                                 static_cast<std::int32_t>(j.bodyA),
                                                 static_cast<std::int32_t>(j.bodyB), j));
    }
  }
  GivePhysics(model, std::move(description), r.physicsNote);
}

}  // namespace

int PMDDecoder::Build(PMDModel& record, Model& model, TextureLoading textures) {
  try {
    Mesh& mesh = StartModel(model, record.materials.size());
    std::u16string baseFolder;
    DirectoryOfPath(model.path, baseFolder);
    mesh.indices.assign(record.indices.begin(), record.indices.end());
    std::uint64_t runningIndexTotal = 0;
    for (std::size_t k = 1; k <= record.materials.size(); ++k) {
      BuildMaterial(record.materials[k - 1], k, model, baseFolder, textures);
      AddPiece(mesh, k, record.materials[k - 1].indexCount, runningIndexTotal);
      mesh.pieces[k - 1].material = &model.materials[k - 1];
    }
    BuildVertices(record, mesh);
    CheckFaceIndices(mesh);
    BuildBones(record, model);
    BuildIkChains(record, model);
    BuildMorphs(record, model);
    BuildPhysics(record, model);
  } catch (const FormatRefused& refused) {
    record.formatError = refused.what();
    TraceFormat("PMD refused: %s\n", refused.what());
    return FormatError;
  }
  return ModelBuilt;
}

int PMDDecoder::BuildModel(std::shared_ptr<PMDModel> record, std::shared_ptr<Model> model) {
  if (!record || !model) return FormatError;
  return Build(*record, *model, TextureLoading::kLoad);
}

}  // namespace brivonel
