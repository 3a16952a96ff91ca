#include "tools/sample_generator/chain_bones.h"

#include <stdexcept>

#include "tools/sample_generator/swaying_parts.h"

namespace brivonel::samples {
namespace {

int Add(Figure& figure, std::u16string name, std::u16string englishName, int parent, Vec3 position) {
  FigureBone bone;
  bone.name = std::move(name);
  bone.englishName = std::move(englishName);
  bone.parent = parent;
  bone.position = position;
  figure.bones.push_back(std::move(bone));
  return static_cast<int>(figure.bones.size()) - 1;
}

int Find(const Figure& figure, std::u16string_view name) {
  const int index = figure.FindBone(name);
  if (index < 0) throw std::logic_error("chain bones hang from an unknown bone");
  return index;
}

void AddTail(Figure& figure, float side) {
  const Tube tail = swaying::TwinTail(side);
  int parent = Find(figure, u"頭");
  for (int k = 0; k <= swaying::kTailBones; ++k) {
    const int bone = Add(figure, swaying::TailBoneName(side, k), swaying::TailBoneEnglishName(side, k),
                         parent, tail.Axis(swaying::kTailBoneAt[static_cast<std::size_t>(k)]));
    if (k > 0) figure.bones[static_cast<std::size_t>(parent)].tailBone = bone;
    parent = bone;
  }
  // The tip only marks where the tail ends: rigs hide such end bones.
  figure.bones.back().visible = false;
}

void AddSkirtChain(Figure& figure, int chain) {
  const Tube skirt = swaying::Skirt();
  const float u = swaying::SkirtChainU(chain);
  int parent = Find(figure, u"下半身");
  for (int k = 0; k < swaying::kSkirtBones; ++k) {
    const int bone = Add(figure, swaying::SkirtBoneName(chain, k), swaying::SkirtBoneEnglishName(chain, k),
                         parent, skirt.Position(u, swaying::kSkirtBoneAt[static_cast<std::size_t>(k)]));
    if (k > 0) figure.bones[static_cast<std::size_t>(parent)].tailBone = bone;
    parent = bone;
  }
  // The last bone points at the hem.
  FigureBone& last = figure.bones.back();
  last.tailOffset = skirt.Position(u, 1.0f) - last.position;
}

}  // namespace

void AddChainBones(Figure& figure) {
  AddTail(figure, 1.0f);
  AddTail(figure, -1.0f);
  for (int chain = 0; chain < swaying::kSkirtChains; ++chain) AddSkirtChain(figure, chain);
}

}  // namespace brivonel::samples
