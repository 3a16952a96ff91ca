// The application object's playlist: the motions chosen together play one
// after another, each for one loop, the next taking over in a half-second
// cross-fade. A single motion is a list of one and plays as it always has.
#include <algorithm>
#include <utility>

#include "app/desktop_mascot_app.h"
#include "app/resources.h"
#include "base/error_codes.h"
#include "base/trace.h"
#include "base/unicode.h"

namespace brivonel {
namespace {

// A motion shorter than this plays again until its turn has lasted this
// long, so that one cross-fade ends well before the next begins.
constexpr std::uint64_t kShortestTurn = 2 * kCrossFadeMilliseconds;

std::uint64_t TurnOf(const Animation& motion) {
  return std::max(OneLoopMilliseconds(motion), kShortestTurn);
}

}  // namespace

Playlist DesktopMascotApp::RememberedPlaylist(const std::u16string& motion) {
  std::vector<std::u16string> items = settings_.GetPlaylist();
  // A list that does not start with the motion was left behind when a
  // program that knows no playlist changed the motion, or the motion is
  // given for this run only: the motion plays alone.
  if (items.empty() || items.front() != motion) items = {motion};
  return Playlist(std::move(items), settings_.PlaylistShuffled(), platform_.clock.NowMilliseconds());
}

std::int32_t DesktopMascotApp::StartPlaylist(Playlist list, std::shared_ptr<Animation>& animation,
                                             std::u16string& tried) {
  std::vector<std::uint8_t> unplayable(list.size(), 0);
  std::int32_t code = error::kMotionDialogCancelled;
  // A shuffled list deals a new round after its last item: twice its
  // length reaches every item.
  for (std::size_t turn = 0; turn < 2 * list.size(); ++turn) {
    const std::size_t item = list.Next();
    if (unplayable[item] != 0) continue;
    tried = list.items()[item];
    auto decoded = std::make_shared<Animation>();
    code = DecodeMotionFile(tried, decoded);
    if (code == error::kOk) {
      animation = std::move(decoded);
      playlist_ = std::move(list);
      unplayable_ = std::move(unplayable);
      return code;
    }
    unplayable[item] = 1;
    if (list.size() > 1)
      TraceFormat("playlist: %s skipped: %s\n", Utf16ToUtf8(tried).c_str(), refusal_.c_str());
    if (std::all_of(unplayable.begin(), unplayable.end(), [](std::uint8_t u) { return u != 0; }))
      break;
  }
  return code;
}

void DesktopMascotApp::StartMotion(Model& model, std::shared_ptr<Animation> animation) {
  motionTurn_ = TurnOf(*animation);
  motionStart_ = elapsed_;
  outgoing_.reset();
  Scene::SetMotion(model, std::move(animation));
  model.SetMotionBlend({motionStart_, nullptr, 0, 1.0f});
}

void DesktopMascotApp::AdvancePlaylist(Model& model) {
  if (!model.animation) return;
  // The clock starts again after a stall: so does the motion playing.
  if (elapsed_ < motionStart_) {
    motionStart_ = 0;
    outgoing_.reset();
  }
  if (playlist_.size() > 1 && elapsed_ - motionStart_ >= motionTurn_) PlayNextItem(model);
  const float weight = outgoing_ ? CrossFadeWeight(elapsed_ - motionStart_) : 1.0f;
  model.SetMotionBlend({motionStart_, outgoing_, outgoingStart_, weight});
}

void DesktopMascotApp::PlayNextItem(Model& model) {
  const std::size_t playing = playlist_.current();
  for (std::size_t turn = 0; turn < 2 * playlist_.size(); ++turn) {
    const std::size_t item = playlist_.Next();
    if (item >= unplayable_.size() || unplayable_[item] != 0) continue;
    // The only item left that loads: it goes on looping alone.
    if (item == playing) break;
    const std::u16string& path = playlist_.items()[item];
    auto animation = std::make_shared<Animation>();
    if (DecodeMotionFile(path, animation) != error::kOk) {
      unplayable_[item] = 1;
      TraceFormat("playlist: %s skipped: %s\n", Utf16ToUtf8(path).c_str(), refusal_.c_str());
      continue;
    }
    // The new motion starts where the last one's turn ended, which keeps
    // the turns to their length whatever the frame rate.
    outgoing_ = model.animation;
    outgoingStart_ = motionStart_;
    motionStart_ += motionTurn_;
    motionTurn_ = TurnOf(*animation);
    Scene::SetMotion(model, std::move(animation));
    TraceFormat("playlist: item %zu of %zu, %s\n", item + 1, playlist_.size(),
                Utf16ToUtf8(path).c_str());
    return;
  }
  playlist_ = Playlist();
  outgoing_.reset();
}

void DesktopMascotApp::ToggleShuffle() {
  const bool on = !settings_.PlaylistShuffled();
  settings_.SetPlaylistShuffled(on);
  playlist_.SetShuffle(on);
  ApplyShuffle();
}

void DesktopMascotApp::ApplyShuffle() {
  platform_.menuChecks.SetChecked(command::kShuffle, settings_.PlaylistShuffled());
}

}  // namespace brivonel
