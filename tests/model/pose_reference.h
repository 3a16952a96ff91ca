#pragma once
// The pose rules read literally, for comparison with the model's own
// evaluation: bone keys found by a scan from the first key, one curve at a
// time (the later key's); grants applied in order and again after IK where
// IK moved their source, or (bone by bone) each grant and chain in its turn;
// every world matrix recomputed after every IK chain and every grant taken
// in its turn, each inverse bind matrix taken anew. Slow on purpose; the
// model's Update must give the same bits.
//
// It makes the same choices as the model where the rules leave room: entries
// and chains that name missing bones, vertices, materials or morphs are
// skipped, a morph track's cursor is kept inside its keys, the cosine and
// sine read back by IK are held inside [-1, 1], a missing camera matrix is
// the identity, and a shift no int can hold is 0.
#include <cstdint>
#include <set>

#include "model/model.h"

namespace brivonel::test {

int ReferenceUpdate(Model& model, std::uint64_t elapsedMilliseconds);
void ReferenceComputeWorldMatrices(Model& model);
// Returns the IK steps taken, counted as the model counts them; the chains
// of the IK bones switchedOff names are left out.
std::uint32_t ReferenceSolveIk(Model& model, const std::set<std::int32_t>& switchedOff = {});
std::set<std::int32_t> SwitchedOffIkBones(const Model& model);
void ReferenceComputeSkinningMatrices(Model& model);
void ReferenceApplyMorph(Model& model, const PMXMorph& morph, float weight);

}  // namespace brivonel::test
