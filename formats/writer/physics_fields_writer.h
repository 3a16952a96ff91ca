#pragma once
// The rigid body and joint fields that PMX and PMD files lay out alike.
#include "formats/physics_records.h"
#include "formats/writer/byte_writer.h"

namespace brivonel::writer {

void WriteRigidBodyFields(ByteWriter& out, const RigidBodyFields& fields);
void WriteJointFields(ByteWriter& out, const JointFields& fields);

}  // namespace brivonel::writer
