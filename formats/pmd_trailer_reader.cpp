// Reading the optional trailer of a PMD file: what editors added after the
// facial morphs over the years, each part after the last, so that a file
// may end before any of them.
#include "formats/physics_block_reader.h"

namespace brivonel {
namespace {

constexpr std::size_t kRigidBodySize = 20 + 2 + kRigidBodyFieldsSize;  // 83
constexpr std::size_t kJointSize = 20 + 4 + 4 + kJointFieldsSize;     // 124

void ReadSkinDisplayList(BinaryCursor& c, PMDModel& r) {
  const std::uint8_t count = c.ReadU8();
  r.skinDisplayList.resize(count);
  for (std::uint16_t& skin : r.skinDisplayList) skin = c.ReadU16();
}

void ReadBoneGroups(BinaryCursor& c, PMDModel& r) {
  const std::uint8_t count = c.ReadU8();
  r.boneGroups.resize(count);
  for (PMDBoneGroup& group : r.boneGroups) c.ReadBytes(group.name, sizeof group.name);
}

void ReadBoneGroupEntries(BinaryCursor& c, PMDModel& r) {
  const std::uint32_t count = c.ReadU32();
  c.RequireList(count, 3);
  r.boneGroupEntries.resize(count);
  for (PMDBoneGroupEntry& entry : r.boneGroupEntries) {
    entry.bone = c.ReadU16();
    entry.group = c.ReadU8();
  }
}

// A flag, and when it is set the English names of the model and of every
// bone, facial morph but the base, and bone group.
void ReadEnglishNames(BinaryCursor& c, PMDModel& r) {
  r.hasEnglishNames = c.ReadU8() != 0;
  if (!r.hasEnglishNames) return;
  c.ReadBytes(r.englishName, sizeof r.englishName);
  c.ReadBytes(r.englishComment, sizeof r.englishComment);
  for (PMDBone& bone : r.bones) c.ReadBytes(bone.englishName, sizeof bone.englishName);
  for (std::size_t i = 1; i < r.skins.size(); ++i)
    c.ReadBytes(r.skins[i].englishName, sizeof r.skins[i].englishName);
  for (PMDBoneGroup& group : r.boneGroups)
    c.ReadBytes(group.englishName, sizeof group.englishName);
}

void ReadToonFileNames(BinaryCursor& c, PMDModel& r) {
  c.ReadBytes(r.toonFileNames, sizeof r.toonFileNames);
}

void ReadRigidBodies(BinaryCursor& c, PMDModel& r) {
  const std::uint32_t count = c.ReadU32();
  CheckRigidBodyCount(count);
  c.RequireList(count, kRigidBodySize);
  r.rigidBodies.resize(count);
  for (PMDRigidBody& body : r.rigidBodies) {
    c.ReadBytes(body.name, sizeof body.name);
    body.bone = c.ReadU16();
    static_cast<RigidBodyFields&>(body) = ReadRigidBodyFields(c);
  }
}

void ReadJoints(BinaryCursor& c, PMDModel& r) {
  const std::uint32_t count = c.ReadU32();
  CheckJointCount(count);
  c.RequireList(count, kJointSize);
  r.joints.resize(count);
  for (PMDJoint& joint : r.joints) {
    c.ReadBytes(joint.name, sizeof joint.name);
    joint.bodyA = c.ReadU32();
    joint.bodyB = c.ReadU32();
    static_cast<JointFields&>(joint) = ReadJointFields(c);
  }
}

}  // namespace

void ReadPmdTrailer(BinaryCursor& cursor, PMDModel& record) {
  using Part = void (*)(BinaryCursor&, PMDModel&);
  static constexpr Part kParts[] = {ReadSkinDisplayList, ReadBoneGroups,    ReadBoneGroupEntries,
                                    ReadEnglishNames,    ReadToonFileNames, ReadRigidBodies,
                                    ReadJoints};
  ReadPhysicsBlock(record.rigidBodies, record.joints, record.physicsNote, [&] {
    // A file that ends where a part would begin is whole.
    for (const Part part : kParts) {
      if (cursor.AtEnd()) break;
      part(cursor, record);
    }
  });
  TraceFormat("PMD rigid bodies: %zu, joints: %zu\n", record.rigidBodies.size(),
              record.joints.size());
}

}  // namespace brivonel
