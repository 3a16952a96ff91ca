#pragma once
// The remembered model file, motion file, display size and scale, physics
// switch and window place, kept in the INI
// file "figure.ini" in the folder "Quenvalis" under the user's roaming
// application-data folder. Each key is read from the file the first time it
// is asked for and cached; every change is written to the file at once.
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/platform/folders.h"
#include "app/platform/message_boxes.h"
#include "app/platform/profile_store.h"
#include "app/platform/window_geometry.h"

namespace brivonel {

class Settings {
 public:
  static constexpr std::u16string_view fileName = u"figure.ini";
  static constexpr std::u16string_view folderName = u"Quenvalis";
  static constexpr std::u16string_view section = u"CharaModel";
  static constexpr std::u16string_view modelKey = u"Model";
  static constexpr std::u16string_view motionKey = u"Motion";
  static constexpr std::u16string_view sizeKey = u"ModelSize";
  static constexpr std::u16string_view physicsKey = u"Physics";
  static constexpr std::u16string_view clickThroughKey = u"ClickThrough";
  static constexpr std::u16string_view scaleKey = u"Scale";
  static constexpr std::u16string_view windowXKey = u"WindowX";
  static constexpr std::u16string_view windowYKey = u"WindowY";
  static constexpr std::u16string_view lookAtKey = u"LookAt";
  static constexpr std::u16string_view defaultValue = u"";
  // The motions played one after another: Count, Item1 ... ItemN, Shuffle.
  static constexpr std::u16string_view playlistSection = u"Playlist";
  static constexpr std::int32_t maxPlaylistItems = 1000;

  // Finds the file's path and creates its folder; a missing application-data
  // folder (in the words the platform's folders give) or a folder that
  // cannot be created is reported in a message box without owner (there is
  // no window yet).
  Settings(IProfileStore& store, IFolders& folders, IMessageBoxes& messageBoxes);
  virtual ~Settings() = default;
  Settings(const Settings&) = delete;
  Settings& operator=(const Settings&) = delete;

  // The remembered model path, whole whatever its length (the file dialogs
  // give paths longer than the 259 characters of a classic Windows path);
  // true when not empty.
  bool GetModelPath(std::u16string& path);
  // The remembered motion path; true when not empty.
  bool GetMotionPath(std::u16string& path);
  // The stored size as a decimal integer (leading digits; none give 0);
  // true only for 1, 2 and 3.
  bool GetModelSize(std::int32_t& size);
  // Whether hair and skirts are simulated: on unless the key says 0.
  bool PhysicsOn();
  // Whether clicks on the figure go to the windows below it: off unless the
  // key says a number other than 0.
  bool ClickThroughOn();
  // The figure's scale in percent as stored; null when missing or no whole
  // number (see ResolvedScale for how it meets the size).
  std::optional<std::int32_t> Scale();
  // The window's top-left corner where the user last dropped it (screen
  // pixels, the dance's own sideways travel taken out); null unless both
  // keys hold whole numbers.
  std::optional<Point> WindowPlace();
  // Whether the head follows the pointer: on unless the key says 0.
  bool LookAtOn();

  // Write the key to the file at once; false (after a message box) when the
  // file could not be written. The new value is used for the rest of the run
  // either way.
  bool SetModelPath(std::u16string_view path);
  bool SetMotionPath(std::u16string_view path);
  bool SetModelSize(std::int32_t size);
  bool SetPhysicsOn(bool on);
  bool SetClickThroughOn(bool on);
  bool SetScale(std::int32_t percent);
  bool SetWindowPlace(Point topLeft);
  bool SetLookAtOn(bool on);

  // The remembered playlist, in order; empty when none is remembered (a
  // Count beyond maxPlaylistItems reads as that many, empty items are left
  // out). Read from the file each time: the program asks once, at start.
  std::vector<std::u16string> GetPlaylist();
  bool PlaylistShuffled();
  // Writes the whole list and the shuffle choice; the motion key keeps the
  // first item, so a reader that knows no playlist still finds a motion.
  // Items beyond the new count that the file held are cleared.
  bool SetPlaylist(const std::vector<std::u16string>& items, bool shuffle);
  // Writes the shuffle choice alone (the menu's item).
  bool SetPlaylistShuffled(bool shuffle);

  // Full path of the INI file; empty when the application-data folder is unknown.
  const std::u16string& path() const { return path_; }

 private:
  bool ReadKey(std::u16string_view key);
  bool WriteKey(std::u16string_view key, std::u16string_view value);
  std::u16string ReadInSection(std::u16string_view section, std::u16string_view key);
  bool WriteInSection(std::u16string_view section, std::u16string_view key,
                      std::u16string_view value);
  const std::u16string& CachedValue(std::u16string_view key);

  IProfileStore& store_;
  IMessageBoxes& messageBoxes_;
  std::u16string path_;
  std::map<std::u16string, std::u16string, std::less<>> cache_;
};

// The integer at the start of text, as the C library's decimal conversion
// reads it: leading white space, an optional sign, digits; 0 without digits.
// Values beyond the 32-bit range saturate.
std::int32_t LeadingInteger(std::u16string_view text);
// text as a whole number in the 32-bit range (blanks around it allowed);
// null for anything else.
std::optional<std::int32_t> WholeInteger(std::u16string_view text);

}  // namespace brivonel
