#include "tools/sample_generator/rigid_bodies.h"

#include <cmath>
#include <stdexcept>

#include "tools/sample_generator/proportions.h"
#include "tools/sample_generator/skinning.h"
#include "tools/sample_generator/swaying_parts.h"

namespace brivonel::samples {
namespace {

constexpr float kDegree = 0.017453293f;

enum Shape : std::uint8_t { kSphere = 0, kCapsule = 2 };
enum Mode : std::uint8_t { kFollowsBone = 0, kPhysics = 1, kPhysicsKeepsBonePlace = 2 };

constexpr std::uint16_t Group(CollisionGroup group) {
  return static_cast<std::uint16_t>(1u << group);
}
// The file keeps the mask of the groups a body collides with: modellers tick
// the groups it must not touch and leave the rest set. The body parts follow
// their bones and never meet each other; the hair lies against the body
// only (not against itself, nor tangled in the skirt); the skirt lies
// against the body (its legs above all) but not against itself.
constexpr std::uint16_t kBodyMask = static_cast<std::uint16_t>(0xFFFF & ~Group(kBodyGroup));
constexpr std::uint16_t kHairMask =
    static_cast<std::uint16_t>(0xFFFF & ~(Group(kHairGroup) | Group(kSkirtGroup)));
constexpr std::uint16_t kSkirtMask =
    static_cast<std::uint16_t>(0xFFFF & ~(Group(kSkirtGroup) | Group(kHairGroup)));

Float3 F3(Vec3 v) { return {v.x, v.y, v.z}; }

// Euler angles (about z, then x, then y, as the files apply them) that turn
// a body's own y axis, along which a capsule lies, to `direction`.
Vec3 TurnYTo(Vec3 direction) {
  const Vec3 d = Normalize(direction);
  return {std::atan2(d.z, d.y), 0.0f, std::asin(std::clamp(-d.x, -1.0f, 1.0f))};
}

class BodyBuilder {
 public:
  explicit BodyBuilder(Figure& figure) : figure_(figure) {}

  int Bone(std::u16string_view name) const {
    const int index = figure_.FindBone(name);
    if (index < 0) throw std::logic_error("a rigid body names an unknown bone");
    return index;
  }

  // A body on the bone, named after it as modellers name their bodies.
  FigureBody& Add(std::u16string_view boneName, CollisionGroup group, std::uint16_t mask) {
    FigureBody body;
    body.bone = Bone(boneName);
    const FigureBone& bone = figure_.bones[static_cast<std::size_t>(body.bone)];
    body.name = bone.name;
    body.englishName = bone.englishName;
    body.group = group;
    body.collisionMask = mask;
    // What editors start a body with: no bounce, some grip.
    body.restitution = 0.0f;
    body.friction = 0.5f;
    figure_.bodies.push_back(std::move(body));
    return figure_.bodies.back();
  }

  // A body that follows its bone (its mass and damping count for nothing
  // then; they are what a new body gets).
  FigureBody& Kinematic(std::u16string_view boneName) {
    FigureBody& body = Add(boneName, kBodyGroup, kBodyMask);
    body.mass = 1.0f;
    body.linearDamping = 0.5f;
    body.angularDamping = 0.5f;
    body.mode = kFollowsBone;
    return body;
  }

  void Sphere(std::u16string_view boneName, Vec3 centre, float radius) {
    FigureBody& body = Kinematic(boneName);
    body.shape = kSphere;
    body.size = {radius, 0.0f, 0.0f};
    body.position = F3(centre);
  }

  // A capsule lying across the trunk (along x): a chest or a pair of hips.
  void Across(std::u16string_view boneName, Vec3 centre, float radius, float width) {
    FigureBody& body = Kinematic(boneName);
    body.shape = kCapsule;
    body.size = {radius, width, 0.0f};
    body.position = F3(centre);
    body.rotation = F3(TurnYTo({1.0f, 0.0f, 0.0f}));
  }

  // A capsule along the bone, from its head to its tail: its cylinder is
  // the bone less one radius, so its caps reach half a radius past each end
  // and a chain's capsules overlap at the joints (joined bodies pass through
  // each other) and leave no gap for anything to slip through.
  FigureBody& Along(FigureBody& body, float radius) {
    const FigureBone& bone = figure_.bones[static_cast<std::size_t>(body.bone)];
    const BoneSegment segment = SegmentOf(figure_, bone.name);
    const Vec3 span = segment.tail - segment.head;
    body.shape = kCapsule;
    body.size = {radius, std::max(Length(span) - radius, 0.0f), 0.0f};
    body.position = F3(Lerp(segment.head, segment.tail, 0.5f));
    // Pointing up the bone keeps the angles of a hanging part small.
    body.rotation = F3(TurnYTo(-span));
    return body;
  }

  void Limb(std::u16string_view boneName, float radius) { Along(Kinematic(boneName), radius); }

  // A chain body that the simulation moves. The first of a chain keeps its
  // bone in place, so the root of the tail or skirt stays where the head or
  // hips hold it; the rest hang from it.
  int Swinging(std::u16string_view boneName, CollisionGroup group, std::uint16_t mask, bool first,
               float radius, float mass, float angularDamping) {
    FigureBody& body = Along(Add(boneName, group, mask), radius);
    body.mass = mass;
    body.linearDamping = 0.5f;
    body.angularDamping = angularDamping;
    body.mode = first ? kPhysicsKeepsBonePlace : kPhysics;
    return static_cast<int>(figure_.bodies.size()) - 1;
  }

  int BodyOf(std::u16string_view boneName) const {
    const int bone = Bone(boneName);
    for (std::size_t i = 0; i < figure_.bodies.size(); ++i)
      if (figure_.bodies[i].bone == bone) return static_cast<int>(i);
    throw std::logic_error("no rigid body on the bone");
  }

  // A joint holding body b to body a, at b's bone (where b turns), named
  // after b. Translation is locked; rotation is limited about the joint's
  // own axes and pulled back to rest by a spring.
  FigureJoint& Joint(int a, int b, Vec3 rotation, Vec3 lower, Vec3 upper, float spring) {
    FigureJoint joint;
    const FigureBody& held = figure_.bodies[static_cast<std::size_t>(b)];
    joint.name = held.name;
    joint.englishName = held.englishName;
    joint.bodyA = a;
    joint.bodyB = b;
    joint.position = F3(figure_.bones[static_cast<std::size_t>(held.bone)].position);
    joint.rotation = F3(rotation);
    joint.angularLower = F3(lower * kDegree);
    joint.angularUpper = F3(upper * kDegree);
    joint.angularStiffness = {spring, spring, spring};
    figure_.joints.push_back(std::move(joint));
    return figure_.joints.back();
  }

 private:
  Figure& figure_;
};

// The parts the bones carry, a little inside the skin so that hair and
// cloth resting on them do not sink into the mesh.
void AddBodyParts(BodyBuilder& b) {
  b.Sphere(u"頭", proportions::kHeadCentre, 2.35f);
  b.Across(u"上半身", {0.0f, 11.4f, 0.05f}, 0.9f, 1.0f);
  b.Across(u"上半身2", {0.0f, 12.95f, 0.06f}, 1.0f, 1.2f);
  b.Across(u"下半身", {0.0f, 9.5f, 0.05f}, 1.0f, 0.7f);
  for (const char16_t* side : {u"左", u"右"}) {
    const std::u16string s = side;
    b.Limb(s + u"腕", 0.42f);
    b.Limb(s + u"ひじ", 0.33f);
    b.Limb(s + u"足", 0.65f);
    b.Limb(s + u"ひざ", 0.5f);
  }
}

// Each tail: four capsules a little thinner than the hair around them,
// lighter towards the tip, with the high angular damping of real hair, which
// swings and comes to rest rather than ringing. Its joints (in the model's
// axes) let it swing 40 degrees each way at the root and 30 at each joint
// below, and twist barely at all; their springs pull back only gently, so
// the tail hangs from its ribbon as gravity has it, as real hair does.
void AddTail(BodyBuilder& b, float side) {
  constexpr float kRadius[swaying::kTailBones] = {0.5f, 0.55f, 0.45f, 0.3f};
  constexpr float kMass[swaying::kTailBones] = {0.8f, 0.6f, 0.4f, 0.25f};
  int above = b.BodyOf(u"頭");
  for (int k = 0; k < swaying::kTailBones; ++k) {
    const int body = b.Swinging(swaying::TailBoneName(side, k), kHairGroup, kHairMask, k == 0,
                                kRadius[k], kMass[k], 0.8f);
    const float swing = k == 0 ? 40.0f : 30.0f;
    b.Joint(above, body, {}, {-swing, -5.0f, -swing}, {swing, 5.0f, swing}, k == 0 ? 20.0f : 10.0f);
    above = body;
  }
}

// Each skirt chain: two capsules on the cloth, wide enough that a thigh
// cannot pass between two chains. Each joint's frame is turned about y to
// face out of the skirt (its z axis outwards, its x axis along the hem), so
// that its x limits are the swing in and out: a little inwards, where the
// legs are and where gravity would fold the flared cloth, and far
// outwards, where a kick or a spin lifts it; a little sideways, no twist.
void AddSkirtChain(BodyBuilder& b, const Figure& figure, int chain) {
  constexpr float kRadius[swaying::kSkirtBones] = {0.4f, 0.45f};
  constexpr float kMass[swaying::kSkirtBones] = {0.6f, 0.4f};
  constexpr float kOutwards[swaying::kSkirtBones] = {40.0f, 30.0f};
  const Tube skirt = swaying::Skirt();
  int above = b.BodyOf(u"下半身");
  for (int k = 0; k < swaying::kSkirtBones; ++k) {
    const std::u16string name = swaying::SkirtBoneName(chain, k);
    const int body = b.Swinging(name, kSkirtGroup, kSkirtMask, k == 0, kRadius[k], kMass[k], 0.6f);
    const Vec3 at = figure.bones[static_cast<std::size_t>(b.Bone(name))].position;
    const Vec3 axis = skirt.Axis(swaying::kSkirtBoneAt[static_cast<std::size_t>(k)]);
    const float facing = std::atan2(at.x - axis.x, at.z - axis.z);
    // The engine measures body B's turn in the joint's frame as seen from
    // body A: with the frame's z axis outwards, a swing of the chain
    // outwards counts positive about x, so the outward limit is the upper.
    b.Joint(above, body, {0.0f, facing, 0.0f}, {-5.0f, 0.0f, -10.0f}, {kOutwards[k], 0.0f, 10.0f},
            30.0f);
    above = body;
  }
}

}  // namespace

void BuildRigidBodies(Figure& figure) {
  figure.bodies.clear();
  figure.joints.clear();
  BodyBuilder b(figure);
  AddBodyParts(b);
  AddTail(b, 1.0f);
  AddTail(b, -1.0f);
  for (int chain = 0; chain < swaying::kSkirtChains; ++chain) AddSkirtChain(b, figure, chain);
}

}  // namespace brivonel::samples
