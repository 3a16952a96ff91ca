// The rigid bodies and joints at the end of PMX and PMD files: read back as
// written, placed in model space by the builders, optional parts of the PMD
// trailer, and damaged blocks that leave the model without physics.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <iterator>
#include <limits>

#include "formats/pmd_decoder.h"
#include "formats/pmx_decoder.h"
#include "tests/formats/format_test_support.h"
#include "tests/support/trace_capture.h"

namespace brivonel {
namespace {

using test::PhysicsPmd;
using test::PhysicsPmx;

// Read and built as the program does (without textures); ModelBuilt expected.
struct Built {
  std::string note;
  Model model;
};

void BuildPmx(const std::vector<std::uint8_t>& bytes, Built& out) {
  PMXModel record;
  ASSERT_EQ(PMXDecoder::Read(bytes, record), FileRead) << record.formatError;
  ASSERT_EQ(PMXDecoder::Build(record, out.model, TextureLoading::kSkip), ModelBuilt);
  out.note = record.physicsNote;
}

void BuildPmd(const std::vector<std::uint8_t>& bytes, Built& out) {
  PMDModel record;
  ASSERT_EQ(PMDDecoder::Read(bytes, record), FileRead);
  ASSERT_EQ(PMDDecoder::Build(record, out.model, TextureLoading::kSkip), ModelBuilt);
  out.note = record.physicsNote;
}

// The unit quaternion of a turn by `radians` about one axis (0 x, 1 y, 2 z).
Quaternion AxisTurn(int axis, float radians) {
  Quaternion q{0.0f, 0.0f, 0.0f, std::cos(radians / 2)};
  (axis == 0 ? q.x : axis == 1 ? q.y : q.z) = std::sin(radians / 2);
  return q;
}

void ExpectNear(const Quaternion& actual, const Quaternion& expected) {
  EXPECT_NEAR(actual.x, expected.x, 1e-6f);
  EXPECT_NEAR(actual.y, expected.y, 1e-6f);
  EXPECT_NEAR(actual.z, expected.z, 1e-6f);
  EXPECT_NEAR(actual.w, expected.w, 1e-6f);
}

// Both revisions and every index width; PMX 2.1 adds a hinge joint and soft
// bodies after the joints, neither of which the program simulates.
TEST(PhysicsRead, PmxBlockReadsBackAsWritten) {
  struct Layout {
    float version;
    std::uint8_t indexSize;
  };
  for (const Layout layout : {Layout{2.0f, 1}, Layout{2.0f, 2}, Layout{2.1f, 4}}) {
    SCOPED_TRACE(testing::Message() << layout.version << " " << int{layout.indexSize});
    PMXModel r = PhysicsPmx();
    r.version = layout.version;
    r.boneIndexSize = r.morphIndexSize = r.rigidBodyIndexSize = layout.indexSize;
    std::vector<std::uint8_t> bytes;
    if (layout.version > 2.0f) {
      r.joints.push_back(test::PmxJoint(u"hinge", 0, 2, test::SpringFields({0, 1, 0})));
      r.joints.back().kind = kJointHinge;
      bytes = writer::WritePmx(r);
      writer::ByteWriter softBodies;
      softBodies.I32(1).Field("a soft body this reader never sees", 40);
      bytes.insert(bytes.end(), softBodies.bytes().begin(), softBodies.bytes().end());
    } else {
      bytes = writer::WritePmx(r);
    }
    PMXModel back;
    ASSERT_EQ(PMXDecoder::Read(bytes, back), FileRead) << back.formatError;
    EXPECT_EQ(back.physicsNote, "");
    EXPECT_TRUE(back.displayFrames == r.displayFrames);
    EXPECT_TRUE(back.rigidBodies == r.rigidBodies);
    EXPECT_TRUE(back.joints == r.joints);

    Built built;
    BuildPmx(bytes, built);
    EXPECT_EQ(built.model.physicsDescription.bodies.size(), 3u);
    EXPECT_EQ(built.model.physicsDescription.joints.size(), 2u);  // no hinge
  }
}

TEST(PhysicsBuild, PmxBodiesAndJointsAreInModelSpace) {
  Built built;
  BuildPmx(writer::WritePmx(PhysicsPmx()), built);
  const physics::PhysicsDescription& d = built.model.physicsDescription;
  ASSERT_EQ(d.bodies.size(), 3u);
  const physics::RigidBodyDescription& hair = d.bodies[1];
  EXPECT_EQ(hair.bone, 2);
  EXPECT_EQ(hair.group, 1);
  EXPECT_EQ(hair.collidesWith, 0xFFFC);  // the file's mask: passes through groups 0 and 1
  EXPECT_EQ(d.bodies[0].collidesWith, 0xFFFF);
  EXPECT_EQ(hair.shape, physics::BodyShape::kCapsule);
  EXPECT_EQ(hair.size, (Float3{0.2f, 0.8f, 0}));
  EXPECT_EQ(hair.position, (Float3{0, 2.5f, -0.55f}));
  ExpectNear(hair.rotation, AxisTurn(0, 0.1f));
  ExpectNear(d.bodies[2].rotation, AxisTurn(2, 0.2f));
  EXPECT_EQ(hair.mass, 0.2f);
  EXPECT_EQ(d.bodies[0].mode, physics::BodyMode::kFollowBone);
  EXPECT_EQ(hair.mode, physics::BodyMode::kDynamic);
  // The file keeps the tip's place, but it hangs below the dynamic body of
  // its bone's parent: it swings with the chain.
  EXPECT_EQ(d.bodies[2].mode, physics::BodyMode::kDynamic);
  ASSERT_EQ(d.joints.size(), 2u);
  const physics::JointDescription& joint = d.joints[1];
  EXPECT_EQ(joint.bodyA, 1);
  EXPECT_EQ(joint.bodyB, 2);
  EXPECT_EQ(joint.position, (Float3{0, 2, -0.6f}));
  ExpectNear(joint.rotation, AxisTurn(1, 0.3f));
  EXPECT_EQ(joint.angularUpper, (Float3{0.5f, 0, 0.3f}));
  EXPECT_EQ(joint.angularStiffness, (Float3{20, 0, 20}));
  EXPECT_EQ(built.note, "");
}

TEST(PhysicsBuild, PmdBodiesSitOnTheirBonesAndTheTrailerReadsBack) {
  const PMDModel r = PhysicsPmd();
  const std::vector<std::uint8_t> bytes = writer::WritePmd(r);
  PMDModel back;
  ASSERT_EQ(PMDDecoder::Read(bytes, back), FileRead);
  EXPECT_EQ(back.skinDisplayList, r.skinDisplayList);
  ASSERT_EQ(back.boneGroups.size(), 1u);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(back.boneGroups[0].englishName)), "hair");
  EXPECT_EQ(back.boneGroupEntries.size(), 2u);
  EXPECT_TRUE(back.hasEnglishNames);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(back.skins[1].englishName)), "blink");
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(back.bones[3].englishName)), "bone");
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(back.toonFileNames[9])), "toon10.bmp");
  EXPECT_TRUE(back.rigidBodies == r.rigidBodies);
  EXPECT_TRUE(back.joints == r.joints);

  Built built;
  BuildPmd(bytes, built);
  const physics::PhysicsDescription& d = built.model.physicsDescription;
  ASSERT_EQ(d.bodies.size(), 4u);
  EXPECT_EQ(d.bodies[0].position, (Float3{0, 3.2f, 0}));  // head bone at (0, 3, 0)
  EXPECT_EQ(d.bodies[1].position, (Float3{0, 2.5f, -0.55f}));
  EXPECT_EQ(d.bodies[2].position, (Float3{0, 1.6f, -0.6f}));
  EXPECT_EQ(d.bodies[1].bone, 2);
  // On no bone: placed from the first bone (0, 1, 0).
  EXPECT_EQ(d.bodies[3].bone, -1);
  EXPECT_EQ(d.bodies[3].position, (Float3{0, 2.5f, 0}));
  ASSERT_EQ(d.joints.size(), 2u);
  EXPECT_EQ(d.joints[1].bodyA, 1);
  EXPECT_EQ(d.joints[1].position, (Float3{0, 2, -0.6f}));  // joints are in model space
  EXPECT_EQ(built.note, "");
}

// Every part of the trailer is optional: a file that ends where one begins
// is whole (without the parts after it), one that ends inside a part is
// damaged and loads without physics.
TEST(PhysicsRead, PmdFilesMayEndBetweenTheTrailersParts) {
  const PMDModel r = PhysicsPmd();
  const std::vector<std::uint8_t> bytes = writer::WritePmd(r);
  const std::size_t bones = r.bones.size(), groups = r.boneGroups.size();
  const std::size_t parts[] = {
      1 + 2 * r.skinDisplayList.size(),                               // facial morph list
      1 + 50 * groups,                                                 // bone group names
      4 + 3 * r.boneGroupEntries.size(),                               // bones in groups
      1 + 20 + 256 + 20 * bones + 20 * (r.skins.size() - 1) + 50 * groups,  // English
      10 * 100,                                                        // toon file names
      4 + 83 * r.rigidBodies.size(),
      4 + 124 * r.joints.size()};
  std::size_t trailer = 0;
  for (std::size_t part : parts) trailer += part;
  std::size_t end = bytes.size() - trailer;
  for (std::size_t k = 0; k < std::size(parts); ++k) {
    SCOPED_TRACE(k);
    Built whole;
    BuildPmd({bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(end)}, whole);
    EXPECT_EQ(whole.note, "");
    // The bodies come whole with the sixth part; a model may have no joints.
    EXPECT_EQ(whole.model.physicsDescription.bodies.size(), k == 6 ? 4u : 0u);
    EXPECT_TRUE(whole.model.physicsDescription.joints.empty());

    Built cut;
    const std::size_t inside = end + parts[k] / 2 + 1;
    BuildPmd({bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(inside)}, cut);
    EXPECT_NE(cut.note.find("physics block cut off: file ends early at byte"), std::string::npos)
        << cut.note;
    EXPECT_TRUE(cut.model.physicsDescription.empty());
    EXPECT_EQ(cut.model.bones.size(), bones);
    end += parts[k];
  }
  EXPECT_EQ(end, bytes.size());
}

// A damaged block or one that cannot be simulated never refuses the model:
// it loads without physics, and the note and a trace line say why.
TEST(PhysicsBuild, DamagedBlocksLoadWithoutPhysicsAndSayWhy) {
  constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
  auto pmx = [](std::function<void(PMXModel&)> damage) {
    PMXModel r = PhysicsPmx();
    damage(r);
    return writer::WritePmx(r);
  };
  auto pmd = [](std::function<void(PMDModel&)> damage) {
    PMDModel r = PhysicsPmd();
    damage(r);
    return writer::WritePmd(r);
  };
  // A file of `count` empty bodies (or joints) that it holds whole: only the
  // bound stops them.
  auto manyPmx = [](bool joints, std::int32_t count) {
    PMXModel r = PhysicsPmx();
    r.rigidBodies.clear();
    r.joints.clear();
    r.rigidBodyIndexSize = 1;
    std::vector<std::uint8_t> bytes = writer::WritePmx(r);
    bytes.resize(bytes.size() - (joints ? 4 : 8));
    writer::ByteWriter tail;
    tail.I32(count);
    std::vector<std::uint8_t> records(static_cast<std::size_t>(count) * (joints ? 107 : 70));
    tail.Bytes(records.data(), records.size());
    if (!joints) tail.I32(0);
    bytes.insert(bytes.end(), tail.bytes().begin(), tail.bytes().end());
    return bytes;
  };
  auto manyPmdBodies = [](std::uint32_t count) {
    PMDModel r = PhysicsPmd();
    r.rigidBodies.resize(count);
    r.joints.clear();
    return writer::WritePmd(r);
  };
  struct Damage {
    const char* what;
    bool isPmd;
    std::vector<std::uint8_t> bytes;
    const char* reason;
  };
  std::vector<std::uint8_t> cutPmx = writer::WritePmx(PhysicsPmx());
  cutPmx.resize(cutPmx.size() - 30);
  std::vector<std::uint8_t> cutPmd = writer::WritePmd(PhysicsPmd());
  cutPmd.resize(cutPmd.size() - 2 * 124 - 4 - 40);
  const Damage cases[] = {
      {"PMX cut inside its joints", false, cutPmx, "physics block cut off: file ends early"},
      {"PMD cut inside its bodies", true, cutPmd, "physics block cut off: file ends early"},
      {"a body on a bone past the list", false, pmx([](PMXModel& r) { r.rigidBodies[1].bone = 9; }),
       "rigid body 1 names bone 9 of 4"},
      {"a PMD body on a bone past the list", true,
       pmd([](PMDModel& r) { r.rigidBodies[2].bone = 50; }), "rigid body 2 names bone 50 of 4"},
      {"a joint on a body past the list", false, pmx([](PMXModel& r) { r.joints[0].bodyB = 3; }),
       "joint 0 joins bodies 0 and 3 of 3"},
      {"a PMD joint on body 0xFFFFFFFF", true,
       pmd([](PMDModel& r) { r.joints[1].bodyA = 0xFFFFFFFF; }), "joint 1 joins bodies -1 and 2"},
      {"a position that is not a number", false,
       pmx([&](PMXModel& r) { r.rigidBodies[2].position.y = kNaN; }),
       "rigid body 2 has a position or rotation out of bounds"},
      {"a joint limit that is not a number", true,
       pmd([&](PMDModel& r) { r.joints[0].angularUpper.z = kNaN; }),
       "joint 0 has a limit or spring that is not a number"},
      {"a negative size", false, pmx([](PMXModel& r) { r.rigidBodies[0].size.x = -1.0f; }),
       "rigid body 0 has a size out of bounds"},
      {"an absurd mass", true, pmd([](PMDModel& r) { r.rigidBodies[1].mass = 1e9f; }),
       "rigid body 1 has a mass out of bounds"},
      {"a joint of no known kind", false, pmx([](PMXModel& r) { r.joints[1].kind = 9; }),
       "physics block: joint 1 of kind 9"},
      {"a display frame entry of no known kind", false,
       pmx([](PMXModel& r) { r.displayFrames[2].elements[1].kind = 7; }),
       "physics block: display frame element of kind 7"},
      {"4,097 bodies", false, manyPmx(false, 4097), "4097 rigid bodies (at most 4096)"},
      {"8,193 joints", false, manyPmx(true, 8193), "8193 joints (at most 8192)"},
      {"4,097 PMD bodies", true, manyPmdBodies(4097), "4097 rigid bodies (at most 4096)"},
  };
  for (const Damage& damage : cases) {
    SCOPED_TRACE(damage.what);
    test::TraceCapture trace;
    Built built;
    if (damage.isPmd) {
      BuildPmd(damage.bytes, built);
    } else {
      BuildPmx(damage.bytes, built);
    }
    EXPECT_TRUE(built.model.physicsDescription.empty());
    EXPECT_TRUE(built.model.physicsDescription.joints.empty());
    EXPECT_NE(built.note.find(damage.reason), std::string::npos) << built.note;
    EXPECT_EQ(built.model.bones.size(), 4u);  // the rest of the character is there
    std::size_t said = 0;
    for (const std::string& line : trace.lines())
      said += line.find(built.note) != std::string::npos ? 1 : 0;
    EXPECT_EQ(said, 1u);
  }
}

}  // namespace
}  // namespace brivonel
