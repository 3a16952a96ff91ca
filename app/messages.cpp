#include "app/messages.h"

#include <cstddef>
#include <iterator>

namespace brivonel {
namespace {

// The words of one message. Another language is one more column here and a
// choice in MessageText.
struct Wording {
  Message message;
  std::u16string_view japanese;
};

constexpr Wording kWordings[] = {
    {Message::kModelRequired, u"モデルは必須です"},
    {Message::kMotionRequired, u"モーションは必須です"},
    {Message::kFileNotFound, u"ファイルが見つかりません"},
    {Message::kModelDataInvalid, u"モデルデータに問題があります"},
    {Message::kMotionDataInvalid, u"モーションデータに問題があります"},
    {Message::kDeviceFailed, u"D3D11 Device初期化でエラー"},
    {Message::kDxgiFailed, u"DXGI初期化でエラー"},
    {Message::kBuffersFailed, u"D3D11バッファの初期化でエラー"},
    {Message::kShadersFailed, u"シェーダ初期化でエラー"},
    {Message::kTexturesFailed, u"テクスチャ初期化でエラー"},
    {Message::kDirect2DFailed, u"D2D1 初期化でエラー"},
    {Message::kPresentFailed, u"DWM関連でエラー"},
    {Message::kNoValue, u"値がない"},
    {Message::kErrorCaption, u"エラー"},
    {Message::kModelFileNeeded, u"モデルデータ(PMD/PMX)が必要です"},
    {Message::kMotionFileNeeded, u"モーションデータ(VMD)が必要です"},
    {Message::kNoAppDataFolder, u"AppDataパスが取得できない"},
    {Message::kNoConfigFolder,
     u"設定フォルダ($XDG_CONFIG_HOME または $HOME/.config)のパスが取得できない"
     u"(HOME が設定されていない)"},
    {Message::kCannotCreateFolder, u"%sが作成できない"},
    {Message::kCannotSaveSettings, u"%s に保存できない"},
    {Message::kModelDialogTitle, u"モデルデータを選んでください"},
    {Message::kModelDialogFilter, u"MMD(*.pmx|*.pmd)"},
    {Message::kMotionDialogTitle, u"モーションデータを選んでください"},
    {Message::kMotionDialogFilter, u"TovarleまたはVMD(*jpg|*.vmd)"},
    {Message::kFileMenu, u"ファイル(&F)"},
    {Message::kChangeModelItem, u"モデル変更"},
    {Message::kChangeMotionItem, u"モーション変更"},
    {Message::kDisplaySizeMenu, u"表示サイズ"},
    {Message::kSizeLargeItem, u"大"},
    {Message::kSizeMediumItem, u"中"},
    {Message::kSizeSmallItem, u"小"},
    {Message::kPhysicsItem, u"物理演算"},
    {Message::kLookAtItem, u"視線追従"},
    {Message::kExitItem, u"終了"},
    {Message::kExitApplicationItem, u"アプリケーションの終了(&X)"},
    {Message::kHelpMenu, u"ヘルプ(&H)"},
    {Message::kAboutItem, u"バージョン情報(&A)..."},
    {Message::kAboutCaption, u"バージョン情報 Brivonel"},
    {Message::kAboutVersionLine, u"Brivonel, Version 1.0"},
    {Message::kAboutSecondLine, u"Copyright (C) 2024"},
};

// A message is found by its number, so the table must hold every message
// once, in order; a message added without words stops the build.
constexpr bool EveryMessageInOrder() {
  if (std::size(kWordings) != static_cast<std::size_t>(Message::kCount)) return false;
  for (std::size_t i = 0; i < std::size(kWordings); ++i) {
    if (kWordings[i].message != static_cast<Message>(i)) return false;
  }
  return true;
}
static_assert(EveryMessageInOrder(), "kWordings: one row per Message, in its order");

}  // namespace

std::u16string_view MessageText(Message message) {
  const auto row = static_cast<std::size_t>(message);
  if (row >= std::size(kWordings)) return {};
  return kWordings[row].japanese;
}

std::u16string MessageNaming(Message message, std::u16string_view name) {
  std::u16string text(MessageText(message));
  const std::size_t slot = text.find(u"%s");
  if (slot != std::u16string::npos) text.replace(slot, 2, name);
  return text;
}

}  // namespace brivonel
