// The step dance: the feet step forwards, out to the sides and back while
// the body sinks into deep knee bends, keyed as real dances are keyed: the
// legs only through their IK bones (no thigh, knee or ankle keys), so that
// every bend of the legs is the IK's.
#include <algorithm>
#include <cmath>
#include <stdexcept>
#include <string>

#include "tools/sample_generator/choreographer.h"
#include "tools/sample_generator/dance.h"

namespace brivonel::samples {
namespace {

constexpr std::uint32_t kStepBeats = 16;
constexpr float kLift = 0.9f;  // how high a stepping foot rises

struct Feet {
  Vec3 left, right;  // translations of the leg IK bones from rest
};

// Where each step puts the stepping foot (the left foot steps on even steps,
// the right on odd ones, one step every two beats), as seen for the left
// foot; the right foot mirrors it.
const Vec3 kStepTargets[8] = {
    {0.0f, 0.0f, -1.2f}, {0.0f, 0.0f, -1.2f},  // both feet forward
    {0.9f, 0.0f, -1.2f}, {0.9f, 0.0f, -1.2f},  // out to the sides
    {0.0f, 0.0f, 0.8f},  {0.0f, 0.0f, 0.8f},   // back behind
    {0.0f, 0.0f, 0.0f},  {0.0f, 0.0f, 0.0f},   // home
};

// The feet after `steps` steps.
Feet FeetAfter(int steps) {
  Feet feet;
  for (int s = 0; s < steps; ++s) {
    if (s % 2 == 0)
      feet.left = kStepTargets[s];
    else
      feet.right = Mirror(kStepTargets[s]);
  }
  return feet;
}

void Legs(Choreographer& c) {
  for (int side = 0; side < 2; ++side) {
    const bool left = side == 0;
    const std::u16string leg = left ? u"左足ＩＫ" : u"右足ＩＫ";
    const std::u16string toe = left ? u"左つま先ＩＫ" : u"右つま先ＩＫ";
    c.Key(leg, 0.0f, {}, {0, 0, 0, 1}, kEase);
    c.Turn(toe, 0.0f, {0, 0, 0, 1}, kEase);
    for (int step = 0; step < 8; ++step) {
      const float start = static_cast<float>(2 * step);
      const Vec3 from = left ? FeetAfter(step).left : FeetAfter(step).right;
      const Vec3 to = left ? FeetAfter(step + 1).left : FeetAfter(step + 1).right;
      if ((step % 2 == 0) != left) {
        // The other foot steps: this one stays planted, rising onto its toes
        // at the bottom of the knee bend (the heel up, the toes down again).
        c.Key(leg, start + 1.0f, from + Vec3{0.0f, 0.35f, 0.0f}, {0, 0, 0, 1}, kEase);
        c.Key(toe, start + 1.0f, {0.0f, -0.35f, 0.0f}, {0, 0, 0, 1}, kEase);
        c.Key(leg, start + 2.0f, from, {0, 0, 0, 1}, kEase);
        c.Turn(toe, start + 2.0f, {0, 0, 0, 1}, kEase);
        continue;
      }
      // This foot steps: up halfway, down on the beat, toes pointed in the air.
      c.Key(leg, start + 0.5f, Lerp(from, to, 0.5f) + Vec3{0.0f, kLift, 0.0f}, {0, 0, 0, 1}, kEase);
      c.Key(toe, start + 0.5f, {0.0f, -0.4f, 0.0f}, {0, 0, 0, 1}, kEase);
      c.Key(leg, start + 1.0f, to, {0, 0, 0, 1}, kEase);
      c.Turn(toe, start + 1.0f, {0, 0, 0, 1}, kEase);
      c.Key(leg, start + 2.0f, to, {0, 0, 0, 1}, kEase);
    }
    // Home again, so the loop closes on the first frame.
    c.Turn(toe, static_cast<float>(kStepBeats), {0, 0, 0, 1}, kEase);
  }
}

// The centre stays over the middle of the feet and sinks deep after every
// step.
void Centre(Choreographer& c) {
  for (int beat = 0; beat <= static_cast<int>(kStepBeats); ++beat) {
    const Feet feet = FeetAfter((beat + 1) / 2);
    const Vec3 middle = (feet.left + feet.right) * 0.5f;
    const bool ends = beat == 0 || beat == static_cast<int>(kStepBeats);
    const float sink = ends ? 0.0f : (beat % 2 == 1 ? -1.8f : -0.6f);
    c.Key(u"センター", static_cast<float>(beat), {middle.x, sink, middle.z}, {0, 0, 0, 1}, kEase);
  }
}

// The upper body leans into the bends, the arms swing against the steps and
// the face blinks and sings once.
void Body(Choreographer& c) {
  for (int beat = 0; beat <= static_cast<int>(kStepBeats); beat += 2) {
    const bool ends = beat == 0 || beat == static_cast<int>(kStepBeats);
    const float swing = ends ? 0.0f : ((beat / 2) % 2 == 0 ? 0.5f : -0.5f);
    c.Turn(u"上半身", static_cast<float>(beat), Euler(ends ? 0.0f : -0.12f, 0.08f * swing, 0.0f), kEase);
    c.Turn(u"頭", static_cast<float>(beat), Euler(ends ? 0.0f : 0.1f, -0.1f * swing, 0.0f), kEase);
    // Arms lowered from the rest pose towards the sides, swinging.
    const Quat down = ends ? Quat{0, 0, 0, 1} : AxisAngle({0, 0, 1}, -0.55f);
    c.Turn(u"左腕", static_cast<float>(beat), Then(down, AxisAngle({1, 0, 0}, 0.6f * swing)), kEase);
    c.Turn(u"右腕", static_cast<float>(beat), Mirror(Then(down, AxisAngle({1, 0, 0}, -0.6f * swing))), kEase);
  }
  const float end = static_cast<float>(kStepBeats);
  for (const char16_t* morph : {u"まばたき", u"あ"}) {
    c.Morph(morph, 0.0f, 0.0f);
    c.Morph(morph, end, 0.0f);
  }
  for (float blink : {3.0f, 11.0f}) {
    c.Morph(u"まばたき", blink, 0.0f);
    c.Morph(u"まばたき", blink + 0.2f, 1.0f);
    c.Morph(u"まばたき", blink + 0.5f, 0.0f);
  }
  c.Morph(u"あ", 7.5f, 0.0f);
  c.Morph(u"あ", 8.0f, 0.8f);
  c.Morph(u"あ", 9.0f, 0.0f);
}

// Every frame must ask the legs for what they can do: the feet no further
// from the hips than 97% of a leg's length (or than at rest, where the legs
// stand straight) and no closer than half of it.
void CheckReach(const Choreographer& c) {
  for (int side = 0; side < 2; ++side) {
    const std::u16string s = side == 0 ? u"左" : u"右";
    const Vec3 hip = c.Rest(s + u"足"), knee = c.Rest(s + u"ひざ"), ankle = c.Rest(s + u"足首");
    const float leg = Length(knee - hip) + Length(ankle - knee);
    const float furthest = std::max(0.97f * leg, Length(ankle - hip));
    for (std::uint32_t frame = 0; frame <= Beat(static_cast<float>(kStepBeats)); ++frame) {
      const float f = static_cast<float>(frame);
      const Vec3 hipAt = hip + TranslationAt(c.Keys(), u"センター", f);
      const Vec3 goal = ankle + TranslationAt(c.Keys(), s + u"足ＩＫ", f);
      const float reach = Length(goal - hipAt);
      if (reach > furthest || reach < 0.5f * leg)
        throw std::logic_error("the step dance asks a leg for a reach it does not have at frame " +
                               std::to_string(frame));
    }
  }
}

}  // namespace

Dance BuildStepDance(const Figure& figure) {
  Choreographer c(figure);
  Centre(c);
  Legs(c);
  Body(c);
  CheckReach(c);
  return c.Finish(kStepBeats);
}

}  // namespace brivonel::samples
