#include "app/resources.h"

#include "base/error_codes.h"

namespace brivonel {
namespace {

// Names that no language changes: the program's title, and the window
// class and title by which a running copy is found.
struct NamedString {
  std::int32_t id;
  std::u16string_view name;
};
constexpr NamedString kNames[] = {
    {resource::kTitleString, u"Quenvalis"},
    {resource::kClassNameString, u"BRIVONEL"},
};

// The string table's text of each error code that has one.
struct CodeText {
  std::int32_t code;
  Message text;
};
constexpr CodeText kCodeTexts[] = {
    {error::kModelDialogCancelled, Message::kModelRequired},
    {error::kMotionDialogCancelled, Message::kMotionRequired},
    {error::kFileNotFound, Message::kFileNotFound},
    {error::kModelDataInvalid, Message::kModelDataInvalid},
    {error::kMotionDataInvalid, Message::kMotionDataInvalid},
    {error::kDevice, Message::kDeviceFailed},
    {error::kDxgi, Message::kDxgiFailed},
    {error::kBuffers, Message::kBuffersFailed},
    {error::kShaders, Message::kShadersFailed},
    {error::kTextures, Message::kTexturesFailed},
    {error::kDirect2D, Message::kDirect2DFailed},
    {error::kPresent, Message::kPresentFailed},
    {error::kNoValue, Message::kNoValue},
};

}  // namespace

std::optional<std::u16string_view> BuiltInString(std::int32_t id) {
  for (const NamedString& entry : kNames) {
    if (entry.id == id) return entry.name;
  }
  for (const CodeText& entry : kCodeTexts) {
    if (entry.code == id) return MessageText(entry.text);
  }
  return std::nullopt;
}

std::optional<std::u16string> BuiltInStringTable::Load(std::int32_t id) {
  if (auto text = BuiltInString(id)) return std::u16string(*text);
  return std::nullopt;
}

}  // namespace brivonel
