#pragma once
// The motions the figure dances one after another: which one comes next, in
// the order the user chose them or shuffled, and how the last one's pose
// gives way to the next one's.
#include <cstddef>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

namespace brivonel {

class Playlist {
 public:
  Playlist() = default;
  // seed drives the shuffle; the programs give it the clock, tests a number.
  Playlist(std::vector<std::u16string> items, bool shuffle, std::uint32_t seed);

  const std::vector<std::u16string>& items() const { return items_; }
  bool shuffle() const { return shuffle_; }
  bool empty() const { return items_.empty(); }
  std::size_t size() const { return items_.size(); }
  // The item playing now; size() before the first call of Next.
  std::size_t current() const { return current_; }

  // The item to play after the current one. In order, the list wraps around;
  // shuffled, every item plays once before any plays again, and a new round
  // never starts with the item that ended the last one (so no motion plays
  // twice in a row when there are two or more).
  std::size_t Next();
  // Turns shuffling on or off; the item playing now goes on, and the next
  // round starts fresh.
  void SetShuffle(bool shuffle);

 private:
  void DealRound();

  std::vector<std::u16string> items_;
  bool shuffle_ = false;
  std::mt19937 random_;
  std::vector<std::size_t> round_;  // shuffled items still to play, last first
  std::size_t current_ = 0;
  bool started_ = false;
};

// How long one motion's pose takes to give way to the next one's.
constexpr std::uint64_t kCrossFadeMilliseconds = 500;

// The weight of the incoming motion sinceSwitch milliseconds after the
// switch: 0 at the switch, 1 from kCrossFadeMilliseconds on, easing in and
// out between so neither end jerks.
float CrossFadeWeight(std::uint64_t sinceSwitch);

}  // namespace brivonel
