#include "tools/sample_generator/dance.h"

#include <cmath>

#include "base/math.h"
#include "tools/sample_generator/choreographer.h"

namespace brivonel::samples {
namespace {

constexpr float kTravel = 3.0f;  // how far the centre travels to each side

// The rotation that turns direction `from` onto direction `to`.
Quat RotationBetween(Vec3 from, Vec3 to) {
  from = Normalize(from);
  to = Normalize(to);
  const Vec3 axis = Cross(from, to);
  if (Length(axis) < 1e-6f) return {0.0f, 0.0f, 0.0f, 1.0f};
  return AxisAngle(axis, std::acos(std::clamp(Dot(from, to), -1.0f, 1.0f)));
}

// The centre travels kTravel to the figure's left and back, then to its right
// and back, one sine period over the loop; it dips on every beat. The feet
// step in turn every two beats, the leading foot first.
float CentreX(float beat) {
  const float half = static_cast<float>(kBeats / 2);
  if (std::fmod(beat, half) == 0.0f) return 0.0f;  // exactly home, so the loop closes exactly
  return kTravel * std::sin(kTau * beat / static_cast<float>(kBeats));
}

void CentreAndFeet(Choreographer& c) {
  constexpr float kStance = -0.35f, kDip = -0.45f, kLift = 0.7f;
  for (int b = 0; b <= static_cast<int>(kBeats); b += 2) {
    const float beat = static_cast<float>(b);
    const float stance = (b == 0 || b == static_cast<int>(kBeats)) ? 0.0f : kStance;
    c.Key(u"センター", beat, {CentreX(beat), stance, 0.0f}, {0, 0, 0, 1}, kEase);
    if (b < static_cast<int>(kBeats)) c.Key(u"センター", beat + 1.0f, {0.5f * (CentreX(beat) + CentreX(beat + 2.0f)), kStance + kDip, 0.0f}, {0, 0, 0, 1}, kEase);
  }

  for (int side = 0; side < 2; ++side) {
    const std::u16string leg = side == 0 ? u"左足ＩＫ" : u"右足ＩＫ";
    const std::u16string toe = side == 0 ? u"左つま先ＩＫ" : u"右つま先ＩＫ";
    float x = 0.0f;  // the foot's travel so far
    c.Key(leg, 0.0f, {}, {0, 0, 0, 1}, kEase);
    c.Turn(toe, 0.0f, {0, 0, 0, 1}, kEase);
    for (int b = 0; b < static_cast<int>(kBeats); b += 2) {
      const float beat = static_cast<float>(b);
      const float to = CentreX(beat + 2.0f);
      // Towards +x the figure's left foot leads; towards -x the right.
      const bool leftLeads = to >= CentreX(beat);
      const float start = beat + ((side == 0) == leftLeads ? 0.0f : 1.0f);
      c.Key(leg, start, {x, 0.0f, 0.0f}, {0, 0, 0, 1}, kEase);
      c.Key(leg, start + 0.5f, {0.5f * (x + to), kLift, -0.15f}, {0, 0, 0, 1}, kEase);
      c.Key(leg, start + 1.0f, {to, 0.0f, 0.0f}, {0, 0, 0, 1}, kEase);
      // The toes point down while the foot is in the air.
      c.Key(toe, start, {}, {0, 0, 0, 1}, kEase);
      c.Key(toe, start + 0.5f, {0.0f, -0.35f, 0.0f}, {0, 0, 0, 1}, kEase);
      c.Key(toe, start + 1.0f, {}, {0, 0, 0, 1}, kEase);
      x = to;
    }
    c.Key(leg, static_cast<float>(kBeats), {}, {0, 0, 0, 1}, kEase);
    c.Turn(toe, static_cast<float>(kBeats), {0, 0, 0, 1}, kEase);
  }
}

// Knees and thighs keyed close to where the leg IK will put them, ankles at
// rest: each frame's IK then starts near its answer instead of from a
// straight leg, which the solver leaves only slowly, and every frame poses
// the same whichever frame came before it.
void LegBends(Choreographer& c) {
  const std::vector<DanceBoneKey> keys = c.Keys();  // the centre's, the groove's and the feet's
  for (int side = 0; side < 2; ++side) {
    const std::u16string s = side == 0 ? u"左" : u"右";
    const Vec3 hip = c.Rest(s + u"足"), knee = c.Rest(s + u"ひざ"), ankle = c.Rest(s + u"足首");
    const float thigh = Length(knee - hip), shin = Length(ankle - knee);
    const auto hipAngle = [&](float reach) {  // between the thigh and the hip-to-ankle line
      return std::acos(std::clamp((thigh * thigh + reach * reach - shin * shin) / (2.0f * thigh * reach), -1.0f, 1.0f));
    };
    const auto kneeAngle = [&](float reach) {  // how far the shin turns from the thigh's line
      return kPi - std::acos(std::clamp((thigh * thigh + shin * shin - reach * reach) / (2.0f * thigh * shin), -1.0f, 1.0f));
    };
    const float restReach = Length(ankle - hip);
    // The ankles, which the toe IK turns, start every frame from rest.
    c.Turn(s + u"足首", 0.0f, {0, 0, 0, 1}, kLinear);
    c.Turn(s + u"足首", static_cast<float>(kBeats), {0, 0, 0, 1}, kLinear);
    for (std::uint32_t frame = 0; frame <= Beat(kBeats); frame += kFramesPerBeat / 2) {
      const float f = static_cast<float>(frame);
      const Vec3 body = TranslationAt(keys, u"センター", f) + TranslationAt(keys, u"グルーブ", f);
      const Vec3 goal = ankle + TranslationAt(keys, s + u"足ＩＫ", f);
      const float reach = std::min(Length(goal - (hip + body)), restReach);
      const float beat = f / static_cast<float>(kFramesPerBeat);
      c.Turn(s + u"足", beat, AxisAngle({1, 0, 0}, hipAngle(reach) - hipAngle(restReach)), kLinear);
      c.Turn(s + u"ひざ", beat, AxisAngle({1, 0, 0}, -(kneeAngle(reach) - kneeAngle(restReach))), kLinear);
    }
  }
}

void Body(Choreographer& c) {
  // A bounce on every beat in the groove, a sway of the trunk with the travel.
  for (int b = 0; b <= static_cast<int>(kBeats); ++b) {
    const float beat = static_cast<float>(b);
    c.Key(u"グルーブ", beat, {}, {0, 0, 0, 1}, kSoft);
    if (b > 0 && b < static_cast<int>(kBeats)) c.Key(u"グルーブ", beat + 0.5f, {0.0f, 0.25f, 0.0f}, {0, 0, 0, 1}, kSoft);
  }
  for (int b = 0; b <= static_cast<int>(kBeats); b += 2) {
    const float beat = static_cast<float>(b);
    const bool ends = b == 0 || b == static_cast<int>(kBeats);
    const float sway = ends ? 0.0f : (b % 4 == 0 ? 1.0f : -1.0f);
    const float lean = ends ? 0.0f : -0.06f * CentreX(beat + 1.0f) / kTravel;  // into the travel
    c.Turn(u"上半身", beat, Euler(-0.05f * std::fabs(sway), 0.1f * sway, 0.07f * sway + lean), kEase);
    c.Turn(u"上半身2", beat, Euler(0.0f, 0.04f * sway, 0.03f * sway), kEase);
    c.Turn(u"下半身", beat, Euler(0.0f, -0.06f * sway, -0.05f * sway), kEase);
    c.Turn(u"腰", beat, Euler(0.0f, 0.0f, -0.02f * sway), kEase);
    c.Turn(u"首", beat, Euler(0.03f * std::fabs(sway), 0.0f, -0.03f * sway), kEase);
    // The head tilts against the sway, nodding half a beat later.
    c.Turn(u"頭", beat, Euler(0.0f, -0.08f * sway, -0.12f * sway), kEase);
    if (b < static_cast<int>(kBeats)) c.Turn(u"頭", beat + 1.0f, Euler(-0.12f, -0.04f * sway, -0.06f * sway), kEase);
    // The eyes glance about (only the PMX has this bone).
    c.Turn(u"両目", beat, Euler(0.0f, 0.05f * sway, 0.0f), kSoft);
  }
}

// Arm poses for the figure's left arm, as directions in the chest's frame;
// the right arm mirrors them.
struct ArmPose {
  Vec3 upperArm;     // shoulder to elbow; zero for the rest pose
  Vec3 forearm;      // elbow to wrist
  float wrist = 0.0f;  // radians, turning the hand about the forearm
};

const ArmPose kRest{};
const ArmPose kRelaxed{{0.42f, -0.9f, -0.05f}, {0.35f, -0.85f, -0.35f}};
const ArmPose kWaveHigh{{0.8f, 0.55f, -0.1f}, {0.15f, 1.0f, -0.1f}, 0.3f};
const ArmPose kWaveLow{{0.85f, 0.5f, -0.1f}, {0.6f, 0.8f, -0.1f}, -0.3f};
const ArmPose kClapOpen{{0.6f, -0.35f, -0.7f}, {0.45f, 0.1f, -0.9f}};
const ArmPose kClapShut{{0.15f, -0.4f, -0.9f}, {-0.56f, 0.3f, -0.77f}, 0.8f};
const ArmPose kVictory{{0.62f, 0.78f, -0.05f}, {0.5f, 0.86f, -0.05f}};
const ArmPose kSwingFront{{0.3f, -0.9f, -0.3f}, {0.2f, -0.6f, -0.75f}};
const ArmPose kSwingBack{{0.35f, -0.9f, 0.25f}, {0.35f, -0.9f, 0.1f}};

Vec3 Rotate(Vec3 v, const Quat& q) {
  const Float4 r = Transform(Float4{v.x, v.y, v.z, 0.0f}, MatrixRotationQuaternion({q[0], q[1], q[2], q[3]}));
  return {r.x, r.y, r.z};
}
Quat Inverse(const Quat& q) { return {-q[0], -q[1], -q[2], q[3]}; }

class ArmKeys {
 public:
  ArmKeys(Choreographer& c, bool left) : c_(c), left_(left) {
    const std::u16string side = left ? u"左" : u"右";
    arm_ = side + u"腕";
    elbow_ = side + u"ひじ";
    wrist_ = side + u"手首";
    restUpper_ = c.Rest(elbow_) - c.Rest(arm_);
    restFore_ = c.Rest(wrist_) - c.Rest(elbow_);
    if (!left) {
      restUpper_ = Mirror(restUpper_);
      restFore_ = Mirror(restFore_);
    }
  }

  // The elbow's key is relative to the upper arm: the forearm's rest
  // direction turned by it and then by the upper arm's turn must give the
  // pose's forearm direction.
  void Pose(float beat, const ArmPose& pose) {
    Quat upper{0, 0, 0, 1}, fore{0, 0, 0, 1};
    if (Length(pose.upperArm) > 0.0f) {
      upper = RotationBetween(restUpper_, pose.upperArm);
      fore = RotationBetween(restFore_, Rotate(pose.forearm, Inverse(upper)));
    }
    Quat hand = AxisAngle(restFore_, pose.wrist);
    if (!left_) {
      upper = Mirror(upper);
      fore = Mirror(fore);
      hand = Mirror(hand);
    }
    c_.Turn(arm_, beat, upper, kEase);
    c_.Turn(elbow_, beat, fore, kEase);
    c_.Turn(wrist_, beat, hand, kEase);
  }

 private:
  Choreographer& c_;
  bool left_;
  std::u16string arm_, elbow_, wrist_;
  Vec3 restUpper_, restFore_;
};

void Arms(Choreographer& c) {
  for (int side = 0; side < 2; ++side) {
    const bool left = side == 0;
    ArmKeys arm(c, left);
    arm.Pose(0.0f, kRest);
    arm.Pose(1.0f, kRelaxed);
    // Beats 2-8: the leading arm waves, the other swings with the steps.
    // Beats 16-24 the same with the sides exchanged.
    for (int phrase : {0, 2}) {
      const float from = static_cast<float>(phrase * 8);
      const bool waves = (phrase == 0) == left;
      for (int b = 2; b < 8; ++b) {
        const float beat = from + static_cast<float>(b);
        if (waves)
          arm.Pose(beat, b % 2 == 0 ? kWaveHigh : kWaveLow);
        else
          arm.Pose(beat, b % 2 == 0 ? kSwingFront : kSwingBack);
      }
      arm.Pose(from + 8.0f, kRelaxed);
    }
    // Beats 8-16: claps in front, open on the off beats.
    for (int b = 9; b < 16; ++b) arm.Pose(static_cast<float>(b), b % 2 == 1 ? kClapShut : kClapOpen);
    // Beats 24-32: both arms up in a V, swaying, then home.
    for (int b = 25; b < 30; ++b) arm.Pose(static_cast<float>(b), b % 2 == 1 ? kVictory : kWaveLow);
    arm.Pose(30.0f, kRelaxed);
    arm.Pose(static_cast<float>(kBeats), kRest);
  }
}

void Face(Choreographer& c) {
  const float end = static_cast<float>(kBeats);
  for (const char16_t* morph : {u"まばたき", u"あ", u"い", u"よそ見", u"笑顔"}) c.Morph(morph, 0.0f, 0.0f);
  for (float blink : {3.0f, 9.5f, 14.25f, 20.5f, 27.0f}) {
    c.Morph(u"まばたき", blink, 0.0f);
    c.Morph(u"まばたき", blink + 0.19f, 1.0f);
    c.Morph(u"まばたき", blink + 0.31f, 1.0f);
    c.Morph(u"まばたき", blink + 0.56f, 0.0f);
  }
  // Singing along while clapping and in the V.
  for (float b : {9.0f, 11.0f, 13.0f, 25.0f, 27.0f}) {
    c.Morph(u"あ", b - 0.25f, 0.0f);
    c.Morph(u"あ", b, 0.9f);
    c.Morph(u"あ", b + 0.75f, 0.0f);
    c.Morph(u"い", b + 0.75f, 0.0f);
    c.Morph(u"い", b + 1.0f, 0.8f);
    c.Morph(u"い", b + 1.75f, 0.0f);
  }
  // A glance aside while waving, and a big smile to close the loop.
  c.Morph(u"よそ見", 4.0f, 0.0f);
  c.Morph(u"よそ見", 4.5f, 1.0f);
  c.Morph(u"よそ見", 6.5f, 1.0f);
  c.Morph(u"よそ見", 7.0f, 0.0f);
  c.Morph(u"笑顔", 29.5f, 0.0f);
  c.Morph(u"笑顔", 30.0f, 1.0f);
  c.Morph(u"笑顔", 31.0f, 1.0f);
  c.Morph(u"笑顔", 31.75f, 0.0f);
  for (const char16_t* morph : {u"まばたき", u"あ", u"い", u"よそ見", u"笑顔"}) c.Morph(morph, end, 0.0f);
}

}  // namespace

Dance BuildDance(const Figure& figure) {
  Choreographer c(figure);
  CentreAndFeet(c);
  Body(c);
  LegBends(c);
  Arms(c);
  Face(c);
  return c.Finish(kBeats);
}

std::array<std::uint8_t, 64> InterpolationBlock(const std::array<Curve, 4>& curves) {
  std::array<std::uint8_t, 16> row{};
  for (std::size_t i = 0; i < 4; ++i) {
    row[i] = curves[i].x1;
    row[4 + i] = curves[i].y1;
    row[8 + i] = curves[i].x2;
    row[12 + i] = curves[i].y2;
  }
  std::array<std::uint8_t, 64> block{};
  for (std::size_t r = 0; r < 4; ++r) {
    for (std::size_t i = 0; i + r < 16; ++i) block[r * 16 + i] = row[i + r];
    if (r > 0) block[r * 16 + 16 - r] = 1;
  }
  return block;
}

}  // namespace brivonel::samples
