// Pose evaluation on real model and motion files: the model's Update against
// the literal rules on every fixture model with every fixture motion, and the
// cube's pose against the one another player recorded for it.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "base/unicode.h"
#include "formats/pmx_decoder.h"
#include "formats/vmd_decoder.h"
#include "model/model_setup.h"
#include "tests/model/pose_reference.h"
#include "tests/support/fixtures.h"
#include "tests/support/pose_rigs.h"
#include "tests/support/recording_gpu.h"

namespace brivonel {
namespace {

// A fixture model with its GPU objects on a recording device, playing a
// fixture motion in front of the standard camera.
struct Player {
  explicit Player(const std::filesystem::path& modelPath, const std::filesystem::path& motionPath,
                  const test::Camera& camera)
      : model(std::make_shared<Model>()), gpu(std::make_shared<test::RecordingGpu>()) {
    model->SetDevice(gpu, gpu);
    loaded = PMXDecoder().Decode(FromFsPath(modelPath), model) == ModelBuilt;
    if (!loaded) return;
    // Rigs without geometry cannot have a vertex buffer; they only need the
    // bone buffer for their skinning matrices.
    drawable = !model->meshes.empty() && !model->meshes[0]->vertices.empty();
    if (drawable)
      model->CreateGpuResources();
    else
      test::EnableSkinning(*model);
    auto animation = std::make_shared<Animation>();
    loaded = VMDDecoder().Decode(FromFsPath(motionPath), animation, model->bones) == ModelBuilt;
    model->animation = animation;
    LinkMorphTracks(*model);
    test::AttachCamera(*model, camera, 960, 1040);
  }

  std::shared_ptr<Model> model;
  std::shared_ptr<test::RecordingGpu> gpu;
  bool loaded = false;
  bool drawable = false;
};

std::vector<std::filesystem::path> FixturesWithExtension(const char* extension) {
  std::vector<std::filesystem::path> files;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(test::FixturesDir()))
    if (entry.path().extension() == extension) files.push_back(entry.path());
  std::sort(files.begin(), files.end());
  return files;
}

TEST(PoseFixturesTest, EveryModelWithEveryMotionMatchesTheLiteralRules) {
  BRIVONEL_REQUIRE_FIXTURES();
  const test::Camera camera = test::StandardCamera(960, 1040);
  const auto models = FixturesWithExtension(".pmx");
  const auto motions = FixturesWithExtension(".vmd");
  ASSERT_FALSE(models.empty());
  ASSERT_FALSE(motions.empty());
  int posedBones = 0;
  for (const auto& modelPath : models) {
    for (const auto& motionPath : motions) {
      SCOPED_TRACE(modelPath.filename().string() + " with " + motionPath.filename().string());
      Player fast(modelPath, motionPath, camera);
      Player slow(modelPath, motionPath, camera);
      ASSERT_TRUE(fast.loaded && slow.loaded);
      for (const BoneTrack& track : fast.model->animation->boneTracks) posedBones += track.keys.empty() ? 0 : 1;
      std::uint64_t elapsed = 0;
      for (int frame = 0; frame < 250; ++frame, elapsed += 33 + static_cast<std::uint64_t>(frame % 5)) {
        ASSERT_EQ(fast.model->Update(elapsed), test::ReferenceUpdate(*slow.model, elapsed)) << frame;
        const std::vector<Bone>& a = fast.model->bones;
        const std::vector<Bone>& b = slow.model->bones;
        for (std::size_t i = 0; i < a.size(); ++i) {
          ASSERT_TRUE(SameBits(a[i].worldMatrix, b[i].worldMatrix)) << "bone " << i << " frame " << frame;
          ASSERT_TRUE(SameBits(a[i].rotation, b[i].rotation)) << "bone " << i << " frame " << frame;
        }
        ASSERT_EQ(fast.model->skinningMatrices.size(), slow.model->skinningMatrices.size());
        for (std::size_t i = 0; i < a.size(); ++i)
          ASSERT_TRUE(SameBits(fast.model->skinningMatrices[i], slow.model->skinningMatrices[i])) << i;
        ASSERT_EQ(fast.model->touchedVertices, slow.model->touchedVertices);
        for (std::size_t v = 0; v < fast.model->posedVertices.size(); ++v)
          ASSERT_TRUE(SameBits(fast.model->posedVertices[v], slow.model->posedVertices[v])) << v;
        if (fast.drawable) fast.model->Render();
      }
    }
  }
  EXPECT_GT(posedBones, 0) << "no motion drove any fixture bone";
}

// The 16 numbers of the named stage's world matrix for each recorded frame
// of a runtime dump: {frame, matrix} in file order. The dump stores each
// matrix column by column for column vectors, which lists the same numbers as
// our row-by-row matrices for row vectors.
std::vector<std::pair<int, std::vector<float>>> ReadDumpMatrices(const std::filesystem::path& path,
                                                                 const std::string& stage) {
  std::ifstream file(path);
  std::stringstream text;
  text << file.rdbuf();
  const std::string json = text.str();
  std::vector<std::pair<int, std::vector<float>>> frames;
  std::size_t at = json.find("\"frames\"");
  while (at != std::string::npos) {
    at = json.find("\"frame\":", at);
    if (at == std::string::npos) break;
    const int frame = std::stoi(json.substr(at + 8, 16));
    const std::size_t stageAt = json.find("\"" + stage + "\"", at);
    const std::size_t open = json.find('[', json.find("worldMatricesColumnMajor", stageAt));
    const std::size_t close = json.find(']', open);
    std::vector<float> numbers;
    std::stringstream list(json.substr(open + 1, close - open - 1));
    for (std::string number; std::getline(list, number, ',');) numbers.push_back(std::stof(number));
    frames.emplace_back(frame, numbers);
    at = close;
  }
  return frames;
}

TEST(PoseFixturesTest, CubeFollowsItsMotionAsAnotherPlayerRecordedIt) {
  BRIVONEL_REQUIRE_FIXTURES();
  const test::Camera camera = test::StandardCamera(960, 1040);
  Player cube(test::Fixture("yohawing/test_1bone_cube.pmx"),
              test::Fixture("yohawing/test_1bone_cube_motion.vmd"), camera);
  ASSERT_TRUE(cube.loaded);
  const auto recorded = ReadDumpMatrices(test::Fixture("yohawing/test_1bone_cube_dump.json"), "ik");
  ASSERT_EQ(recorded.size(), 3u);
  for (const auto& [frame, numbers] : recorded) {
    ASSERT_EQ(numbers.size(), 16u);
    cube.model->Update(static_cast<std::uint64_t>(frame) * 33);
    ASSERT_EQ(cube.model->animation->currentFrame, static_cast<std::uint32_t>(frame));
    const Matrix4& world = cube.model->bones[0].worldMatrix;
    // The position agrees exactly (the motion does not move the bone); the
    // rotation agrees to the precision of the 15-step curve solution.
    for (int c = 0; c < 3; ++c) EXPECT_EQ(world.m[3][c], numbers[static_cast<std::size_t>(12 + c)]);
    for (int r = 0; r < 4; ++r)
      for (int c = 0; c < 4; ++c)
        EXPECT_NEAR(world.m[r][c], numbers[static_cast<std::size_t>(4 * r + c)], 2e-4f)
            << "frame " << frame << " row " << r << " column " << c;
  }
}

// The append-bone rig: B takes A's rotation and translation, D takes minus
// B's rotation (so A -> B -> D in bone order), C takes C親's. The motion's
// latest keys are at frame 5, although its first track (全ての親) has its
// only key at frame 0.
TEST(PoseFixturesTest, AppendBoneRigPlaysItsMotionWithItsGrants) {
  BRIVONEL_REQUIRE_FIXTURES();
  const test::Camera camera = test::StandardCamera(960, 1040);
  Player rig(test::Fixture("yohawing/test_append_bone.pmx"), test::Fixture("yohawing/test_append_bone.vmd"),
             camera);
  ASSERT_TRUE(rig.loaded);
  Model& model = *rig.model;
  ASSERT_EQ(model.bones.size(), 9u);
  ASSERT_EQ(model.bones[3].name, u"A");
  ASSERT_EQ(model.bones[5].name, u"B");
  ASSERT_EQ(model.bones[8].name, u"D");
  ASSERT_EQ(model.grants.size(), 3u);
  ASSERT_EQ(model.animation->boneTracks.front().keys.size(), 1u);

  model.Update(9 * 33);
  EXPECT_EQ(model.animation->currentFrame, 4u);  // looped at frame 5
  model.Update(5 * 33);
  ASSERT_EQ(model.animation->currentFrame, 5u);
  // A親 is keyed back to the origin and turned 45 degrees about x; A, keyed
  // one unit along x and turned the same way, hangs from it.
  const Matrix4& a = model.bones[3].worldMatrix;
  EXPECT_NEAR(a.m[3][0], 1.0f, 1e-4f);
  EXPECT_NEAR(a.m[3][1], 0.0f, 1e-4f);
  EXPECT_NEAR(a.m[3][2], 2.0f * 1.4142135f, 1e-4f);
  // Two 45-degree turns about x: A's y axis points along z.
  EXPECT_NEAR(a.m[1][2], 1.0f, 1e-4f);
  // B, keyed 45 degrees about x, also takes A's 45 degrees and A's move of
  // one unit along x: it stands one unit right of its rest place (2, 2, 2)
  // under the unmoved B親, turned a quarter about x.
  const Matrix4& b = model.bones[5].worldMatrix;
  EXPECT_NEAR(b.m[3][0], 3.0f, 1e-4f);
  EXPECT_NEAR(b.m[3][1], 2.0f, 1e-4f);
  EXPECT_NEAR(b.m[3][2], 2.0f, 1e-4f);
  EXPECT_NEAR(b.m[1][2], 1.0f, 1e-4f);
  // D takes minus B's whole turn: a quarter the other way.
  const Matrix4& d = model.bones[8].worldMatrix;
  EXPECT_NEAR(d.m[1][2], -1.0f, 1e-4f);
  EXPECT_NEAR(d.m[3][0], 0.0f, 1e-6f);
  // At frame 0 everything is at rest again: no grant adds onto the last one.
  model.Update(0);
  for (const Bone& bone : model.bones)
    for (int r = 0; r < 4; ++r)
      for (int c = 0; c < 4; ++c)
        EXPECT_NEAR(bone.worldMatrix.m[r][c], bone.bindMatrix.m[r][c], 1e-6f) << Utf16ToUtf8(bone.name);
}

}  // namespace
}  // namespace brivonel
