#include "app/playlist.h"

#include <algorithm>
#include <numeric>
#include <utility>

namespace brivonel {

Playlist::Playlist(std::vector<std::u16string> items, bool shuffle, std::uint32_t seed)
    : items_(std::move(items)), shuffle_(shuffle), random_(seed), current_(items_.size()) {}

std::size_t Playlist::Next() {
  if (items_.empty()) return 0;
  if (!shuffle_) {
    current_ = started_ ? (current_ + 1) % items_.size() : 0;
  } else {
    if (round_.empty()) DealRound();
    current_ = round_.back();
    round_.pop_back();
  }
  started_ = true;
  return current_;
}

void Playlist::SetShuffle(bool shuffle) {
  shuffle_ = shuffle;
  round_.clear();
}

void Playlist::DealRound() {
  round_.resize(items_.size());
  std::iota(round_.begin(), round_.end(), std::size_t{0});
  std::shuffle(round_.begin(), round_.end(), random_);
  // The round is taken from the back: keep the item that just played from
  // coming straight back.
  if (started_ && round_.size() > 1 && round_.back() == current_)
    std::swap(round_.back(), round_.front());
}

float CrossFadeWeight(std::uint64_t sinceSwitch) {
  if (sinceSwitch >= kCrossFadeMilliseconds) return 1.0f;
  const float t = static_cast<float>(sinceSwitch) / static_cast<float>(kCrossFadeMilliseconds);
  return t * t * (3.0f - 2.0f * t);
}

}  // namespace brivonel
