// Pose evaluation: the frame of the motion from the elapsed time, bone poses
// from Bezier-shaped keyframe interpolation, the centre bone's horizontal
// travel turned into a window shift, morph track weights, and the world
// matrices of the bone hierarchy.
//
// The results are meant to be identical, bit for bit, to the plain
// one-track-at-a-time reading of these rules (the tests keep such a reading
// and compare the two). The speed comes from doing less, never from doing it
// differently: key search hints that are verified, curves solved four at a
// time with the same single-precision operations, and results reused when
// every input is the same.
#include <algorithm>
#include <cmath>
#include <cstring>

#include "base/trace.h"
#include "model/model.h"

#if defined(__SSE2__) || defined(_M_X64) || (defined(_M_IX86_FP) && _M_IX86_FP >= 2)
#include <emmintrin.h>
#define BRIVONEL_POSE_SSE2 1
#endif

namespace brivonel {
namespace {

constexpr float kMillisecondsPerFrame = 33.0f;
constexpr int kBisectionSteps = 15;

// Control point coordinates byte / 127, each the float that dividing gives.
struct ControlPointTable {
  float value[256];
  ControlPointTable() {
    for (int byte = 0; byte < 256; ++byte) value[byte] = static_cast<float>(byte) / 127.0f;
  }
};
const ControlPointTable kControlPoints;

// 1/4, 1/8, ..., 1/65536: exact powers of two.
float BisectionStep(int i) { return 1.0f / static_cast<float>(4 << i); }

// One coordinate of the Bezier curve from 0 through c1 and c2 to 1 at s.
float CurvePoint(float c1, float c2, float s) {
  const float u = 1.0f - s;
  return 3.0f * u * u * s * c1 + 3.0f * u * s * s * c2 + s * s * s;
}

#if BRIVONEL_POSE_SSE2
// The same operations as CurvePoint, in the same order, on four lanes.
inline __m128 CurvePoint4(__m128 c1, __m128 c2, __m128 s) {
  const __m128 three = _mm_set1_ps(3.0f);
  const __m128 u = _mm_sub_ps(_mm_set1_ps(1.0f), s);
  const __m128 a = _mm_mul_ps(_mm_mul_ps(_mm_mul_ps(_mm_mul_ps(three, u), u), s), c1);
  const __m128 b = _mm_mul_ps(_mm_mul_ps(_mm_mul_ps(_mm_mul_ps(three, u), s), s), c2);
  const __m128 c = _mm_mul_ps(_mm_mul_ps(s, s), s);
  return _mm_add_ps(_mm_add_ps(a, b), c);
}

inline __m128 Select(__m128 mask, __m128 whenSet, __m128 otherwise) {
  return _mm_or_ps(_mm_and_ps(mask, whenSet), _mm_andnot_ps(mask, otherwise));
}

// Solves up to kBlock groups of four curves together so that their
// bisections overlap in the pipeline.
void SolveCurveBlock(CurveLanes* lanes, std::size_t count) {
  constexpr std::size_t kBlock = 4;
  const __m128 zero = _mm_setzero_ps();
  __m128 s[kBlock];
  __m128 active[kBlock];
  for (std::size_t k = 0; k < kBlock; ++k) {
    s[k] = _mm_set1_ps(0.5f);
    active[k] = k < count ? _mm_castsi128_ps(_mm_set1_epi32(-1)) : zero;
  }
  for (int i = 0; i < kBisectionSteps; ++i) {
    const __m128 step = _mm_set1_ps(BisectionStep(i));
    const __m128 negativeStep = _mm_sub_ps(zero, step);
    int anyActive = 0;
    for (std::size_t k = 0; k < count; ++k) {
      const CurveLanes& l = lanes[k];
      const __m128 e = _mm_sub_ps(
          CurvePoint4(_mm_load_ps(l.x1), _mm_load_ps(l.x2), s[k]), _mm_load_ps(l.x));
      // A lane stops for good once its error is exactly zero or not a number.
      active[k] = _mm_and_ps(active[k], _mm_and_ps(_mm_cmpneq_ps(e, zero), _mm_cmpord_ps(e, e)));
      const __m128 delta = Select(_mm_cmpgt_ps(e, zero), negativeStep, step);
      s[k] = Select(active[k], _mm_add_ps(s[k], delta), s[k]);
      anyActive |= _mm_movemask_ps(active[k]);
    }
    if (anyActive == 0) break;
  }
  for (std::size_t k = 0; k < count; ++k) {
    CurveLanes& l = lanes[k];
    _mm_store_ps(l.value, CurvePoint4(_mm_load_ps(l.y1), _mm_load_ps(l.y2), s[k]));
  }
}
#endif

// Model::BezierValue on every lane of every group.
void SolveCurves(CurveLanes* lanes, std::size_t count) {
#if BRIVONEL_POSE_SSE2
  for (std::size_t k = 0; k < count; k += 4)
    SolveCurveBlock(lanes + k, std::min<std::size_t>(4, count - k));
#else
  for (std::size_t k = 0; k < count; ++k) {
    CurveLanes& l = lanes[k];
    for (int c = 0; c < 4; ++c) {
      float s = 0.5f;
      for (int i = 0; i < kBisectionSteps; ++i) {
        const float e = CurvePoint(l.x1[c], l.x2[c], s) - l.x[c];
        if (e == 0.0f || std::isnan(e)) break;
        const float step = BisectionStep(i);
        s = e > 0.0f ? s - step : s + step;
      }
      l.value[c] = CurvePoint(l.y1[c], l.y2[c], s);
    }
  }
#endif
}

// Frame number of an elapsed time: whole 33 ms steps, low 32 bits kept.
std::uint32_t FrameOfElapsed(std::uint64_t elapsedMilliseconds) {
  const float frames = std::floor(static_cast<float>(elapsedMilliseconds) / kMillisecondsPerFrame);
  // At most 2^64 / 33, well inside a signed 64-bit integer.
  return static_cast<std::uint32_t>(static_cast<std::int64_t>(frames));
}

// The motion plays frames 0 to its last frame once, then 1 to last - 1 and
// 0 over and over. A motion without keys does not loop, and a last frame of
// 0 holds frame 0.
std::uint32_t LoopFrame(std::uint32_t frame, const Animation& motion) {
  std::uint64_t lastFrame = 0;
  if (!LatestKeyFrame(motion, lastFrame) || frame <= lastFrame) return frame;
  if (lastFrame == 0) return 0;
  return static_cast<std::uint32_t>(frame % lastFrame);
}

// A motion's own time on the figure's clock; a motion that begins later
// than the clock says has not moved yet.
std::uint64_t MotionTime(std::uint64_t clock, std::uint64_t start) {
  return clock > start ? clock - start : 0;
}

// Count of leading keys whose frame is below `frame`, as a scan from the
// first key finds it. For keys in ascending order the hint's cursor gives
// the same count after a few steps.
std::size_t CountKeysBefore(const std::vector<BoneKey>& keys, std::uint32_t frame,
                            BoneTrackHint& hint) {
  const std::size_t count = keys.size();
  if (hint.keys != keys.data() || hint.keyCount != count) {
    hint = BoneTrackHint{};
    hint.keys = keys.data();
    hint.keyCount = count;
    hint.sorted = std::is_sorted(keys.begin(), keys.end(),
                                 [](const BoneKey& a, const BoneKey& b) { return a.frame < b.frame; });
  }
  std::size_t n = 0;
  if (hint.sorted) {
    n = std::min<std::size_t>(hint.cursor, count);
    while (n > 0 && keys[n - 1].frame >= frame) --n;
  }
  while (n < count && keys[n].frame < frame) ++n;
  hint.cursor = static_cast<std::uint32_t>(n);
  return n;
}

// Fraction between two keys, clamped to [0, 1]. The earlier key always lies
// below the frame, so only an empty interval (two keys on one frame) would
// divide by zero; its quotient would be infinite and clamp to 1.
float KeyFraction(std::uint32_t frame, const BoneKey& prev, const BoneKey& next) {
  const std::uint64_t span = next.frame - prev.frame;
  float t = 1.0f;
  if (span != 0)
    t = static_cast<float>(frame - prev.frame) / static_cast<float>(span);
  return std::min(std::max(t, 0.0f), 1.0f);
}

std::uint32_t FloatBits(float value) {
  std::uint32_t bits;
  std::memcpy(&bits, &value, sizeof bits);
  return bits;
}

// A screen distance in whole pixels, truncated towards zero. Distances that
// no int can hold (a degenerate projection) count as no shift.
int TruncatePixels(float distance) {
  if (!(distance > -2147483648.0f && distance < 2147483648.0f)) return 0;
  return static_cast<int>(distance);
}

}  // namespace

bool LatestKeyFrame(const Animation& motion, std::uint64_t& lastFrame) {
  bool keyed = false;
  lastFrame = 0;
  for (const BoneTrack& track : motion.boneTracks) {
    if (track.keys.empty()) continue;
    keyed = true;
    lastFrame = std::max(lastFrame, track.keys.back().frame);
  }
  for (const auto& [name, track] : motion.morphTracks) {
    if (track.keys.empty()) continue;
    keyed = true;
    lastFrame = std::max<std::uint64_t>(lastFrame, track.keys.back().frame);
  }
  // Every property key says whether the model is shown, so the shown keys
  // end where the property keys do.
  if (!motion.shownKeys.empty()) {
    keyed = true;
    lastFrame = std::max<std::uint64_t>(lastFrame, motion.shownKeys.back().frame);
  }
  return keyed;
}

std::uint64_t OneLoopMilliseconds(const Animation& motion) {
  std::uint64_t lastFrame = 0;
  LatestKeyFrame(motion, lastFrame);
  // Frame f shows from f * 33 ms on: the loop frame ends a frame later.
  return (std::min<std::uint64_t>(lastFrame, 0xFFFFFFFFu) + 1) *
         static_cast<std::uint64_t>(kMillisecondsPerFrame);
}

float Model::BezierValue(float x1, float x2, float y1, float y2, float x) {
  const float c1 = x1 / 127.0f;
  const float c2 = x2 / 127.0f;
  float s = 0.5f;
  for (int i = 0; i < kBisectionSteps; ++i) {
    const float e = CurvePoint(c1, c2, s) - x;
    if (e == 0.0f || std::isnan(e)) break;
    const float step = BisectionStep(i);
    s = e > 0.0f ? s - step : s + step;
  }
  return CurvePoint(y1 / 127.0f, y2 / 127.0f, s);
}

Float2 Model::ProjectToScreen(const Float4& point) const {
  // Without the application's camera a missing matrix counts as identity.
  Float4 p = Transform(point, world);
  if (view != nullptr) p = Transform(p, *view);
  if (projection != nullptr) p = Transform(p, *projection);
  const float x = p.x / p.w;
  const float y = p.y / p.w;
  return {(x + 1.0f) / 2.0f * static_cast<float>(viewportWidth),
          (1.0f - y) / 2.0f * static_cast<float>(viewportHeight)};
}

void Model::ComputeWorldMatrices() {
  const std::size_t count = bones.size();
  for (Bone& bone : bones) {
    const Matrix4 local = MatrixAffine(bone.scale, bone.rotation, bone.position);
    if (bone.parentIndex >= 0 && static_cast<std::size_t>(bone.parentIndex) < count)
      bone.worldMatrix = Multiply(local, bones[static_cast<std::size_t>(bone.parentIndex)].worldMatrix);
    else
      bone.worldMatrix = local;
  }
}

void Model::RefreshHierarchy() {
  PoseCache& cache = poseCache_;
  const std::size_t count = bones.size();
  bool same = cache.parents.size() == count;
  for (std::size_t i = 0; same && i < count; ++i) same = cache.parents[i] == bones[i].parentIndex;
  if (same) return;

  cache.parents.resize(count);
  cache.parentsFirst = true;
  cache.childStart.assign(count + 1, 0);
  for (std::size_t i = 0; i < count; ++i) {
    const std::int32_t parent = bones[i].parentIndex;
    cache.parents[i] = parent;
    if (parent < 0 || static_cast<std::size_t>(parent) >= count) continue;
    if (static_cast<std::size_t>(parent) >= i) cache.parentsFirst = false;
    ++cache.childStart[static_cast<std::size_t>(parent) + 1];
  }
  for (std::size_t i = 0; i < count; ++i) cache.childStart[i + 1] += cache.childStart[i];
  cache.children.resize(cache.childStart[count]);
  std::vector<std::uint32_t> fill(cache.childStart.begin(), cache.childStart.end() - 1);
  for (std::size_t i = 0; i < count; ++i) {
    const std::int32_t parent = cache.parents[i];
    if (parent < 0 || static_cast<std::size_t>(parent) >= count) continue;
    cache.children[fill[static_cast<std::size_t>(parent)]++] = static_cast<std::uint32_t>(i);
  }
  cache.visited.assign(count, 0);
}

int Model::PoseBoneTracks(Animation& motion, TrackHints& trackHints, float& shiftPixels) {
  PoseCache& cache = poseCache_;
  std::vector<BoneTrack>& tracks = motion.boneTracks;
  if (trackHints.animation != &motion || trackHints.hints.size() != tracks.size()) {
    trackHints.animation = &motion;
    trackHints.hints.assign(tracks.size(), BoneTrackHint{});
  }
  const std::uint32_t frame = motion.currentFrame;
  const std::size_t boneCount = bones.size();

  // Pass 1: find each track's keys and queue the curves that need solving.
  cache.pendingTracks.clear();
  for (std::size_t k = 0; k < tracks.size(); ++k) {
    const BoneTrack& track = tracks[k];
    if (track.keys.empty()) continue;
    if (track.boneIndex < 0 || static_cast<std::size_t>(track.boneIndex) >= boneCount) {
      TraceFormat("bone track %zu skipped: bone %d does not exist\n", k,
                  static_cast<int>(track.boneIndex));
      continue;
    }
    BoneTrackHint& hint = trackHints.hints[k];
    std::size_t n = CountKeysBefore(track.keys, frame, hint);
    if (n == track.keys.size()) n = track.keys.size() - 1;
    const BoneKey& next = track.keys[n];
    const BoneKey& prev = n == 0 ? next : track.keys[n - 1];
    const float t = n == 0 ? 1.0f : KeyFraction(frame, prev, next);
    // The curve stored with a key shapes the approach to it from the key before.
    const std::uint32_t tBits = FloatBits(t);
    if (hint.curvesValid && hint.fractionBits == tBits &&
        std::memcmp(hint.curveBytes, next.interpolation, sizeof hint.curveBytes) == 0)
      continue;
    hint.curvesValid = true;
    hint.fractionBits = tBits;
    std::memcpy(hint.curveBytes, next.interpolation, sizeof hint.curveBytes);
    const std::size_t lane = cache.pendingTracks.size();
    cache.pendingTracks.push_back(static_cast<std::uint32_t>(k));
    if (cache.lanes.size() <= lane) cache.lanes.resize(std::max<std::size_t>(lane + 1, tracks.size()));
    CurveLanes& l = cache.lanes[lane];
    // Curve c: first control point (byte c, byte 4 + c), second (8 + c, 12 + c).
    for (int c = 0; c < 4; ++c) {
      l.x1[c] = kControlPoints.value[next.interpolation[c]];
      l.y1[c] = kControlPoints.value[next.interpolation[4 + c]];
      l.x2[c] = kControlPoints.value[next.interpolation[8 + c]];
      l.y2[c] = kControlPoints.value[next.interpolation[12 + c]];
      l.x[c] = t;
    }
  }

  // Pass 2: solve the queued curves together.
  SolveCurves(cache.lanes.data(), cache.pendingTracks.size());
  for (std::size_t lane = 0; lane < cache.pendingTracks.size(); ++lane)
    std::memcpy(trackHints.hints[cache.pendingTracks[lane]].curveValues, cache.lanes[lane].value,
                sizeof(float) * 4);

  // Pass 3: pose the bones in track order (the centre bone's travel shifts
  // the roots whose tracks come after it).
  shiftPixels = 0.0f;
  float centreX = 0.0f;
  Float2 remembered{-1.0f, -1.0f};  // screen point; a negative x means not known yet
  for (std::size_t k = 0; k < tracks.size(); ++k) {
    const BoneTrack& track = tracks[k];
    if (track.keys.empty()) continue;
    if (track.boneIndex < 0 || static_cast<std::size_t>(track.boneIndex) >= boneCount) continue;
    const BoneTrackHint& hint = trackHints.hints[k];
    std::size_t n = hint.cursor;
    if (n == track.keys.size()) n = track.keys.size() - 1;
    const BoneKey& next = track.keys[n];
    const BoneKey& prev = n == 0 ? next : track.keys[n - 1];
    const float* curve = hint.curveValues;

    Bone& bone = bones[static_cast<std::size_t>(track.boneIndex)];
    bone.position = Lerp(prev.position, next.position, Float4{curve[0], curve[1], curve[2], 0.0f});
    bone.position.w = 1.0f;
    if (bone.isCenter) {
      const Float2 centre = ProjectToScreen(bone.position);
      if (remembered.x < 0.0f) remembered = ProjectToScreen(Float4{0.0f, 0.0f, 0.0f, 1.0f});
      shiftPixels = centre.x - remembered.x;
      centreX = bone.position.x;
      centreTravel_ = centreX;
      bone.position.x = 0.0f;
      remembered = centre;
    } else if (bone.parentIndex < 0) {
      bone.position.x -= centreX;
    }
    bone.rotation = QuaternionSlerp(prev.rotation, next.rotation, curve[3]);
  }
  return TruncatePixels(shiftPixels);
}

int Model::PoseFromMotion(std::uint64_t elapsedMilliseconds) {
  motionElapsed_ = elapsedMilliseconds;
  centreTravel_ = 0.0f;
  Animation* motion = animation.get();
  if (motion == nullptr) return 0;
  motion->currentFrame =
      LoopFrame(FrameOfElapsed(MotionTime(elapsedMilliseconds, blend_.start)), *motion);
  if (Animation* outgoing = FadingMotion()) {
    outgoing->currentFrame =
        LoopFrame(FrameOfElapsed(MotionTime(elapsedMilliseconds, blend_.outgoingStart)), *outgoing);
    return PoseBlendedMotions(*motion, *outgoing);
  }
  float shiftPixels = 0.0f;
  return PoseBoneTracks(*motion, poseCache_.tracks, shiftPixels);
}

Animation* Model::FadingMotion() const {
  Animation* outgoing = blend_.outgoing.get();
  if (outgoing == nullptr || outgoing == animation.get() || !(blend_.weight < 1.0f)) return nullptr;
  return outgoing;
}

const Animation* Model::PropertiesMotion() const {
  const Animation* outgoing = FadingMotion();
  return outgoing != nullptr && !(blend_.weight > 0.5f) ? outgoing : animation.get();
}

int Model::PoseBlendedMotions(Animation& incoming, Animation& outgoing) {
  PoseCache& cache = poseCache_;
  // The motion that gave way was the one played alone until now: its hints
  // go with it.
  if (cache.outgoingTracks.animation != &outgoing && cache.tracks.animation == &outgoing)
    std::swap(cache.outgoingTracks, cache.tracks);
  float outgoingShift = 0.0f;
  const int shift = PoseBoneTracks(outgoing, cache.outgoingTracks, outgoingShift);
  const float weight = blend_.weight;
  if (!(weight > 0.0f)) return shift;
  const float outgoingTravel = centreTravel_;
  outgoingPose_.resize(bones.size());
  for (std::size_t b = 0; b < bones.size(); ++b) {
    outgoingPose_[b] = {bones[b].position, bones[b].rotation};
    bones[b].position = bones[b].restPosition;
    bones[b].rotation = QuaternionIdentity();
  }
  centreTravel_ = 0.0f;
  float incomingShift = 0.0f;
  PoseBoneTracks(incoming, cache.tracks, incomingShift);
  const Float4 share{weight, weight, weight, weight};
  for (std::size_t b = 0; b < bones.size(); ++b) {
    Bone& bone = bones[b];
    bone.position = Lerp(outgoingPose_[b].position, bone.position, share);
    bone.rotation = QuaternionSlerp(outgoingPose_[b].rotation, bone.rotation, weight);
  }
  centreTravel_ = outgoingTravel + (centreTravel_ - outgoingTravel) * weight;
  return TruncatePixels(outgoingShift + (incomingShift - outgoingShift) * weight);
}

}  // namespace brivonel
