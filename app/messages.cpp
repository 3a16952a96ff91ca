#include "app/messages.h"

#include <array>
#include <cstddef>
#include <iterator>

#include "base/unicode.h"

namespace brivonel {
namespace {

// The words of one message. The English words are also the message's id in
// the gettext catalogue, so changing them means changing po/ja.po too (the
// catalogue test says so).
struct Wording {
  Message message;
  std::u16string_view english;
  std::u16string_view japanese;
};

constexpr Wording kWordings[] = {
    {Message::kModelRequired, u"A model is required",
     u"モデルは必須です"},
    {Message::kMotionRequired, u"A motion is required",
     u"モーションは必須です"},
    {Message::kFileNotFound, u"File not found",
     u"ファイルが見つかりません"},
    {Message::kModelDataInvalid, u"The model data has a problem",
     u"モデルデータに問題があります"},
    {Message::kMotionDataInvalid, u"The motion data has a problem",
     u"モーションデータに問題があります"},
    {Message::kDeviceFailed, u"Error initialising the D3D11 device",
     u"D3D11 Device初期化でエラー"},
    {Message::kDxgiFailed, u"Error initialising DXGI",
     u"DXGI初期化でエラー"},
    {Message::kBuffersFailed, u"Error initialising the D3D11 buffers",
     u"D3D11バッファの初期化でエラー"},
    {Message::kShadersFailed, u"Error initialising the shaders",
     u"シェーダ初期化でエラー"},
    {Message::kTexturesFailed, u"Error initialising the textures",
     u"テクスチャ初期化でエラー"},
    {Message::kDirect2DFailed, u"Error initialising D2D1",
     u"D2D1 初期化でエラー"},
    {Message::kPresentFailed, u"Error in the desktop window manager (DWM)",
     u"DWM関連でエラー"},
    {Message::kNoValue, u"No value",
     u"値がない"},
    {Message::kErrorCaption, u"Error",
     u"エラー"},
    {Message::kModelFileNeeded, u"Model data (PMD/PMX) is needed",
     u"モデルデータ(PMD/PMX)が必要です"},
    {Message::kMotionFileNeeded, u"Motion data (VMD) is needed",
     u"モーションデータ(VMD)が必要です"},
    {Message::kNoAppDataFolder, u"Cannot find the AppData folder",
     u"AppDataパスが取得できない"},
    {Message::kNoConfigFolder, u"Cannot find the settings folder ($XDG_CONFIG_HOME or $HOME/.config): "
     u"HOME is not set",
     u"設定フォルダ($XDG_CONFIG_HOME または $HOME/.config)のパスが取得できない"
     u"(HOME が設定されていない)"},
    {Message::kCannotCreateFolder, u"Cannot create %s",
     u"%sが作成できない"},
    {Message::kCannotSaveSettings, u"Cannot save to %s",
     u"%s に保存できない"},
    {Message::kModelDialogTitle, u"Choose the model data",
     u"モデルデータを選んでください"},
    {Message::kModelDialogFilter, u"MMD models (*.pmx, *.pmd)",
     u"MMD(*.pmx|*.pmd)"},
    {Message::kMotionDialogTitle, u"Choose the motion data",
     u"モーションデータを選んでください"},
    {Message::kMotionDialogFilter, u"VMD (*.vmd)",
     u"VMD (*.vmd)"},
    {Message::kAllFilesFilter, u"All files (*.*)", u"すべてのファイル (*.*)"},
    {Message::kFileMenu, u"&File",
     u"ファイル(&F)"},
    {Message::kChangeModelItem, u"Change model",
     u"モデル変更"},
    {Message::kChangeMotionItem, u"Change motion",
     u"モーション変更"},
    {Message::kDisplaySizeMenu, u"Display size",
     u"表示サイズ"},
    {Message::kSizeLargeItem, u"Large",
     u"大"},
    {Message::kSizeMediumItem, u"Medium",
     u"中"},
    {Message::kSizeSmallItem, u"Small",
     u"小"},
    {Message::kPhysicsItem, u"Physics",
     u"物理演算"},
    {Message::kLookAtItem, u"Follow the pointer",
     u"視線追従"},
    {Message::kShuffleItem, u"Shuffle",
     u"シャッフル"},
    {Message::kExitItem, u"Exit",
     u"終了"},
    {Message::kExitApplicationItem, u"E&xit",
     u"アプリケーションの終了(&X)"},
    {Message::kHelpMenu, u"&Help",
     u"ヘルプ(&H)"},
    {Message::kAboutItem, u"&About...",
     u"バージョン情報(&A)..."},
    {Message::kShowItem, u"Show",
     u"表示"},
    {Message::kHideItem, u"Hide",
     u"非表示"},
    {Message::kClickThroughItem, u"Click-through",
     u"クリック透過"},
    {Message::kStartAtLoginItem, u"Start at login",
     u"ログイン時に起動"},
    {Message::kAboutCaption, u"About Brivonel",
     u"バージョン情報 Brivonel"},
    {Message::kAboutVersionLine, u"Brivonel, Version 1.0",
     u"Brivonel, Version 1.0"},
    {Message::kAboutSecondLine, u"Copyright (C) 2024",
     u"Copyright (C) 2024"},
    {Message::kCommandLineHelp,
     u"usage: brivonel [--model FILE] [--motion FILE] [--size 1|2|3]\n"
     u"       brivonel --help | --version\n"
     u"  --model FILE   show this PMX or PMD model (this run only)\n"
     u"  --motion FILE  play this VMD motion (this run only)\n"
     u"  --size N       display size for this run: 1 large, 2 medium, 3 small\n"
     u"Without options the model, motion and size chosen last time are used.\n",
     u"使い方: brivonel [--model FILE] [--motion FILE] [--size 1|2|3]\n"
     u"        brivonel --help | --version\n"
     u"  --model FILE   この PMX または PMD のモデルを表示する(この実行だけ)\n"
     u"  --motion FILE  この VMD のモーションを再生する(この実行だけ)\n"
     u"  --size N       この実行の表示サイズ: 1 大、2 中、3 小\n"
     u"オプションがなければ、前回選んだモデル、モーション、サイズを使います。\n"},
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

constexpr std::size_t kMessages = static_cast<std::size_t>(Message::kCount);

// The words MessageText gives: Japanese until a front chooses. A
// function's static, so that objects built before main find it ready.
std::array<std::u16string, kMessages>& Shown() {
  static std::array<std::u16string, kMessages> shown = [] {
    std::array<std::u16string, kMessages> japanese;
    for (std::size_t row = 0; row < kMessages; ++row) japanese[row] = kWordings[row].japanese;
    return japanese;
  }();
  return shown;
}

}  // namespace

std::u16string_view MessageText(Message message) {
  const auto row = static_cast<std::size_t>(message);
  if (row >= kMessages) return {};
  return Shown()[row];
}

std::u16string MessageNaming(Message message, std::u16string_view name) {
  std::u16string text(MessageText(message));
  const std::size_t slot = text.find(u"%s");
  if (slot != std::u16string::npos) text.replace(slot, 2, name);
  return text;
}

std::u16string_view MessageIn(Message message, Language language) {
  const auto row = static_cast<std::size_t>(message);
  if (row >= kMessages) return {};
  return language == Language::kJapanese ? kWordings[row].japanese : kWordings[row].english;
}

std::string MessageId(Message message) {
  return Utf16ToUtf8(MessageIn(message, Language::kEnglish));
}

void ShowMessagesIn(Language language) {
  ShowMessages([language](Message message) {
    return std::u16string(MessageIn(message, language));
  });
}

void ShowMessages(const std::function<std::u16string(Message)>& words) {
  for (std::size_t row = 0; row < kMessages; ++row) {
    const auto message = static_cast<Message>(row);
    std::u16string text = words(message);
    Shown()[row] = text.empty() ? std::u16string(MessageIn(message, Language::kEnglish))
                                : std::move(text);
  }
}

}  // namespace brivonel
