// The sample's rigid bodies and joints: laid out so that nothing starts
// inside what it may hit, hair and skirt kept off themselves but not off the
// body; through the writers and decoders of both formats to a description
// the program simulates; and simulated, tails that swing with the dance and
// stay on the head, and a skirt that keeps its flare while the figure
// stands still.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <set>
#include <stdexcept>

#include "base/unicode.h"
#include "formats/mapped_file.h"
#include "formats/pmd_decoder.h"
#include "formats/pmx_decoder.h"
#include "formats/vmd_decoder.h"
#include "model/model_setup.h"
#include "physics/bullet/bullet_engine.h"
#include "physics/description_checks.h"
#include "render/frame_setup.h"
#include "tests/samples/sample_test_support.h"
#include "tools/sample_generator/sample_files.h"
#include "tools/sample_generator/skeleton.h"
#include "tools/sample_generator/skinning.h"
#include "tools/sample_generator/swaying_parts.h"

namespace brivonel::samples {
namespace {

Vec3 V(const Float3& v) { return {v.x, v.y, v.z}; }
Vec3 V(const Float4& v) { return {v.x, v.y, v.z}; }

const FigureBody& BodyNamed(const Figure& figure, std::u16string_view name) {
  for (const FigureBody& body : figure.bodies)
    if (body.name == name) return body;
  throw std::logic_error("no body " + Utf16ToUtf8(name));
}

// A body's own y axis in model space, as the engine turns it by the file's
// Euler angles: a capsule lies along it.
Vec3 LengthwiseAxis(const FigureBody& body) {
  const Matrix4 turn = MatrixRotationQuaternion(physics::RotationFromEuler(body.rotation));
  return V(Transform(Float4{0.0f, 1.0f, 0.0f, 0.0f}, turn));
}

// How far apart the surfaces of two bodies are (negative where they
// overlap), measured along the first's axis in fiftieths.
float Gap(const FigureBody& p, const FigureBody& q) {
  const auto axis = [](const FigureBody& body) {
    const Vec3 half = LengthwiseAxis(body) * (body.shape == 2 ? 0.5f * body.size.y : 0.0f);
    return std::pair{V(body.position) - half, V(body.position) + half};
  };
  const auto [p0, p1] = axis(p);
  const auto [q0, q1] = axis(q);
  float nearest = 1e9f;
  for (int i = 0; i <= 50; ++i)
    nearest = std::min(nearest, DistanceToSegment(Lerp(p0, p1, static_cast<float>(i) / 50.0f), q0, q1));
  return nearest - p.size.x - q.size.x;
}

bool Collide(const FigureBody& a, const FigureBody& b) {
  return ((a.collisionMask >> b.group) & 1) != 0 && ((b.collisionMask >> a.group) & 1) != 0;
}

TEST(SamplePhysicsTest, CapsulesLieAlongTheirBonesAndNothingStartsInsideWhatItMayHit) {
  const Figure& figure = IntendedSamples().figure;
  std::set<std::pair<int, int>> joined;
  for (const FigureJoint& joint : figure.joints) joined.insert(std::minmax(joint.bodyA, joint.bodyB));
  for (std::size_t i = 0; i < figure.bodies.size(); ++i) {
    const FigureBody& body = figure.bodies[i];
    // The swinging capsules: turned by the angles as the engine reads them,
    // they lie along the bones they turn.
    if (body.mode != 0) {
      const BoneSegment bone = SegmentOf(figure, figure.bones[static_cast<std::size_t>(body.bone)].name);
      EXPECT_GT(std::fabs(Dot(LengthwiseAxis(body), Normalize(bone.tail - bone.head))), 0.999f)
          << Utf16ToUtf8(body.name);
    }
    for (std::size_t j = i + 1; j < figure.bodies.size(); ++j) {
      const FigureBody& other = figure.bodies[j];
      if (!Collide(body, other) || joined.count({static_cast<int>(i), static_cast<int>(j)})) continue;
      EXPECT_GT(Gap(body, other), 0.05f) << Utf16ToUtf8(body.name) << " and " << Utf16ToUtf8(other.name);
    }
  }
}

TEST(SamplePhysicsTest, HairAndSkirtLieOnTheBodyButNotOnThemselves) {
  const Figure& figure = IntendedSamples().figure;
  struct Case {
    const char16_t* a;
    const char16_t* b;
    bool collide;
  };
  for (const Case& c : {Case{u"左髪3", u"左髪1", false}, Case{u"左髪2", u"右髪2", false},
                        Case{u"左髪2", u"頭", true}, Case{u"左髪3", u"上半身2", true},
                        Case{u"右髪3", u"右腕", true}, Case{u"左髪4", u"スカート左横後1", false},
                        Case{u"スカート左前2", u"左足", true},
                        Case{u"スカート右後2", u"右ひざ", true},
                        Case{u"スカート左前2", u"スカート右前2", false},
                        Case{u"スカート左前1", u"スカート左横前2", false}}) {
    EXPECT_EQ(Collide(BodyNamed(figure, c.a), BodyNamed(figure, c.b)), c.collide)
        << Utf16ToUtf8(c.a) << " and " << Utf16ToUtf8(c.b);
  }
}

constexpr std::int32_t kWidth = 960, kHeight = 1040;
constexpr std::uint64_t kFrameMs = 33;

// Both sample models as the program loads them (textures left out) and
// plays them, with physics or without.
class SamplePhysicsFilesTest : public ::testing::TestWithParam<std::string_view> {
 protected:
  std::shared_ptr<Model> Load(bool physics) {
    auto model = std::make_shared<Model>();
    const MappedFile file = MappedFile::Open(SamplePath(GetParam()), kMaxModelFileBytes);
    EXPECT_TRUE(file.mapped());
    if (!file.mapped()) return model;
    if (GetParam() == kPmdFile) {
      PMDModel record;
      EXPECT_EQ(PMDDecoder::Read(file.bytes(), record), FileRead);
      EXPECT_EQ(PMDDecoder::Build(record, *model, TextureLoading::kSkip), ModelBuilt);
      EXPECT_EQ(record.physicsNote, "");
    } else {
      PMXModel record;
      EXPECT_EQ(PMXDecoder::Read(file.bytes(), record), FileRead);
      EXPECT_EQ(PMXDecoder::Build(record, *model, TextureLoading::kSkip), ModelBuilt);
      EXPECT_EQ(record.physicsNote, "");
    }
    model->view = &view_;
    model->projection = &projection_;
    model->viewportWidth = kWidth;
    model->viewportHeight = kHeight;
    if (physics) model->SetPhysicsEngine(&engine_);
    return model;
  }

  void Play(Model& model, std::shared_ptr<Animation> motion) {
    model.animation = std::move(motion);
    LinkMorphTracks(model);
  }
  std::shared_ptr<Animation> Dance(const Model& model) {
    auto dance = std::make_shared<Animation>();
    EXPECT_EQ(VMDDecoder().Decode(SamplePath(kDanceFile), dance, model.bones), ModelBuilt);
    return dance;
  }

  static Vec3 At(const Model& model, std::u16string_view bone) {
    for (const Bone& b : model.bones)
      if (b.name == bone) return {b.worldMatrix.m[3][0], b.worldMatrix.m[3][1], b.worldMatrix.m[3][2]};
    ADD_FAILURE() << "no bone " << Utf16ToUtf8(bone);
    return {};
  }

  physics::BulletEngine engine_;
  Matrix4 view_ = CameraViewMatrix();
  Matrix4 projection_ = CameraProjectionMatrix(kWidth, kHeight);
};

TEST_P(SamplePhysicsFilesTest, BodiesAndJointsSurviveTheWriterAndTheDecoder) {
  const Figure& figure = IntendedSamples().figure;
  const auto model = Load(false);
  const physics::PhysicsDescription& description = model->physicsDescription;
  EXPECT_EQ(physics::CheckDescription(description, model->bones.size()), std::nullopt);
  // As many as real characters carry.
  EXPECT_GE(description.bodies.size(), 19u);
  EXPECT_LE(description.bodies.size(), 45u);
  EXPECT_GE(description.joints.size(), 8u);
  EXPECT_LE(description.joints.size(), 30u);
  ASSERT_EQ(description.bodies.size(), figure.bodies.size());
  ASSERT_EQ(description.joints.size(), figure.joints.size());
  for (std::size_t i = 0; i < figure.bodies.size(); ++i) {
    const FigureBody& intended = figure.bodies[i];
    const physics::RigidBodyDescription& body = description.bodies[i];
    SCOPED_TRACE(Utf16ToUtf8(intended.name));
    EXPECT_EQ(body.name, intended.name);
    // A PMD body on a bone the format lacks rides on the bone that stands in for it.
    const FigureBone* bone = &figure.bones[static_cast<std::size_t>(intended.bone)];
    if (GetParam() == kPmdFile && IsPmxOnlyBone(bone->name))
      bone = &figure.bones[static_cast<std::size_t>(bone->parent)];
    ASSERT_GE(body.bone, 0);
    EXPECT_EQ(model->bones[static_cast<std::size_t>(body.bone)].name, bone->name);
    EXPECT_LT(Length(V(body.position) - V(intended.position)), 1e-4f) << "in model space";
    EXPECT_GT(std::fabs(QuaternionDot(body.rotation, physics::RotationFromEuler(intended.rotation))),
              0.9999f);
    EXPECT_EQ(static_cast<int>(body.mode), intended.mode);
    EXPECT_EQ(body.group, intended.group);
    EXPECT_EQ(body.collidesWith, intended.collisionMask);
  }
  for (std::size_t i = 0; i < figure.joints.size(); ++i) {
    const physics::JointDescription& joint = description.joints[i];
    EXPECT_EQ(joint.bodyA, figure.joints[i].bodyA);
    EXPECT_EQ(joint.bodyB, figure.joints[i].bodyB);
    EXPECT_LT(Length(V(joint.position) - V(figure.joints[i].position)), 1e-4f);
    EXPECT_EQ(joint.angularUpper.x, figure.joints[i].angularUpper.x);
  }
}

// Played as the program plays it, 33 ms a frame for four seconds: the tails
// swing away from where the motion alone puts them, and stay whole and on
// the head.
TEST_P(SamplePhysicsFilesTest, TheTailsSwingWithTheDanceAndStayWithinReach) {
  const Figure& figure = IntendedSamples().figure;
  const auto still = Load(false);
  const auto swinging = Load(true);
  ASSERT_TRUE(swinging->PhysicsActive());
  Play(*still, Dance(*still));
  Play(*swinging, Dance(*swinging));
  // The tail's length root to tip along its bones: the farthest its tip can be.
  const auto rest = [&](int bone) {
    const int index = figure.FindBone(swaying::TailBoneName(1.0f, bone));
    return figure.bones[static_cast<std::size_t>(index)].position;
  };
  float reach = 0.0f;
  for (int k = 0; k < swaying::kTailBones; ++k) reach += Length(rest(k + 1) - rest(k));
  float farthest = 0.0f;
  for (std::uint64_t frame = 0; frame <= 120; ++frame) {
    still->Update(frame * kFrameMs);
    swinging->Update(frame * kFrameMs);
    for (const float side : {1.0f, -1.0f}) {
      const std::u16string rootName = swaying::TailBoneName(side, 0);
      const std::u16string tipName = swaying::TailBoneName(side, swaying::kTailBones);
      const Vec3 tip = At(*swinging, tipName);
      const Vec3 root = At(*swinging, rootName);
      ASSERT_TRUE(std::isfinite(tip.x) && std::isfinite(tip.y) && std::isfinite(tip.z)) << frame;
      EXPECT_LE(Length(tip - root), reach * 1.02f) << "frame " << frame;
      EXPECT_LT(Length(root - At(*still, rootName)), 0.01f) << "the root stays on the head";
      farthest = std::max(farthest, Length(tip - At(*still, tipName)));
    }
  }
  EXPECT_GT(farthest, 0.5f);
}

// With a motion that keys nothing, the skirt sinks no further than its
// joints' small inward limit allows (gravity alone would fold the flared
// cloth down against the legs), and everything comes to rest.
TEST_P(SamplePhysicsFilesTest, StandingStillTheSkirtKeepsItsFlareAndEverythingSettles) {
  const Figure& figure = IntendedSamples().figure;
  const auto model = Load(true);
  Play(*model, std::make_shared<Animation>());
  const auto places = [&] {
    std::vector<Vec3> at;
    for (const Bone& b : model->bones)
      at.push_back({b.worldMatrix.m[3][0], b.worldMatrix.m[3][1], b.worldMatrix.m[3][2]});
    return at;
  };
  std::vector<Vec3> before;
  for (std::uint64_t frame = 0; frame <= 180; ++frame) {
    if (frame == 170) before = places();
    model->Update(frame * kFrameMs);
  }
  const Tube skirt = swaying::Skirt();
  for (int chain = 0; chain < swaying::kSkirtChains; ++chain) {
    const std::u16string name = swaying::SkirtBoneName(chain, swaying::kSkirtBones - 1);
    const Vec3 axis = skirt.Axis(swaying::kSkirtBoneAt.back());
    const auto flare = [&](Vec3 p) { return std::hypot(p.x - axis.x, p.z - axis.z); };
    EXPECT_GT(flare(At(*model, name)),
              flare(figure.bones[static_cast<std::size_t>(figure.FindBone(name))].position) - 0.25f)
        << Utf16ToUtf8(name);
  }
  const std::vector<Vec3> after = places();
  for (std::size_t b = 0; b < after.size(); ++b)
    EXPECT_LT(Length(after[b] - before[b]), 0.1f) << Utf16ToUtf8(model->bones[b].name);
}

INSTANTIATE_TEST_SUITE_P(BothModels, SamplePhysicsFilesTest, ::testing::Values(kPmxFile, kPmdFile),
                         [](const auto& test) { return test.param == kPmdFile ? "Pmd" : "Pmx"; });

}  // namespace
}  // namespace brivonel::samples
