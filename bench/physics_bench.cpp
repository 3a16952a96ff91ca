// Cost of physics per frame: a dancing character with 45 rigid bodies and 27
// joints (twin tails, ribbons, a skirt, and the bodies that follow the
// head, torso and legs, as real characters have them), at 30 and at 60
// frames per second, and a stress model of 500 dynamic bodies on joints.
// Each figure is the thread's CPU time of Update with physics; the same
// frames without physics are measured beside it for the difference.
//
// Target on one core: at most 0.15 ms of physics per 30-fps frame for the
// 45-body character.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <string>

#include "bench/thread_clock.h"
#include "physics/bullet/bullet_engine.h"
#include "tests/support/pose_rigs.h"

namespace brivonel {
namespace {

using physics::BodyMode;

int FindBone(const Model& model, std::u16string_view name) {
  for (std::size_t i = 0; i < model.bones.size(); ++i)
    if (model.bones[i].name == name) return static_cast<int>(i);
  return -1;
}

Float4 RestOf(const Model& model, int bone) {
  const Matrix4& m = model.bones[static_cast<std::size_t>(bone)].bindMatrix;
  return {m.m[3][0], m.m[3][1], m.m[3][2], 0.0f};
}

// A bone at `at` (model space) below `parent`, at rest.
int AppendBone(Model& model, std::u16string name, int parent, Float4 at) {
  Bone bone;
  bone.name = std::move(name);
  bone.parentIndex = parent;
  bone.index = static_cast<std::int32_t>(model.bones.size());
  bone.position = Subtract(at, RestOf(model, parent));
  bone.position.w = 0.0f;
  bone.restPosition = bone.position;
  bone.worldMatrix = bone.bindMatrix = MatrixTranslation(at);
  model.bones.push_back(bone);
  return bone.index;
}

physics::RigidBodyDescription Body(int bone, Float4 centre, BodyMode mode, float radius,
                                   float length, std::uint8_t group, std::uint16_t mask) {
  physics::RigidBodyDescription b;
  b.bone = bone;
  b.shape = length > 0.0f ? physics::BodyShape::kCapsule : physics::BodyShape::kSphere;
  b.size = {radius, length, 0.0f};
  b.position = {centre.x, centre.y, centre.z};
  b.mass = mode == BodyMode::kFollowBone ? 0.0f : 0.5f;
  b.linearDamping = 0.5f;
  b.angularDamping = 0.9f;
  b.friction = 0.5f;
  b.mode = mode;
  b.group = group;
  b.collidesWith = mask;
  return b;
}

physics::JointDescription Joint(int a, int b, Float4 at, float limit) {
  physics::JointDescription j;
  j.bodyA = a;
  j.bodyB = b;
  j.position = {at.x, at.y, at.z};
  j.angularLower = {-limit, -limit * 0.5f, -limit};
  j.angularUpper = {limit, limit * 0.5f, limit};
  j.angularStiffness = {20.0f, 20.0f, 20.0f};
  return j;
}

// A chain of `links` dynamic bodies hanging from `parentBone` (whose own body
// is `parentBody`), from `top` in steps of `step`.
void AddChain(Model& model, const std::u16string& name, int parentBone, int parentBody, Float4 top,
              Float4 step, int links, std::uint8_t group, std::uint16_t mask) {
  physics::PhysicsDescription& d = model.physicsDescription;
  int bone = parentBone;
  int body = parentBody;
  Float4 at = top;
  for (int i = 0; i < links; ++i) {
    bone = AppendBone(model, name + std::u16string(1, static_cast<char16_t>(u'1' + i)), bone, at);
    const Float4 next = Add(at, step);
    const Float4 centre = Scale(Add(at, next), 0.5f);
    d.bodies.push_back(Body(bone, centre, BodyMode::kDynamic, 0.3f, Length3(step) * 0.6f, group, mask));
    const int made = static_cast<int>(d.bodies.size()) - 1;
    if (body >= 0) d.joints.push_back(Joint(body, made, at, 0.6f));
    body = made;
    at = next;
  }
  AppendBone(model, name + u"先", bone, at);  // the tip that follows the last body
}

// The PMD-style dancer with 45 bodies and 27 joints.
void BuildCharacter(Model& model) {
  test::BuildPmdStyleRig(model);
  model.animation = test::BuildDance(model, 700, true);
  physics::PhysicsDescription& d = model.physicsDescription;
  constexpr std::uint16_t kAll = 0xFFFF;
  // Bodies that follow the figure (group 0): head, torso, hips, limbs.
  const std::u16string followed[] = {u"頭", u"首", u"上半身", u"下半身", u"左足", u"右足",
                                     u"左ひざ", u"右ひざ", u"左腕", u"右腕", u"左ひじ"};
  int headBody = -1, hipBody = -1, chestBody = -1;
  for (const std::u16string& name : followed) {
    const int bone = FindBone(model, name);
    if (bone < 0) continue;
    d.bodies.push_back(Body(bone, RestOf(model, bone), BodyMode::kFollowBone, 1.0f, 0.0f, 0, kAll));
    if (name == u"頭") headBody = static_cast<int>(d.bodies.size()) - 1;
    if (name == u"下半身") hipBody = static_cast<int>(d.bodies.size()) - 1;
    if (name == u"上半身") chestBody = static_cast<int>(d.bodies.size()) - 1;
  }
  const int head = FindBone(model, u"頭");
  const int hips = FindBone(model, u"下半身");
  const Float4 headAt = RestOf(model, head);
  const Float4 hipAt = RestOf(model, hips);
  // Hair (group 1) passes through hair; the skirt (group 2) through the skirt.
  const std::uint16_t hairMask = kAll & ~(1 << 1);
  const std::uint16_t skirtMask = kAll & ~(1 << 2);
  for (float side : {-1.0f, 1.0f}) {
    AddChain(model, side < 0 ? u"右髪" : u"左髪", head, headBody, Add(headAt, {side * 1.5f, 1.5f, 0.5f, 0}),
             {side * 0.3f, -2.0f, 0.3f, 0}, 4, 1, hairMask);
    AddChain(model, side < 0 ? u"右リボン" : u"左リボン", head, headBody,
             Add(headAt, {side * 1.6f, 2.0f, 0.2f, 0}), {side * 0.8f, -0.8f, 0.0f, 0}, 1, 1, hairMask);
  }
  const int chest = FindBone(model, u"上半身");
  AddChain(model, u"ネクタイ", chest, chestBody, Add(RestOf(model, chest), {0, 3.5f, -0.9f, 0}),
           {0, -1.5f, -0.1f, 0}, 1, 2, kAll);
  for (int chain = 0; chain < 8; ++chain) {
    const float angle = static_cast<float>(chain) * kPi / 4.0f;
    const Float4 out{std::sin(angle), 0.0f, std::cos(angle), 0};
    AddChain(model, u"スカート" + std::u16string(1, static_cast<char16_t>(u'A' + chain)), hips, hipBody,
             Add(hipAt, Scale(out, 1.3f)), Add(Scale(out, 0.4f), {0, -1.6f, 0, 0}), 2, 2, skirtMask);
  }
  // Bangs that follow the head, without joints, as fringes often are.
  while (d.bodies.size() < 45)
    d.bodies.push_back(Body(head, Add(headAt, {0, 2.5f, -1.2f, 0}), BodyMode::kFollowBone, 0.4f, 0.0f, 1,
                            hairMask));
}

// 50 chains of 10 bodies hanging from the head.
void BuildStress(Model& model) {
  test::BuildPmdStyleRig(model);
  model.animation = test::BuildDance(model, 700, true);
  const int head = FindBone(model, u"頭");
  const Float4 headAt = RestOf(model, head);
  physics::PhysicsDescription& d = model.physicsDescription;
  d.bodies.push_back(Body(head, headAt, BodyMode::kFollowBone, 1.5f, 0.0f, 0, 0xFFFF));
  for (int chain = 0; chain < 50; ++chain) {
    const float angle = static_cast<float>(chain) * 2.0f * kPi / 50.0f;
    AddChain(model, u"房" + std::u16string(1, static_cast<char16_t>(u'0' + chain)), head, 0,
             Add(headAt, {1.5f * std::sin(angle), 1.0f, 1.5f * std::cos(angle), 0}),
             {0.1f * std::sin(angle), -0.8f, 0.1f * std::cos(angle), 0}, 10, 1, 0xFFFF & ~(1 << 1));
  }
}

void RunFrames(benchmark::State& state, void (*build)(Model&), bool physicsOn, std::uint64_t frameMs,
               physics::WorldSettings settings = {}) {
  Model model;
  build(model);
  test::EnableSkinning(model);
  const test::Camera camera = test::StandardCamera(960, 1040);
  test::AttachCamera(model, camera, 960, 1040);
  physics::BulletEngine engine;
  model.SetPhysicsEngine(physicsOn ? &engine : nullptr, settings);
  std::uint64_t elapsed = 0;
  model.Update(elapsed);  // the world starts at the first frame
  for (auto _ : state) {
    elapsed += frameMs;
    const double start = bench::ThreadSeconds();
    model.Update(elapsed);
    state.SetIterationTime(bench::ThreadSeconds() - start);
  }
  state.counters["bodies"] = static_cast<double>(model.physicsDescription.bodies.size());
  state.counters["joints"] = static_cast<double>(model.physicsDescription.joints.size());
}

void BM_Character30FpsPhysics(benchmark::State& s) { RunFrames(s, BuildCharacter, true, 33); }
void BM_Character30FpsMotionOnly(benchmark::State& s) { RunFrames(s, BuildCharacter, false, 33); }
void BM_Character60FpsPhysics(benchmark::State& s) { RunFrames(s, BuildCharacter, true, 16); }
void BM_Character60FpsMotionOnly(benchmark::State& s) { RunFrames(s, BuildCharacter, false, 16); }
void BM_Stress500Bodies30FpsPhysics(benchmark::State& s) { RunFrames(s, BuildStress, true, 33); }
void BM_Stress500Bodies30FpsMotionOnly(benchmark::State& s) { RunFrames(s, BuildStress, false, 33); }

// The character at 30 frames per second with other step lengths (1/N s) and
// solver passes, for weighing cost against the defaults.
void BM_Character30FpsStepAndPasses(benchmark::State& s) {
  physics::WorldSettings w;
  w.fixedStep = 1.0f / static_cast<float>(s.range(0));
  w.solverIterations = static_cast<int>(s.range(1));
  RunFrames(s, BuildCharacter, true, 33, w);
}
BENCHMARK(BM_Character30FpsStepAndPasses)
    ->Args({120, 20})->Args({60, 30})->Args({60, 15})->Args({60, 10})
    ->Unit(benchmark::kMicrosecond)->UseManualTime()->Iterations(1000);

BENCHMARK(BM_Character30FpsPhysics)->Unit(benchmark::kMicrosecond)->UseManualTime()->Iterations(2000);
BENCHMARK(BM_Character30FpsMotionOnly)->Unit(benchmark::kMicrosecond)->UseManualTime()->Iterations(2000);
BENCHMARK(BM_Character60FpsPhysics)->Unit(benchmark::kMicrosecond)->UseManualTime()->Iterations(2000);
BENCHMARK(BM_Character60FpsMotionOnly)->Unit(benchmark::kMicrosecond)->UseManualTime()->Iterations(2000);
BENCHMARK(BM_Stress500Bodies30FpsPhysics)->Unit(benchmark::kMicrosecond)->UseManualTime()->Iterations(300);
BENCHMARK(BM_Stress500Bodies30FpsMotionOnly)->Unit(benchmark::kMicrosecond)->UseManualTime()->Iterations(300);

}  // namespace
}  // namespace brivonel

BENCHMARK_MAIN();
