#include "tools/sample_generator/skeleton.h"

#include <array>
#include <stdexcept>
#include <string>

namespace brivonel::samples {
namespace {

constexpr float kKneeMaxBend = 3.1415927f;
constexpr float kKneeMinBend = 0.008726646f;  // half a degree keeps the knee from locking straight

class SkeletonBuilder {
 public:
  explicit SkeletonBuilder(Figure& figure) : figure_(figure) {}

  int Add(std::u16string name, std::u16string englishName, std::u16string_view parent,
          Vec3 position) {
    FigureBone bone;
    bone.name = std::move(name);
    bone.englishName = std::move(englishName);
    bone.parent = parent.empty() ? -1 : Find(parent);
    bone.position = position;
    figure_.bones.push_back(std::move(bone));
    return static_cast<int>(figure_.bones.size()) - 1;
  }

  FigureBone& operator[](std::u16string_view name) { return figure_.bones[Find(name)]; }

  int Find(std::u16string_view name) const {
    const int index = figure_.FindBone(name);
    if (index < 0) throw std::logic_error("sample skeleton names an unknown bone");
    return index;
  }

  // Points each bone's tail at `tail`.
  void Tail(std::u16string_view bone, std::u16string_view tail) {
    (*this)[bone].tailBone = Find(tail);
  }
  void TailOffset(std::u16string_view bone, Vec3 offset) { (*this)[bone].tailOffset = offset; }

 private:
  Figure& figure_;
};

void AddSide(SkeletonBuilder& b, bool left) {
  const float s = left ? 1.0f : -1.0f;
  const std::u16string side = left ? u"左" : u"右";
  const std::u16string en = left ? u"_L" : u"_R";

  // Arm, hanging about forty degrees below the horizontal.
  b.Add(side + u"肩", u"shoulder" + en, u"上半身2", {s * 0.35f, 13.55f, 0.1f});
  b.Add(side + u"腕", u"arm" + en, side + u"肩", {s * 1.45f, 13.3f, 0.12f});
  b.Add(side + u"ひじ", u"elbow" + en, side + u"腕", {s * 3.05f, 11.35f, 0.16f});
  b.Add(side + u"手首", u"wrist" + en, side + u"ひじ", {s * 4.3f, 9.55f, 0.06f});
  b.Tail(side + u"肩", side + u"腕");
  b.Tail(side + u"腕", side + u"ひじ");
  b.Tail(side + u"ひじ", side + u"手首");
  b.TailOffset(side + u"手首", {s * 0.55f, -0.8f, 0.0f});

  // Leg.
  b.Add(side + u"足", u"leg" + en, u"下半身", {s * 0.85f, 9.3f, 0.0f});
  b.Add(side + u"ひざ", u"knee" + en, side + u"足", {s * 0.85f, 5.15f, -0.08f});
  b.Add(side + u"足首", u"ankle" + en, side + u"ひざ", {s * 0.85f, 1.05f, 0.12f});
  b.Add(side + u"つま先", u"toe" + en, side + u"足首", {s * 0.85f, 0.15f, -1.35f});
  b.Tail(side + u"足", side + u"ひざ");
  b.Tail(side + u"ひざ", side + u"足首");
  b.Tail(side + u"足首", side + u"つま先");
  b[side + u"つま先"].visible = false;
}

void AddLegIk(SkeletonBuilder& b, bool left) {
  const std::u16string side = left ? u"左" : u"右";
  const std::u16string en = left ? u"_L" : u"_R";

  // The leg IK bone is a root, as in most rigs: a motion places the feet in
  // model space, independent of the centre.
  const int legIk = b.Add(side + u"足ＩＫ", u"leg IK" + en, u"", b[side + u"足首"].position);
  FigureBone& leg = b[side + u"足ＩＫ"];
  leg.movable = true;
  leg.tailOffset = {0.0f, 0.0f, 1.5f};
  leg.ikTarget = b.Find(side + u"足首");
  leg.ikLoops = 40;
  leg.ikLimit = 2.0f;
  IkLink knee{b.Find(side + u"ひざ"), true, {-kKneeMaxBend, 0.0f, 0.0f}, {-kKneeMinBend, 0.0f, 0.0f}};
  leg.ikLinks = {knee, IkLink{b.Find(side + u"足"), false, {}, {}}};

  b.Add(side + u"つま先ＩＫ", u"toe IK" + en, side + u"足ＩＫ", b[side + u"つま先"].position);
  FigureBone& toe = b[side + u"つま先ＩＫ"];
  toe.movable = true;
  toe.tailOffset = {0.0f, -1.0f, 0.0f};
  toe.ikTarget = b.Find(side + u"つま先");
  toe.ikLoops = 3;
  toe.ikLimit = 4.0f;
  toe.ikLinks = {IkLink{b.Find(side + u"足首"), false, {}, {}}};
  (void)legIk;
}

}  // namespace

int Figure::FindBone(std::u16string_view boneName) const {
  for (std::size_t i = 0; i < bones.size(); ++i)
    if (bones[i].name == boneName) return static_cast<int>(i);
  return -1;
}

int Figure::FindMorph(std::u16string_view morphName) const {
  for (std::size_t i = 0; i < morphs.size(); ++i)
    if (morphs[i].name == morphName) return static_cast<int>(i);
  return -1;
}

void BuildSkeleton(Figure& figure) {
  SkeletonBuilder b(figure);
  b.Add(u"全ての親", u"master", u"", {0.0f, 0.0f, 0.0f});
  b.Add(u"センター", u"center", u"全ての親", {0.0f, 8.0f, 0.0f});
  b.Add(u"グルーブ", u"groove", u"センター", {0.0f, 8.4f, 0.0f});
  b.Add(u"腰", u"waist", u"グルーブ", {0.0f, 9.7f, 0.15f});
  b.Add(u"上半身", u"upper body", u"腰", {0.0f, 10.3f, 0.05f});
  b.Add(u"上半身2", u"upper body2", u"上半身", {0.0f, 11.9f, 0.05f});
  b.Add(u"首", u"neck", u"上半身2", {0.0f, 13.95f, 0.08f});
  b.Add(u"頭", u"head", u"首", {0.0f, 14.9f, 0.05f});
  b.Add(u"両目", u"eyes", u"頭", {0.0f, 19.0f, -1.6f});
  b.Add(u"左目", u"eye_L", u"頭", {0.95f, 16.7f, -1.6f});
  b.Add(u"右目", u"eye_R", u"頭", {-0.95f, 16.7f, -1.6f});
  b.Add(u"下半身", u"lower body", u"腰", {0.0f, 10.3f, 0.05f});
  for (const char16_t* name : {u"全ての親", u"センター", u"グルーブ"}) b[name].movable = true;
  b.TailOffset(u"全ての親", {0.0f, 1.5f, 0.0f});
  b.TailOffset(u"センター", {0.0f, -1.0f, 0.0f});
  b.TailOffset(u"グルーブ", {0.0f, -0.8f, 0.0f});
  b.TailOffset(u"腰", {0.0f, -0.6f, 0.0f});
  b.Tail(u"上半身", u"上半身2");
  b.Tail(u"上半身2", u"首");
  b.Tail(u"首", u"頭");
  b.TailOffset(u"頭", {0.0f, 2.6f, 0.0f});
  b.TailOffset(u"両目", {0.0f, 0.0f, -0.6f});
  b.TailOffset(u"下半身", {0.0f, -1.3f, 0.0f});
  for (const char16_t* eye : {u"左目", u"右目"}) {
    b[eye].grantParent = b.Find(u"両目");
    b[eye].grantRate = 1.0f;
    b[eye].tailOffset = {0.0f, 0.0f, -0.6f};
  }
  AddSide(b, true);
  AddSide(b, false);
  AddLegIk(b, true);
  AddLegIk(b, false);
}

bool IsPmxOnlyBone(std::u16string_view name) {
  static constexpr std::array<std::u16string_view, 5> kPmxOnly = {
      u"全ての親", u"グルーブ", u"腰", u"上半身2", u"両目"};
  for (std::u16string_view n : kPmxOnly)
    if (n == name) return true;
  return false;
}

}  // namespace brivonel::samples
