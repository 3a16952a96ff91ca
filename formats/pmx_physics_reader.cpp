// Reading the display frames, rigid bodies and joints that end a PMX file.
#include <string>

#include "formats/physics_block_reader.h"
#include "formats/text_encoding.h"

namespace brivonel {
namespace {

constexpr std::size_t kTextMin = 4;

class PmxPhysicsReader {
 public:
  PmxPhysicsReader(BinaryCursor& cursor, PMXModel& record) : c_(cursor), r_(record) {}

  void Read() {
    ReadDisplayFrames();
    ReadRigidBodies();
    ReadJoints();
    TraceFormat("PMX display frames: %zu, rigid bodies: %zu, joints: %zu\n",
                r_.displayFrames.size(), r_.rigidBodies.size(), r_.joints.size());
    NoteSoftBodies();
  }

 private:
  // A count within `bound` (when given) whose elements, at least elementSize
  // bytes each, the rest of the file can hold.
  std::size_t Count(const char* what, std::size_t elementSize,
                    void (*bound)(std::uint64_t) = nullptr) {
    const std::int32_t count = c_.ReadI32();
    if (count < 0) throw FormatRefused(std::string("negative ") + what + " count");
    if (bound != nullptr) bound(static_cast<std::uint64_t>(count));
    c_.RequireList(static_cast<std::uint32_t>(count), elementSize);
    return static_cast<std::size_t>(count);
  }

  static std::size_t Width(std::uint8_t indexSize) {
    return indexSize == 2 || indexSize == 4 ? indexSize : 1;
  }

  void ReadDisplayFrames() {
    r_.displayFrames.resize(Count("display frame", 2 * kTextMin + 1 + 4));
    for (PMXDisplayFrame& frame : r_.displayFrames) {
      ReadText(c_, r_.encoding, frame.name);
      ReadText(c_, r_.encoding, frame.englishName);
      frame.special = c_.ReadU8();
      frame.elements.resize(Count("display frame element", 2));
      for (PMXDisplayFrameElement& element : frame.elements) {
        element.kind = c_.ReadU8();
        if (element.kind > 1)
          throw FormatRefused("display frame element of kind " + std::to_string(element.kind) +
                              " at byte " + std::to_string(c_.offset()));
        element.index =
            ReadIndex(c_, element.kind == 0 ? r_.boneIndexSize : r_.morphIndexSize, true);
      }
    }
  }

  void ReadRigidBodies() {
    r_.rigidBodies.resize(Count("rigid body",
                                2 * kTextMin + Width(r_.boneIndexSize) + kRigidBodyFieldsSize,
                                CheckRigidBodyCount));
    for (PMXRigidBody& body : r_.rigidBodies) {
      ReadText(c_, r_.encoding, body.name);
      ReadText(c_, r_.encoding, body.englishName);
      body.bone = ReadIndex(c_, r_.boneIndexSize, true);
      static_cast<RigidBodyFields&>(body) = ReadRigidBodyFields(c_);
    }
  }

  void ReadJoints() {
    r_.joints.resize(Count("joint",
                           2 * kTextMin + 1 + 2 * Width(r_.rigidBodyIndexSize) + kJointFieldsSize,
                           CheckJointCount));
    for (PMXJoint& joint : r_.joints) {
      ReadText(c_, r_.encoding, joint.name);
      ReadText(c_, r_.encoding, joint.englishName);
      joint.kind = c_.ReadU8();
      // Every kind has the same fields; a kind past the last one is no
      // joint this reader knows, and what follows cannot be trusted.
      if (joint.kind > kJointHinge)
        throw FormatRefused("joint " + std::to_string(&joint - r_.joints.data()) + " of kind " +
                            std::to_string(joint.kind));
      joint.bodyA = ReadIndex(c_, r_.rigidBodyIndexSize, true);
      joint.bodyB = ReadIndex(c_, r_.rigidBodyIndexSize, true);
      static_cast<JointFields&>(joint) = ReadJointFields(c_);
    }
  }

  // PMX 2.1 files may end with soft bodies, which this program does not
  // simulate; they are left unread.
  void NoteSoftBodies() {
    if (r_.version <= 2.0f || c_.remaining() < 4) return;
    const std::int32_t count = c_.ReadI32();
    if (count != 0) TraceFormat("PMX %d soft bodies not read\n", count);
  }

  BinaryCursor& c_;
  PMXModel& r_;
};

}  // namespace

void ReadPmxPhysics(BinaryCursor& cursor, PMXModel& record) {
  if (cursor.AtEnd()) return;
  ReadPhysicsBlock(record.rigidBodies, record.joints, record.physicsNote,
                   [&] { PmxPhysicsReader(cursor, record).Read(); });
}

}  // namespace brivonel
