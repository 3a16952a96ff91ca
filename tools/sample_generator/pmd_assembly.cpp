// The figure as a PMD record: the older format's bone set (no master,
// groove, waist, second upper body or both-eyes bone), two bones per vertex,
// toon files by number, sphere maps named after "*", and the vertex morphs
// as facial morphs (the format has no other kind); rigid bodies placed
// from their bones.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <map>

#include "formats/writer/byte_writer.h"
#include "formats/writer/pmd_writer.h"
#include "tools/sample_generator/assembly.h"
#include "tools/sample_generator/skeleton.h"
#include "tools/sample_generator/skinning.h"

namespace brivonel::samples {
namespace {

// Bone kinds of the format.
enum PmdBoneKind : std::uint8_t {
  kRotate = 0,
  kRotateMove = 1,
  kIkGoal = 2,
  kUnderIk = 4,
  kHidden = 7,
};

constexpr std::uint16_t kNoBone = 0xFFFF;

Float3 F3(Vec3 v) { return {v.x, v.y, v.z}; }

// PMD bone numbers of the PMX bones; a bone the PMD lacks takes the number
// of its nearest ancestor that it keeps (or none).
std::vector<int> PmdBoneNumbers(const Figure& figure) {
  std::vector<int> numbers(figure.bones.size(), -1);
  int next = 0;
  for (std::size_t b = 0; b < figure.bones.size(); ++b) {
    if (!IsPmxOnlyBone(figure.bones[b].name)) {
      numbers[b] = next++;
    } else if (figure.bones[b].parent >= 0) {
      numbers[b] = numbers[static_cast<std::size_t>(figure.bones[b].parent)];
    }
  }
  return numbers;
}

// Bones that a dynamic rigid body turns: the chains of the tails and skirt.
std::vector<bool> SwingingBones(const Figure& figure) {
  std::vector<bool> swinging(figure.bones.size(), false);
  for (const FigureBody& body : figure.bodies)
    if (body.mode != 0) swinging[static_cast<std::size_t>(body.bone)] = true;
  return swinging;
}

// A vertex of the skirt between two chains and between two of their joints
// blends four bones; the format keeps two. Of each swinging bone and its
// parent, the one that carries more takes the other's weight (deeper bones
// first: a child comes after its parent in the list), so that the two weights left go to the two chains at the
// vertex's own level: the cloth then stays whole between the chains and
// only kinks a little along the row of their joints, where keeping the two
// heaviest would tear it down the middle between two chains.
SkinWeights FoldChainLevels(const SkinWeights& skin, const Figure& figure,
                            const std::vector<bool>& swinging) {
  if (skin.count <= 2) return skin;
  std::vector<std::pair<int, float>> weights;
  for (int k = 0; k < skin.count; ++k)
    weights.emplace_back(skin.bones[static_cast<std::size_t>(k)], skin.weights[static_cast<std::size_t>(k)]);
  std::sort(weights.begin(), weights.end(), [](const auto& a, const auto& b) { return a.first > b.first; });
  for (auto& child : weights) {
    if (!swinging[static_cast<std::size_t>(child.first)]) continue;
    const int parent = figure.bones[static_cast<std::size_t>(child.first)].parent;
    for (auto& other : weights) {
      if (other.first != parent || other.second == 0.0f) continue;
      const bool childCarries = child.second >= other.second;
      (childCarries ? child : other).second += (childCarries ? other : child).second;
      (childCarries ? other : child).second = 0.0f;
    }
  }
  return MakeWeights(std::move(weights));
}

// The two heaviest bones of a vertex after folding dropped bones into their
// ancestors, and the first one's share in percent.
PMDVertex ToPmdVertex(const FigureVertex& vertex, const std::vector<int>& numbers, const Figure& figure,
                      const std::vector<bool>& swinging) {
  const SkinWeights skin = FoldChainLevels(vertex.skin, figure, swinging);
  std::map<int, float> merged;
  for (int k = 0; k < skin.count; ++k)
    merged[numbers[static_cast<std::size_t>(skin.bones[static_cast<std::size_t>(k)])]] +=
        skin.weights[static_cast<std::size_t>(k)];
  std::vector<std::pair<int, float>> sorted(merged.begin(), merged.end());
  std::sort(sorted.begin(), sorted.end(), [](const auto& a, const auto& b) { return a.second > b.second; });
  if (sorted.size() == 1) sorted.push_back(sorted.front());

  PMDVertex out;
  out.position = F3(vertex.position);
  out.normal = F3(vertex.normal);
  out.uv = {vertex.uv.x, vertex.uv.y};
  out.bones[0] = static_cast<std::uint16_t>(sorted[0].first);
  out.bones[1] = static_cast<std::uint16_t>(sorted[1].first);
  const float share = sorted[0].first == sorted[1].first ? 1.0f : sorted[0].second / (sorted[0].second + sorted[1].second);
  out.weight = static_cast<std::uint8_t>(std::lround(share * 100.0f));
  return out;
}

PMDMaterial ToPmdMaterial(const FigureMaterial& m) {
  PMDMaterial out;
  out.diffuse = {m.diffuse.r, m.diffuse.g, m.diffuse.b, m.diffuse.a};
  out.specularPower = m.specularPower;
  out.specular = F3(m.specular);
  out.ambient = F3(m.ambient);
  out.toonIndex = static_cast<std::uint8_t>(m.toonIndex);
  out.edgeFlag = m.drawEdge ? 1 : 0;
  out.indexCount = m.indexCount;
  const std::string field = m.sphere.empty() ? m.texture : m.texture + "*" + m.sphere;
  std::memcpy(out.textureField, field.data(), std::min(field.size(), sizeof out.textureField));
  return out;
}

// The base facial morph lists every vertex a vertex morph moves, with its
// rest position; each facial morph then names base entries and offsets.
void AddFacialMorphs(const Figure& figure, PMDModel& out) {
  PMDSkin base;
  writer::SetShiftJisField(base.name, sizeof base.name, u"base");
  std::map<std::uint32_t, std::uint32_t> entryOfVertex;
  std::vector<PMDSkin> faces;
  for (const FigureMorph& morph : figure.morphs) {
    if (morph.kind != MorphKind::Vertex) continue;
    PMDSkin face;
    writer::SetShiftJisField(face.name, sizeof face.name, morph.name);
    face.kind = static_cast<std::uint8_t>(std::clamp(morph.panel, 1, 4));
    for (const VertexMorphOffset& offset : morph.vertexOffsets) {
      const auto [entry, added] =
          entryOfVertex.try_emplace(offset.vertex, static_cast<std::uint32_t>(base.vertices.size()));
      if (added) base.vertices.push_back({offset.vertex, F3(figure.vertices[offset.vertex].position)});
      face.vertices.push_back({entry->second, F3(offset.offset)});
    }
    faces.push_back(std::move(face));
  }
  out.skins.push_back(std::move(base));
  for (PMDSkin& face : faces) out.skins.push_back(std::move(face));
}

}  // namespace

PMDModel ToPmdRecord(const Figure& figure) {
  const std::vector<int> numbers = PmdBoneNumbers(figure);
  const auto number = [&](int pmxBone) {
    return pmxBone < 0 ? kNoBone : static_cast<std::uint16_t>(numbers[static_cast<std::size_t>(pmxBone)]);
  };

  PMDModel out;
  writer::SetShiftJisField(out.name, sizeof out.name, figure.name);
  writer::SetShiftJisField(out.comment, sizeof out.comment, figure.comment);
  out.vertices.reserve(figure.vertices.size());
  const std::vector<bool> swinging = SwingingBones(figure);
  for (const FigureVertex& v : figure.vertices) out.vertices.push_back(ToPmdVertex(v, numbers, figure, swinging));
  for (std::uint32_t i : figure.indices) out.indices.push_back(static_cast<std::uint16_t>(i));
  for (const FigureMaterial& m : figure.materials) out.materials.push_back(ToPmdMaterial(m));

  // Bones under an IK chain name its goal as their IK parent.
  std::map<int, int> chainGoal;
  for (std::size_t b = 0; b < figure.bones.size(); ++b)
    for (const IkLink& link : figure.bones[b].ikLinks) chainGoal[link.bone] = static_cast<int>(b);

  for (std::size_t b = 0; b < figure.bones.size(); ++b) {
    const FigureBone& bone = figure.bones[b];
    if (IsPmxOnlyBone(bone.name)) continue;
    int parent = bone.parent;
    while (parent >= 0 && IsPmxOnlyBone(figure.bones[static_cast<std::size_t>(parent)].name))
      parent = figure.bones[static_cast<std::size_t>(parent)].parent;
    PMDBone pmd = writer::MakePmdBone(bone.name, F3(bone.position), number(parent));
    pmd.tail = bone.tailBone >= 0 ? number(bone.tailBone) : 0;
    const auto goal = chainGoal.find(static_cast<int>(b));
    pmd.kind = bone.ikTarget >= 0      ? kIkGoal
               : goal != chainGoal.end() ? kUnderIk
               : !bone.visible           ? kHidden
               : bone.movable            ? kRotateMove
                                         : kRotate;
    pmd.ikParent = goal != chainGoal.end() ? number(goal->second) : 0;
    out.bones.push_back(pmd);

    if (bone.ikTarget >= 0) {
      PMDIK ik;
      ik.ikBone = number(static_cast<int>(b));
      ik.targetBone = number(bone.ikTarget);
      ik.chainLength = static_cast<std::uint8_t>(bone.ikLinks.size());
      ik.iterations = static_cast<std::uint16_t>(bone.ikLoops);
      ik.controlWeight = bone.ikLimit * 0.25f;  // the PMD weight is a quarter of the PMX limit
      for (const IkLink& link : bone.ikLinks) ik.chain.push_back(number(link.bone));
      out.iks.push_back(ik);
    }
  }
  AddFacialMorphs(figure, out);

  // A PMD body sits relative to its bone; a body on a bone the format lacks
  // goes to the bone that stands in for it.
  for (const FigureBody& b : figure.bodies) {
    PMDRigidBody body;
    static_cast<RigidBodyFields&>(body) = b;
    writer::SetShiftJisField(body.name, sizeof body.name, b.name);
    body.bone = number(b.bone);
    const Float3& bone = out.bones.at(body.bone).position;
    body.position = {b.position.x - bone.x, b.position.y - bone.y, b.position.z - bone.z};
    out.rigidBodies.push_back(body);
  }
  for (const FigureJoint& j : figure.joints) {
    PMDJoint joint;
    static_cast<JointFields&>(joint) = j;
    writer::SetShiftJisField(joint.name, sizeof joint.name, j.name);
    joint.bodyA = static_cast<std::uint32_t>(j.bodyA);
    joint.bodyB = static_cast<std::uint32_t>(j.bodyB);
    out.joints.push_back(joint);
  }
  return out;
}

}  // namespace brivonel::samples
