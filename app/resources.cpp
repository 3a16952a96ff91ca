#include "app/resources.h"

#include "base/error_codes.h"

namespace brivonel {
namespace {

struct StringEntry {
  std::int32_t id;
  std::u16string_view text;
};

constexpr StringEntry kStrings[] = {
    {resource::kTitleString, u"Quenvalis"},
    {resource::kClassNameString, u"BRIVONEL"},
    {error::kModelDialogCancelled, u"モデルは必須です"},
    {error::kMotionDialogCancelled, u"モーションは必須です"},
    {error::kFileNotFound, u"ファイルが見つかりません"},
    {error::kModelDataInvalid, u"モデルデータに問題があります"},
    {error::kMotionDataInvalid, u"モーションデータに問題があります"},
    {error::kDevice, u"D3D11 Device初期化でエラー"},
    {error::kDxgi, u"DXGI初期化でエラー"},
    {error::kBuffers, u"D3D11バッファの初期化でエラー"},
    {error::kShaders, u"シェーダ初期化でエラー"},
    {error::kTextures, u"テクスチャ初期化でエラー"},
    {error::kDirect2D, u"D2D1 初期化でエラー"},
    {error::kPresent, u"DWM関連でエラー"},
    {error::kNoValue, u"値がない"},
};

}  // namespace

std::optional<std::u16string_view> BuiltInString(std::int32_t id) {
  for (const StringEntry& entry : kStrings) {
    if (entry.id == id) return entry.text;
  }
  return std::nullopt;
}

std::optional<std::u16string> BuiltInStringTable::Load(std::int32_t id) {
  if (auto text = BuiltInString(id)) return std::u16string(*text);
  return std::nullopt;
}

}  // namespace brivonel
