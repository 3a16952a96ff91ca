#pragma once
// Reading what ends PMX and PMD files: the display lists, the rigid bodies
// and the joints. A damaged physics block never makes a model fail to load:
// its reader stops there, keeps none of the block's bodies and joints and
// notes why in one line (the record's physicsNote), and the model is drawn
// without physics.
#include <cstdint>
#include <string>
#include <vector>

#include "base/trace.h"
#include "formats/binary_cursor.h"
#include "formats/decoder.h"
#include "formats/physics_records.h"
#include "formats/pmd_records.h"
#include "formats/pmx_records.h"

namespace brivonel {

// After the morphs of a PMX file: display frames, rigid bodies, joints (of
// every kind; PMX 2.1 soft bodies after them are not read). A file that ends
// right after its morphs has none of them. Raises nothing.
void ReadPmxPhysics(BinaryCursor& cursor, PMXModel& record);

// After the facial morphs of a PMD file: the display lists, English names,
// toon file names, rigid bodies and joints, each part optional (old files end
// before one of them, and are whole). Raises nothing.
void ReadPmdTrailer(BinaryCursor& cursor, PMDModel& record);

// The fields of a body after its name(s) and bone, and of a joint after its
// bodies; the same in both formats.
RigidBodyFields ReadRigidBodyFields(BinaryCursor& cursor);
JointFields ReadJointFields(BinaryCursor& cursor);

// Refuse (FormatRefused) more bodies or joints than the physics layer takes,
// before anything is allocated for them.
void CheckRigidBodyCount(std::uint64_t count);
void CheckJointCount(std::uint64_t count);

// Runs readBlock, which reads a physics block into bodies and joints. When
// the block turns out damaged (the file ends inside it, or a field is
// refused), both lists are emptied and note says why.
template <typename Body, typename Joint, typename ReadBlock>
void ReadPhysicsBlock(std::vector<Body>& bodies, std::vector<Joint>& joints, std::string& note,
                      ReadBlock readBlock) {
  try {
    readBlock();
    return;
  } catch (const FileEndsEarly& cut) {
    note = std::string("physics block cut off: ") + cut.what();
  } catch (const FormatRefused& refused) {
    note = std::string("physics block: ") + refused.what();
  }
  bodies = {};
  joints = {};
  TraceFormat("%s; the model has no physics\n", note.c_str());
}

}  // namespace brivonel
