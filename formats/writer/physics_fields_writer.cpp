#include "formats/writer/physics_fields_writer.h"

namespace brivonel::writer {

void WriteRigidBodyFields(ByteWriter& out, const RigidBodyFields& f) {
  out.U8(f.group).U16(f.collisionMask).U8(f.shape);
  out.Put(f.size).Put(f.position).Put(f.rotation);
  out.F32(f.mass).F32(f.linearDamping).F32(f.angularDamping).F32(f.restitution).F32(f.friction);
  out.U8(f.mode);
}

void WriteJointFields(ByteWriter& out, const JointFields& f) {
  out.Put(f.position).Put(f.rotation);
  out.Put(f.linearLower).Put(f.linearUpper).Put(f.angularLower).Put(f.angularUpper);
  out.Put(f.linearStiffness).Put(f.angularStiffness);
}

}  // namespace brivonel::writer
