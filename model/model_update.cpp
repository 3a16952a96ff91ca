// One frame of the model, stage by stage. Each frame starts again from the
// rest state, so the pose depends on the motion and the time alone (physics
// adds the frames before); drawing reads the result and changes nothing.
#include <algorithm>

#include "model/model.h"

namespace brivonel {

int Model::Update(std::uint64_t elapsedMilliseconds) {
  if (loading) return 0;
  StartFromRest();
  const int shift = PoseFromMotion(elapsedMilliseconds);
  ApplyMotionProperties();
  ApplyMorphTracks();
  ApplyGrants();
  ComputeWorldMatrices();
  SolveIkChains(poseCache_.parentsFirst);
  ApplyGrantsAfterIk();
  TurnTowardPointer();
  MoveKinematicBodies();
  StepPhysics();
  PoseBonesFromBodies();
  PoseBonesAfterPhysics();
  ComputeSkinningMatrices();
  return shift;
}

void Model::StartFromRest() {
  RefreshHierarchy();
  RefreshLayerOrder();
  for (Bone& bone : bones) {
    bone.position = bone.restPosition;
    bone.rotation = QuaternionIdentity();
  }
  // The vertices the last frame's morphs moved; drawing uploads the rest
  // values too when nothing moves them again.
  const std::size_t count = std::min(posedVertices.size(), baseVertices.size());
  for (std::uint32_t number : touchedVertices)
    if (number < count) posedVertices[number] = baseVertices[number];
  if (!touchedVertices.empty()) restoredVerticesPending_ = true;
  touchedVertices.clear();
  for (Material& material : materials) {
    material.multiplyPending = false;
    material.addPending = false;
    material.multiplyFactors = MaterialFactors{};
    material.addTerms = MaterialFactors{};
  }
}

void Model::ApplyGrantsAfterIk() {
  if (ReapplyGrantsAfterIk()) {
    // Every chain ended with the hierarchy in step; with parents first only
    // the regranted bones' subtrees are out of step.
    if (poseCache_.parentsFirst)
      RecomputeTouchedSubtrees();
    else
      ComputeWorldMatrices();
  }
  poseCache_.ClearTouched();
}

}  // namespace brivonel
