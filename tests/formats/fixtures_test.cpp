// Real files written by other programs decode, with the counts listed in the
// fixtures' MANIFEST.md.
#include <gtest/gtest.h>

#include <set>

#include "formats/mapped_file.h"
#include "formats/pmx_decoder.h"
#include "formats/vmd_decoder.h"
#include "tests/support/fixtures.h"
#include "tests/formats/format_test_support.h"

namespace brivonel {
namespace {

std::shared_ptr<Model> LoadModel(std::string_view relative) {
  auto model = std::make_shared<Model>();
  const int result = PMXDecoder().Decode(FromFsPath(test::Fixture(relative)), model);
  EXPECT_EQ(result, ModelBuilt) << relative;
  return model;
}

std::size_t IkChainsWithLinks(const Model& model) {
  std::size_t n = 0;
  for (const IkChain& chain : model.ikChains) n += chain.links.empty() ? 0 : 1;
  return n;
}

struct MotionCounts {
  std::size_t boneKeys = 0, morphKeys = 0, boneNames = 0;
  std::uint64_t lastFrame = 0;
};

MotionCounts LoadMotion(std::string_view relative) {
  VMDMotion motion;
  const MappedFile file =
      MappedFile::Open(FromFsPath(test::Fixture(relative)), kMaxMotionFileBytes);
  EXPECT_TRUE(file.mapped()) << relative;
  if (!file.mapped()) return {};
  EXPECT_EQ(VMDDecoder::Read(file.bytes(), motion), FileRead);
  MotionCounts counts;
  std::set<std::u16string> names;
  for (const VMDBoneFrame& f : motion.boneFrames) {
    names.insert(f.name);
    counts.lastFrame = std::max<std::uint64_t>(counts.lastFrame, f.frame);
  }
  counts.boneKeys = motion.boneFrames.size();
  counts.morphKeys = motion.morphFrames.size();
  counts.boneNames = names.size();
  return counts;
}

TEST(Fixtures, EveryPmxAndVmdDecodes) {
  BRIVONEL_REQUIRE_FIXTURES();
  int models = 0, motions = 0;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(test::FixturesDir())) {
    const std::filesystem::path& path = entry.path();
    if (path.extension() == ".pmx") {
      auto model = std::make_shared<Model>();
      EXPECT_EQ(PMXDecoder().Decode(FromFsPath(path), model), ModelBuilt) << path;
      EXPECT_FALSE(model->bones.empty()) << path;
      // Their display frames, bodies and joints read whole.
      PMXModel record;
      const MappedFile file = MappedFile::Open(FromFsPath(path), kMaxModelFileBytes);
      PMXDecoder::Read(file.bytes(), record);
      EXPECT_EQ(record.physicsNote, "") << path;
      ++models;
    } else if (path.extension() == ".vmd") {
      auto animation = std::make_shared<Animation>();
      EXPECT_EQ(VMDDecoder().Decode(FromFsPath(path), animation, {}), ModelBuilt) << path;
      EXPECT_FALSE(animation->boneTracks.empty()) << path;
      ++motions;
    }
  }
  EXPECT_GE(models, 16);
  EXPECT_GE(motions, 5);
}

TEST(Fixtures, CubeAndItsMotion) {
  BRIVONEL_REQUIRE_FIXTURES();
  auto cube = LoadModel("yohawing/test_1bone_cube.pmx");
  EXPECT_EQ(cube->meshes[0]->vertices.size(), 14u);
  EXPECT_EQ(cube->meshes[0]->faceCount, 12);
  EXPECT_EQ(cube->materials.size(), 1u);
  EXPECT_EQ(cube->bones.size(), 1u);

  const MotionCounts motion = LoadMotion("yohawing/test_1bone_cube_motion.vmd");
  EXPECT_EQ(motion.boneKeys, 6u);
  EXPECT_EQ(motion.boneNames, 1u);
  EXPECT_EQ(motion.lastFrame, 49u);

  auto animation = std::make_shared<Animation>();
  ASSERT_EQ(VMDDecoder().Decode(FromFsPath(test::Fixture("yohawing/test_1bone_cube_motion.vmd")),
                                animation, cube->bones),
            ModelBuilt);
  ASSERT_EQ(animation->boneTracks.size(), 1u);
  EXPECT_EQ(animation->boneTracks[0].keys.size(), 6u);
  EXPECT_EQ(animation->boneTracks[0].keys.back().frame, 49u);
}

TEST(Fixtures, BoneRigs) {
  BRIVONEL_REQUIRE_FIXTURES();
  auto basic = LoadModel("yohawing/test_basic_bone.pmx");
  EXPECT_EQ(basic->bones.size(), 79u);
  EXPECT_EQ(IkChainsWithLinks(*basic), 4u);
  auto semi = LoadModel("yohawing/test_semi_basic_bone.pmx");
  EXPECT_EQ(semi->bones.size(), 100u);
  EXPECT_EQ(IkChainsWithLinks(*semi), 4u);
  EXPECT_EQ(LoadModel("yohawing/test_given_bone_comprehensive.pmx")->bones.size(), 23u);
  EXPECT_EQ(LoadModel("yohawing/test_append_bone.pmx")->bones.size(), 9u);
  EXPECT_EQ(LoadModel("yohawing/test_fix_axis.pmx")->bones.size(), 5u);
  for (const char* name : {"babylon-mmd/bone_flag_test.pmx", "babylon-mmd/bone_hierarchy_test.pmx",
                           "babylon-mmd/bone_hierarchy_test2.pmx"}) {
    const std::size_t bones = LoadModel(name)->bones.size();
    EXPECT_GE(bones, 3u) << name;
    EXPECT_LE(bones, 5u) << name;
  }

  const MotionCounts append = LoadMotion("yohawing/test_append_bone.vmd");
  EXPECT_EQ(append.boneKeys, 13u);
  EXPECT_EQ(append.boneNames, 9u);
  EXPECT_EQ(append.lastFrame, 5u);
}

TEST(Fixtures, Utf8ModelAndZeroPaddedMotionHeader) {
  BRIVONEL_REQUIRE_FIXTURES();
  PMXModel record;
  const MappedFile file =
      MappedFile::Open(FromFsPath(test::Fixture("yohawing/joint_orient_test.pmx")), kMaxModelFileBytes);
  ASSERT_TRUE(file.mapped());
  ASSERT_EQ(PMXDecoder::Read(file.bytes(), record), FileRead);
  EXPECT_EQ(record.encoding, kPmxUtf8);
  // Its writer put 2-byte bone references in the vertices; the header says 1.
  EXPECT_EQ(record.boneIndexSize, 1);
  EXPECT_EQ(record.vertexBoneIndexSize, 2);
  EXPECT_EQ(record.vertices.size(), 24u);
  EXPECT_EQ(record.indices.size(), 108u);
  EXPECT_EQ(record.bones.size(), 3u);
  EXPECT_GT(LoadMotion("yohawing/joint_orient_test.vmd").boneKeys, 0u);
}

TEST(Fixtures, MeshesWithTexturesAndPhysics) {
  BRIVONEL_REQUIRE_FIXTURES();
  auto matcap = LoadModel("babylon-mmd/matcap_sample.pmx");
  EXPECT_EQ(matcap->meshes[0]->vertices.size(), 2452u);
  EXPECT_EQ(matcap->meshes[0]->faceCount, 4900);
  EXPECT_EQ(matcap->materials.size(), 1u);
  EXPECT_EQ(matcap->materials[0].textureId, -1);  // its one texture is the sphere
  auto uv = LoadModel("babylon-mmd/uv_morph_test.pmx");
  EXPECT_EQ(uv->meshes[0]->vertices.size(), 24u);
  EXPECT_EQ(uv->meshes[0]->faceCount, 12);
  for (const char* name : {"babylon-mmd/constraint_test.pmx", "babylon-mmd/constraint_test2.pmx",
                           "babylon-mmd/constraint_test3.pmx", "babylon-mmd/constraint_test4.pmx"}) {
    auto model = LoadModel(name);
    EXPECT_EQ(model->meshes[0]->vertices.size(), 48u) << name;
    EXPECT_EQ(model->materials.size(), 2u) << name;
    EXPECT_EQ(model->bones.size(), 2u) << name;
  }
  for (const char* name : {"babylon-mmd/physics_toggle_test_yyb10th.vmd",
                           "babylon-mmd/physics_toggle_test_v2_yyb10th.vmd",
                           "babylon-mmd/physics_toggle_test_v3_yyb10th.vmd"}) {
    const MotionCounts counts = LoadMotion(name);
    EXPECT_GE(counts.boneKeys, 3u) << name;
    EXPECT_LE(counts.boneKeys, 454u) << name;
    EXPECT_LE(counts.morphKeys, 100u) << name;
  }
}

// Two boxes on one joint: a body following the root bone and a physics body
// on its child. The joints differ in their frames and limits; the values are
// those another reader of the format (mmd-parser) gives, and the limits'
// bytes were read by hand.
TEST(Fixtures, ConstraintTestsHoldTwoBoxesOnOneJoint) {
  BRIVONEL_REQUIRE_FIXTURES();
  constexpr float kQuarterTurn = 1.5707963705062866f;
  struct Expected {
    const char* file;
    Float3 jointRotation;  // Euler angles in the file
    Float3 angularUpper;
  };
  for (const Expected& e : {Expected{"constraint_test.pmx", {}, {kQuarterTurn, 0, 0}},
                            Expected{"constraint_test2.pmx", {}, {0, 0, kQuarterTurn}},
                            Expected{"constraint_test3.pmx", {-0.06981317f, 0, 0}, {kQuarterTurn, 0, 0}},
                            Expected{"constraint_test4.pmx", {0, 0.7853982f, 0}, {0, 0, kQuarterTurn}}}) {
    SCOPED_TRACE(e.file);
    const auto model = LoadModel(std::string("babylon-mmd/") + e.file);
    const physics::PhysicsDescription& d = model->physicsDescription;
    ASSERT_EQ(d.bodies.size(), 2u);
    for (int i = 0; i < 2; ++i) {
      const physics::RigidBodyDescription& body = d.bodies[static_cast<std::size_t>(i)];
      EXPECT_EQ(body.bone, i);
      EXPECT_EQ(body.shape, physics::BodyShape::kBox);
      EXPECT_EQ(body.mode, i == 0 ? physics::BodyMode::kFollowBone : physics::BodyMode::kDynamic);
      EXPECT_EQ(body.collidesWith, 0xFFFF);  // the file's mask: it collides with every group
      EXPECT_EQ(body.mass, 1.0f);
      EXPECT_EQ(body.friction, 0.5f);
    }
    EXPECT_EQ(d.bodies[0].size, (Float3{1, 2, 1}));
    EXPECT_EQ(d.bodies[0].position, (Float3{0, 2, 0}));
    EXPECT_EQ(d.bodies[1].size, (Float3{2, 2, 2}));
    EXPECT_EQ(d.bodies[1].position, (Float3{0, 8.1f, 0}));
    ASSERT_EQ(d.joints.size(), 1u);
    const physics::JointDescription& joint = d.joints[0];
    EXPECT_EQ(joint.bodyA, 0);
    EXPECT_EQ(joint.bodyB, 1);
    EXPECT_EQ(joint.position, (Float3{0, 5, 0}));
    const Quaternion rotation = physics::RotationFromEuler(e.jointRotation);
    EXPECT_NEAR(joint.rotation.x, rotation.x, 1e-6f);
    EXPECT_NEAR(joint.rotation.y, rotation.y, 1e-6f);
    EXPECT_NEAR(joint.rotation.w, rotation.w, 1e-6f);
    EXPECT_EQ(joint.linearUpper, (Float3{}));
    EXPECT_EQ(joint.angularLower, (Float3{}));
    EXPECT_EQ(joint.angularUpper, e.angularUpper);
  }
}

}  // namespace
}  // namespace brivonel
