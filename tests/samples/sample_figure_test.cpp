// The generated sample character: a figure of the intended size standing
// where the camera looks, soundly skinned, with morphs that move what they
// should and a dance that loops.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <set>

#include "tools/sample_generator/proportions.h"
#include "tests/samples/sample_test_support.h"
#include "tools/sample_generator/skeleton.h"

namespace brivonel::samples {
namespace {

struct Bounds {
  Vec3 lo{1e9f, 1e9f, 1e9f}, hi{-1e9f, -1e9f, -1e9f};
  void Add(Vec3 p) {
    lo = {std::min(lo.x, p.x), std::min(lo.y, p.y), std::min(lo.z, p.z)};
    hi = {std::max(hi.x, p.x), std::max(hi.y, p.y), std::max(hi.z, p.z)};
  }
};

TEST(SampleFigureTest, StandsOnTheGroundAtTheOriginAtTheIntendedSize) {
  const Figure& figure = IntendedSamples().figure;
  EXPECT_GE(figure.vertices.size(), 5000u);
  EXPECT_LE(figure.vertices.size(), 20000u);
  Bounds bounds;
  for (const FigureVertex& v : figure.vertices) bounds.Add(v.position);
  EXPECT_NEAR(bounds.lo.y, 0.0f, 0.05f) << "the soles touch the ground";
  EXPECT_GE(bounds.hi.y, 18.0f);
  EXPECT_LE(bounds.hi.y, 22.0f);
  EXPECT_NEAR(bounds.lo.x, -bounds.hi.x, 0.01f) << "left and right mirror each other";
  EXPECT_LT(bounds.hi.x, 7.0f);
  EXPECT_LT(std::fabs(bounds.lo.z + bounds.hi.z), 3.0f);
}

TEST(SampleFigureTest, FacesTheCameraAtMinusZ) {
  const Figure& figure = IntendedSamples().figure;
  const FigureBone& leftEye = figure.bones[static_cast<std::size_t>(figure.FindBone(u"左目"))];
  EXPECT_LT(leftEye.position.z, proportions::kHeadCentre.z - 1.0f);
  EXPECT_GT(leftEye.position.x, 0.0f) << "the figure's left is +x";
  const FigureBone& toe = figure.bones[static_cast<std::size_t>(figure.FindBone(u"左つま先"))];
  EXPECT_LT(toe.position.z, -1.0f);
}

TEST(SampleFigureTest, IndicesAndMaterialRangesCoverTheMesh) {
  const Figure& figure = IntendedSamples().figure;
  ASSERT_EQ(figure.indices.size() % 3, 0u);
  std::uint32_t next = 0;
  for (const FigureMaterial& m : figure.materials) {
    EXPECT_EQ(m.firstIndex, next) << "materials take consecutive index ranges";
    EXPECT_GT(m.indexCount, 0u);
    EXPECT_EQ(m.indexCount % 3, 0u);
    next += m.indexCount;
  }
  EXPECT_EQ(next, figure.indices.size());
  for (std::uint32_t i : figure.indices) ASSERT_LT(i, figure.vertices.size());
}

TEST(SampleFigureTest, VerticesAreSkinnedToOneTwoAndFourBonesWithWeightsSummingToOne) {
  const Figure& figure = IntendedSamples().figure;
  std::map<int, std::size_t> byCount;
  for (const FigureVertex& v : figure.vertices) {
    ASSERT_GE(v.skin.count, 1);
    ASSERT_LE(v.skin.count, 4);
    float sum = 0.0f;
    for (int k = 0; k < v.skin.count; ++k) {
      ASSERT_GE(v.skin.bones[static_cast<std::size_t>(k)], 0);
      ASSERT_LT(v.skin.bones[static_cast<std::size_t>(k)], static_cast<int>(figure.bones.size()));
      sum += v.skin.weights[static_cast<std::size_t>(k)];
    }
    EXPECT_NEAR(sum, 1.0f, 1e-4f);
    ++byCount[v.skin.count];
  }
  EXPECT_GT(byCount[1], 1000u);
  EXPECT_GT(byCount[2], 100u);
  EXPECT_GT(byCount[3] + byCount[4], 100u);
}

TEST(SampleFigureTest, NormalsAreUnitAndPointOutOfTheHead) {
  const Figure& figure = IntendedSamples().figure;
  const FigureMaterial& face = figure.materials[0];
  std::size_t outward = 0, total = 0;
  for (const FigureVertex& v : figure.vertices) ASSERT_NEAR(Length(v.normal), 1.0f, 1e-3f);
  for (std::uint32_t i = face.firstIndex; i < face.firstIndex + face.indexCount; ++i) {
    const FigureVertex& v = figure.vertices[figure.indices[i]];
    outward += Dot(v.normal, v.position - proportions::kHeadCentre) > 0.0f;
    ++total;
  }
  EXPECT_EQ(outward, total);
}

TEST(SampleFigureTest, FrontFacesWindClockwiseSeenFromOutside) {
  // cross(b - a, c - a) points along the vertex normals for nearly every
  // triangle (the eyelids, folded flat at rest, have none).
  const Figure& figure = IntendedSamples().figure;
  std::size_t agree = 0, disagree = 0;
  for (std::size_t t = 0; t < figure.indices.size(); t += 3) {
    const FigureVertex& a = figure.vertices[figure.indices[t]];
    const FigureVertex& b = figure.vertices[figure.indices[t + 1]];
    const FigureVertex& c = figure.vertices[figure.indices[t + 2]];
    const Vec3 n = Cross(b.position - a.position, c.position - a.position);
    if (Length(n) < 1e-7f) continue;
    (Dot(n, a.normal + b.normal + c.normal) > 0.0f ? agree : disagree) += 1;
  }
  EXPECT_LT(disagree, agree / 200);
}

TEST(SampleFigureTest, HasTheStandardBonesWithLegAndToeIk) {
  const Figure& figure = IntendedSamples().figure;
  for (const char16_t* name :
       {u"全ての親", u"センター", u"グルーブ", u"腰", u"上半身", u"上半身2", u"下半身", u"首", u"頭",
        u"両目", u"左目", u"右目", u"左肩", u"左腕", u"左ひじ", u"左手首", u"左足", u"左ひざ",
        u"左足首", u"左つま先", u"左足ＩＫ", u"左つま先ＩＫ", u"右肩", u"右腕", u"右ひじ",
        u"右手首", u"右足", u"右ひざ", u"右足首", u"右つま先", u"右足ＩＫ", u"右つま先ＩＫ"})
    EXPECT_GE(figure.FindBone(name), 0) << "missing bone";
  for (std::size_t i = 0; i < figure.bones.size(); ++i)
    EXPECT_LT(figure.bones[i].parent, static_cast<int>(i)) << "parents come before children";

  const FigureBone& legIk = figure.bones[static_cast<std::size_t>(figure.FindBone(u"左足ＩＫ"))];
  EXPECT_EQ(legIk.ikTarget, figure.FindBone(u"左足首"));
  ASSERT_EQ(legIk.ikLinks.size(), 2u);
  EXPECT_EQ(legIk.ikLinks[0].bone, figure.FindBone(u"左ひざ"));
  EXPECT_TRUE(legIk.ikLinks[0].limited);
  EXPECT_EQ(legIk.ikLinks[0].lower.y, 0.0f);
  EXPECT_EQ(legIk.ikLinks[0].upper.z, 0.0f);
  EXPECT_LT(legIk.ikLinks[0].upper.x, 0.0f) << "the knee bends one way only";
  EXPECT_EQ(legIk.ikLinks[1].bone, figure.FindBone(u"左足"));
  EXPECT_GT(legIk.ikLoops, 0);
  EXPECT_GT(legIk.ikLimit, 0.0f);

  const FigureBone& toeIk = figure.bones[static_cast<std::size_t>(figure.FindBone(u"左つま先ＩＫ"))];
  EXPECT_EQ(toeIk.parent, figure.FindBone(u"左足ＩＫ"));
  EXPECT_EQ(toeIk.ikTarget, figure.FindBone(u"左つま先"));
  ASSERT_EQ(toeIk.ikLinks.size(), 1u);
  EXPECT_EQ(toeIk.ikLinks[0].bone, figure.FindBone(u"左足首"));
}

TEST(SampleFigureTest, HasMorphsOfEveryKindTheProgramApplies) {
  const Figure& figure = IntendedSamples().figure;
  std::set<MorphKind> kinds;
  for (const FigureMorph& m : figure.morphs) kinds.insert(m.kind);
  EXPECT_EQ(kinds, (std::set<MorphKind>{MorphKind::Group, MorphKind::Vertex, MorphKind::Bone,
                                          MorphKind::Uv, MorphKind::Material}));
  int multiply = 0, add = 0;
  for (const FigureMorph& m : figure.morphs)
    for (const MaterialMorphOffset& o : m.materialOffsets) (o.operation == 0 ? multiply : add) += 1;
  EXPECT_GE(multiply, 1);
  EXPECT_GE(add, 1);
  for (const FigureMorph& m : figure.morphs)
    for (const GroupMorphOffset& o : m.groupOffsets) {
      ASSERT_GE(o.morph, 0);
      EXPECT_NE(figure.morphs[static_cast<std::size_t>(o.morph)].kind, MorphKind::Group);
    }
}

// Area of the triangles that the morph moves, with its offsets applied at `weight`.
float MovedArea(const Figure& figure, const FigureMorph& morph, float weight) {
  std::map<std::uint32_t, Vec3> moved;
  for (const VertexMorphOffset& o : morph.vertexOffsets) moved[o.vertex] = o.offset;
  const auto at = [&](std::uint32_t i) {
    const auto found = moved.find(i);
    return figure.vertices[i].position + (found == moved.end() ? Vec3{} : found->second * weight);
  };
  float area = 0.0f;
  for (std::size_t t = 0; t < figure.indices.size(); t += 3) {
    const std::uint32_t a = figure.indices[t], b = figure.indices[t + 1], c = figure.indices[t + 2];
    if (!moved.count(a) && !moved.count(b) && !moved.count(c)) continue;
    area += 0.5f * Length(Cross(at(b) - at(a), at(c) - at(a)));
  }
  return area;
}

TEST(SampleFigureTest, BlinkUnfoldsTheLidsOverTheEyesAndTheMouthShapesOpenIt) {
  const Figure& figure = IntendedSamples().figure;
  const FigureMorph& blink = figure.morphs[static_cast<std::size_t>(figure.FindMorph(u"まばたき"))];
  EXPECT_LT(MovedArea(figure, blink, 0.0f), 1e-4f) << "the lids are folded away at rest";
  const float eyeArea = 2.0f * 3.1416f * (proportions::kLeftEye.halfTheta * proportions::kHeadRadii.x) *
                        (proportions::kLeftEye.halfPhi * proportions::kHeadRadii.y);
  EXPECT_GT(MovedArea(figure, blink, 1.0f), eyeArea) << "shut lids cover both eyes";

  const FigureMorph& a = figure.morphs[static_cast<std::size_t>(figure.FindMorph(u"あ"))];
  const FigureMorph& i = figure.morphs[static_cast<std::size_t>(figure.FindMorph(u"い"))];
  const float rest = MovedArea(figure, a, 0.0f);
  EXPECT_GT(MovedArea(figure, a, 1.0f), 4.0f * rest);
  EXPECT_GT(MovedArea(figure, i, 1.0f), 1.5f * rest);
}

}  // namespace
}  // namespace brivonel::samples
