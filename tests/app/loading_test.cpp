// Choosing and loading models and motions: remembered paths, the dialogs and
// their repetition, failure states of the menu commands, morph binding.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "base/unicode.h"
#include "tests/app/app_harness.h"

namespace brivonel::test {
namespace {

constexpr char16_t kModelMessage[] = u"モデルデータ(PMD/PMX)が必要です";
constexpr char16_t kMotionMessage[] = u"モーションデータ(VMD)が必要です";

std::ptrdiff_t IndexOf(const EventLog& log, const std::string& event) {
  const auto found = std::find(log.begin(), log.end(), event);
  return found == log.end() ? -1 : found - log.begin();
}

TEST(StartupTest, FirstRunAsksForBothFilesAndRemembersThem) {
  AppHarness h;
  h.decoders.models[u"/m/a.pmx"] = {};
  h.decoders.motions[u"/m/a.vmd"] = {};
  h.dialog.Choose(u"/m/a.pmx");
  h.dialog.Choose(u"/m/a.vmd");
  ASSERT_EQ(h.Start(), 0);
  EXPECT_EQ(h.log, (EventLog{"box モデルデータ(PMD/PMX)が必要です",
                             "dialog モデルデータを選んでください", "decode pmx /m/a.pmx",
                             "write Model=/m/a.pmx", "box モーションデータ(VMD)が必要です",
                             "dialog モーションデータを選んでください", "decode motion /m/a.vmd",
                             "write Motion=/m/a.vmd"}));
  ASSERT_EQ(h.boxes.shown.size(), 2u);
  EXPECT_EQ(h.boxes.shown[0].caption, u"");
  EXPECT_EQ(h.boxes.shown[0].style, MessageStyle::kPlain);
  EXPECT_EQ(h.boxes.shown[0].owner, MessageOwner::kWindow);
  EXPECT_EQ(h.Stored(u"Model"), u"/m/a.pmx");
  EXPECT_EQ(h.Stored(u"Motion"), u"/m/a.vmd");
  EXPECT_TRUE(std::filesystem::is_directory(h.appData.path() / "Quenvalis"));
  ASSERT_NE(h.CurrentModel(), nullptr);
  EXPECT_FALSE(h.CurrentModel()->loading);
  EXPECT_EQ(h.CurrentModel()->animation->name, "/m/a.vmd");

  const OpenFileDialogSetup& model = h.dialog.setups[0];
  EXPECT_EQ(model.filterDescription, u"MMD(*.pmx|*.pmd)");
  EXPECT_EQ(model.filterPattern, u"*.pmd;*.pmx");
  EXPECT_TRUE(model.fileMustExist);
  const OpenFileDialogSetup& motion = h.dialog.setups[1];
  EXPECT_FALSE(model.offerAllFiles);
  EXPECT_EQ(motion.filterDescription, u"VMD (*.vmd)");
  EXPECT_EQ(motion.filterPattern, u"*.vmd");
  EXPECT_TRUE(motion.offerAllFiles);
  EXPECT_TRUE(motion.fileMustExist);
}

TEST(StartupTest, RememberedFilesLoadWithoutAnyDialog) {
  AppHarness h;
  h.RememberGoodFiles();
  ASSERT_EQ(h.Start(), 0);
  EXPECT_TRUE(h.dialog.setups.empty());
  EXPECT_TRUE(h.boxes.shown.empty());
  EXPECT_EQ(IndexOf(h.log, "write Model=/m/good.pmx"), -1) << "nothing chosen, nothing written";
}

TEST(StartupTest, UpperCaseRememberedExtensionGivesTheMessageThenTheDialog) {
  AppHarness h;
  h.decoders.models[u"/m/OLD.PMD"] = {};
  h.decoders.models[u"/m/new.pmd"] = {};
  h.decoders.motions[u"/m/a.vmd"] = {};
  h.Remember(u"Model", u"/m/OLD.PMD");
  h.Remember(u"Motion", u"/m/a.vmd");
  h.dialog.Choose(u"/m/new.pmd");
  ASSERT_EQ(h.Start(), 0);
  EXPECT_EQ(IndexOf(h.log, "decode pmd /m/OLD.PMD"), -1) << "the extension test is exact";
  EXPECT_EQ(h.log[0], "box モデルデータ(PMD/PMX)が必要です\n\n/m/OLD.PMD: not a .pmx or .pmd file");
  EXPECT_EQ(h.log[1], "dialog モデルデータを選んでください");
  EXPECT_EQ(h.log[2], "decode pmd /m/new.pmd");
  EXPECT_EQ(h.Stored(u"Model"), u"/m/new.pmd");
}

TEST(StartupTest, MixedCaseChoiceShowsTheDialogAgainWithThePreviousChoice) {
  AppHarness h;
  h.decoders.models[u"/m/Mixed.Pmx"] = {};
  h.decoders.models[u"/m/good.pmx"] = {};
  h.decoders.motions[u"/m/a.vmd"] = {};
  h.Remember(u"Motion", u"/m/a.vmd");
  h.dialog.Choose(u"/m/Mixed.Pmx");
  h.dialog.Choose(u"/m/good.pmx");
  ASSERT_EQ(h.Start(), 0);
  ASSERT_EQ(h.dialog.setups.size(), 2u);
  EXPECT_EQ(h.dialog.initialFiles[1], u"/m/Mixed.Pmx") << "the buffers keep the last choice";
  EXPECT_EQ(IndexOf(h.log, "decode pmx /m/Mixed.Pmx"), -1);
  EXPECT_EQ(h.Stored(u"Model"), u"/m/good.pmx");
}

TEST(StartupTest, TruncatedOrRefusedModelsShowTheDialogAgain) {
  AppHarness h;
  h.decoders.models[u"/m/short.pmx"] = FakeModelFile(FileOutcome::kEndsEarly);
  h.decoders.models[u"/m/bad.pmx"] = FakeModelFile(FileOutcome::kFormatError);
  h.decoders.models[u"/m/good.pmx"] = {};
  h.decoders.motions[u"/m/a.vmd"] = {};
  h.Remember(u"Model", u"/m/short.pmx");  // the remembered file ends early
  h.Remember(u"Motion", u"/m/a.vmd");
  h.dialog.Choose(u"/m/short.pmx");
  h.dialog.Choose(u"/m/bad.pmx");
  h.dialog.Choose(u"/m/missing.pmx");
  h.dialog.Choose(u"/m/good.pmx");
  ASSERT_EQ(h.Start(), 0);
  EXPECT_EQ(h.dialog.setups.size(), 4u);
  // The remembered file's box, then one for each file chosen that failed,
  // naming it with the code.
  ASSERT_EQ(h.boxes.shown.size(), 4u);
  EXPECT_EQ(h.boxes.shown[0].text.rfind(std::u16string(kModelMessage) + u"\n\n/m/short.pmx", 0), 0u);
  const std::u16string expected[] = {u"/m/short.pmx", u"/m/bad.pmx", u"/m/missing.pmx"};
  const std::u16string codes[] = {u"ecode: 1203", u"ecode: 1003", u"ecode: 1002"};
  for (int i = 0; i < 3; ++i) {
    EXPECT_NE(h.boxes.shown[i + 1].text.find(expected[i]), std::u16string::npos) << i;
    EXPECT_NE(h.boxes.shown[i + 1].text.find(codes[i]), std::u16string::npos) << i;
  }
  EXPECT_NE(h.boxes.shown[3].text.find(u"/m/missing.pmx: file not found"), std::u16string::npos);
  EXPECT_EQ(h.CurrentModel()->path, u"/m/good.pmx");
  EXPECT_EQ(h.Stored(u"Model"), u"/m/good.pmx");
}

TEST(StartupTest, CancellingTheModelDialogEndsStartUpWithCode1000) {
  AppHarness h;
  h.dialog.Cancel();
  EXPECT_EQ(h.Start(), 1000);
  ASSERT_EQ(h.boxes.shown.size(), 2u);
  EXPECT_EQ(h.boxes.shown[1].text, u"モデルは必須です\nhr:0 ecode: 1000");
  EXPECT_EQ(h.boxes.shown[1].caption, u"エラー");
  EXPECT_EQ(h.app->model(), nullptr);
}

TEST(StartupTest, CancellingTheMotionDialogEndsStartUpWithCode1001) {
  AppHarness h;
  h.decoders.models[u"/m/good.pmx"] = {};
  h.Remember(u"Model", u"/m/good.pmx");
  h.Remember(u"Motion", u"/m/gone.vmd");
  h.dialog.Cancel();
  EXPECT_EQ(h.Start(), 1001);
  EXPECT_EQ(h.log[1], "decode motion /m/gone.vmd");
  EXPECT_EQ(h.boxes.shown[0].text, std::u16string(kMotionMessage) + u"\n\n/m/gone.vmd: file not found");
  EXPECT_EQ(h.boxes.shown[1].text, u"モーションは必須です\nhr:0 ecode: 1001");
}

TEST(StartupTest, RememberedMotionOfAnyExtensionGoesToTheDecoder) {
  AppHarness h;
  h.decoders.models[u"/m/good.pmx"] = {};
  h.decoders.motions[u"/m/dance.JPG"] = {};
  h.Remember(u"Model", u"/m/good.pmx");
  h.Remember(u"Motion", u"/m/dance.JPG");
  ASSERT_EQ(h.Start(), 0);
  EXPECT_EQ(h.CurrentModel()->animation->name, "/m/dance.JPG");
}

TEST(StartupTest, MissingShaderFileGivesCode1103) {
  AppHarness h;
  h.RememberGoodFiles();
  std::filesystem::remove(h.executable.path() / "vs_pos4norm3uv2.cso");
  EXPECT_EQ(h.Start(), 1103);
  EXPECT_EQ(h.boxes.shown.back().text, u"シェーダ初期化でエラー\nhr:0 ecode: 1103");
}

TEST(StartupTest, MaterialsGetTheVertexShaderAndAPixelShaderByTexture) {
  AppHarness h;
  h.RememberGoodFiles();
  h.decoders.models[u"/m/good.pmx"].texturedMaterials = {true, false, true, false};
  ASSERT_EQ(h.Start(), 0);
  const Model& model = *h.app->model();
  ASSERT_EQ(model.materials.size(), 4u);
  for (const Material& material : model.materials) {
    EXPECT_EQ(model.vertexShaderPool.Get(material.vertexShaderId).name, u"vs_pos4norm3uv2");
    EXPECT_EQ(model.pixelShaderPool.Get(material.pixelShaderId).name,
              material.textureId >= 0 ? u"ps_pos4color4uv2" : u"ps_pos4color4");
  }
  EXPECT_EQ(h.presenter.gpu->CountCalls("CreateVertexShader"), 1u) << "each shader loads once";
  EXPECT_EQ(h.presenter.gpu->CountCalls("CreatePixelShader"), 2u);
}

TEST(StartupTest, UntexturedModelWithoutItsPixelShaderFileFails) {
  AppHarness h;
  h.RememberGoodFiles();
  std::filesystem::remove(h.executable.path() / "ps_pos4color4.cso");
  EXPECT_EQ(h.Start(), 1103);
}

TEST(StartupTest, UnexpectedFaultShowsItsTextAndEndsStartUpWithCode1203) {
  AppHarness h;
  h.RememberGoodFiles();
  h.presenter.textObjectsThrowStd = true;
  EXPECT_EQ(h.Start(), 1203);
  ASSERT_EQ(h.boxes.shown.size(), 1u);
  EXPECT_EQ(h.boxes.shown[0].text, u"no text objects");
  EXPECT_EQ(h.boxes.shown[0].caption, u"エラー");
  EXPECT_EQ(h.app->model(), nullptr);
}

class ChangeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    h.RememberGoodFiles();
    h.decoders.models[u"/m/good.pmx"].morphNames = {u"あ", u"まばたき"};
    h.decoders.motions[u"/m/dance.vmd"].morphTrackNames = {u"あ"};
    h.decoders.models[u"/m/other.pmd"] = {};
    h.decoders.motions[u"/m/face.vmd"].morphTrackNames = {u"まばたき", u"にやり", u"あ"};
    ASSERT_EQ(h.Start(), 0);
    h.log.clear();
    h.boxes.shown.clear();
  }
  AppHarness h;
};

TEST_F(ChangeTest, ChangeModelInstallsTheNewModelWithTheRememberedMotion) {
  ScriptedModel* before = h.CurrentModel();
  h.dialog.Choose(u"/m/other.pmd");
  h.app->ChangeModel();
  ASSERT_NE(h.CurrentModel(), before);
  EXPECT_EQ(h.CurrentModel()->path, u"/m/other.pmd");
  EXPECT_FALSE(h.CurrentModel()->loading);
  EXPECT_EQ(h.CurrentModel()->animation->name, "/m/dance.vmd");
  EXPECT_TRUE(h.boxes.shown.empty());
  EXPECT_EQ(h.log, (EventLog{"dialog モデルデータを選んでください", "decode pmd /m/other.pmd",
                             "write Model=/m/other.pmd", "decode motion /m/dance.vmd"}));
}

TEST_F(ChangeTest, CancelledMotionLeavesTheNewModelInstalledButStillUntilALaterChange) {
  h.decoders.motions.erase(u"/m/dance.vmd");  // the remembered motion is gone
  h.dialog.Choose(u"/m/other.pmd");
  h.dialog.Cancel();  // the motion dialog
  h.app->ChangeModel();
  ASSERT_EQ(h.boxes.shown.size(), 2u);
  EXPECT_EQ(h.boxes.shown[0].text, std::u16string(kMotionMessage) + u"\n\n/m/dance.vmd: file not found");
  EXPECT_EQ(h.boxes.shown[1].text, u"モーションは必須です\nhr:0 ecode: 1001");
  ScriptedModel* stuck = h.CurrentModel();
  ASSERT_NE(stuck, nullptr);
  EXPECT_EQ(stuck->path, u"/m/other.pmd");
  EXPECT_TRUE(stuck->loading);
  h.clock.now += 16;
  EXPECT_EQ(h.app->Update(), 0);
  h.app->Render();
  EXPECT_EQ(stuck->updates, 0);
  EXPECT_EQ(stuck->renders, 0) << "installed but not drawn";

  h.decoders.motions[u"/m/dance.vmd"] = {};
  h.dialog.Choose(u"/m/good.pmx");
  h.app->ChangeModel();
  ASSERT_NE(h.CurrentModel(), stuck);
  EXPECT_FALSE(h.CurrentModel()->loading);
  h.clock.now += 16;
  h.app->Update();
  h.app->Render();
  EXPECT_EQ(h.CurrentModel()->updates, 1);
  EXPECT_EQ(h.CurrentModel()->renders, 1);
}

TEST_F(ChangeTest, CancelledOrFatalModelChoiceKeepsThePreviousModelRunning) {
  ScriptedModel* before = h.CurrentModel();
  h.dialog.Cancel();
  h.app->ChangeModel();
  EXPECT_EQ(h.CurrentModel(), before);
  EXPECT_TRUE(h.boxes.shown.empty()) << "cancelled from the menu: no box";

  h.decoders.models[u"/m/texture.pmx"] = FakeModelFile(FileOutcome::kTextureFailure);
  h.dialog.Choose(u"/m/texture.pmx");
  h.app->ChangeModel();
  EXPECT_EQ(h.CurrentModel(), before);
  EXPECT_FALSE(before->loading);
  EXPECT_EQ(h.boxes.shown.back().text, u"テクスチャ初期化でエラー\nhr:-2147024883 ecode: 1104");
  EXPECT_EQ(h.Stored(u"Model"), u"/m/good.pmx");
}

// Any file chosen goes to the decoder; one it refuses (no VMD header) is a
// missing motion (1001) with the file and the reason, then the dialog again.
TEST_F(ChangeTest, AFileTheMotionDecoderRefusesShowsWhyAndTheDialogAgain) {
  h.decoders.motions[u"/m/picture.jpg"] = FakeMotionFile(FileOutcome::kFormatError);
  h.dialog.Choose(u"/m/picture.jpg");
  h.dialog.Choose(u"/m/face.vmd");
  h.app->ChangeMotion();
  EXPECT_EQ(h.dialog.setups.size(), 2u);
  ASSERT_EQ(h.boxes.shown.size(), 1u);
  EXPECT_EQ(h.boxes.shown[0].text.rfind(u"モーションは必須です\n/m/picture.jpg", 0), 0u)
      << Utf16ToUtf8(h.boxes.shown[0].text);
  EXPECT_NE(h.boxes.shown[0].text.find(u"\nhr:0 ecode: 1001"), std::u16string::npos);
  EXPECT_EQ(h.CurrentModel()->animation->name, "/m/face.vmd");
  EXPECT_EQ(h.Stored(u"Motion"), u"/m/face.vmd");
}

TEST_F(ChangeTest, ChangeMotionBindsMorphTracksByNameAndRestartsTheClock) {
  h.clock.now += 500;
  h.app->Update();
  ASSERT_GT(h.app->elapsed(), 0u);
  h.dialog.Choose(u"/m/face.vmd");
  h.app->ChangeMotion();
  EXPECT_EQ(h.app->elapsed(), 0u);
  const Model& model = *h.app->model();
  const auto& tracks = model.animation->morphTracks;
  ASSERT_EQ(tracks.size(), 3u);
  EXPECT_EQ(tracks.at(u"まばたき").morph, &model.morphs.at(u"まばたき"));
  EXPECT_EQ(tracks.at(u"あ").morph, &model.morphs.at(u"あ"));
  EXPECT_EQ(tracks.at(u"にやり").morph, nullptr) << "the model has no such morph";
}

TEST_F(ChangeTest, StartUpBindsMorphTracksToo) {
  const Model& model = *h.app->model();
  EXPECT_EQ(model.animation->morphTracks.at(u"あ").morph, &model.morphs.at(u"あ"));
}

TEST_F(ChangeTest, CancelledMotionChoiceKeepsTheCurrentMotion) {
  const auto before = h.app->model()->animation;
  h.clock.now += 500;
  h.app->Update();
  h.dialog.Cancel();
  h.app->ChangeMotion();
  EXPECT_EQ(h.app->model()->animation, before);
  EXPECT_GT(h.app->elapsed(), 0u);
  EXPECT_TRUE(h.boxes.shown.empty()) << "cancelled from the menu: no box";
}

TEST_F(ChangeTest, FatalErrorWhileReadingAChosenMotionKeepsTheCurrentMotion) {
  const auto before = h.app->model()->animation;
  h.decoders.motions[u"/m/texture.vmd"] = FakeMotionFile(FileOutcome::kTextureFailure);
  h.dialog.Choose(u"/m/texture.vmd");
  h.app->ChangeMotion();
  ASSERT_EQ(h.boxes.shown.size(), 1u);
  EXPECT_EQ(h.boxes.shown[0].text, u"テクスチャ初期化でエラー\nhr:-2147024883 ecode: 1104");
  EXPECT_EQ(h.app->model()->animation, before);
  EXPECT_EQ(h.Stored(u"Motion"), u"/m/dance.vmd");
}

TEST_F(ChangeTest, TruncatedMotionChoiceShowsTheDialogAgain) {
  h.decoders.motions[u"/m/short.vmd"] = FakeMotionFile(FileOutcome::kEndsEarly);
  h.dialog.Choose(u"/m/short.vmd");
  h.dialog.Choose(u"/m/face.vmd");
  h.app->ChangeMotion();
  EXPECT_EQ(h.dialog.setups.size(), 2u);
  ASSERT_EQ(h.boxes.shown.size(), 1u);
  EXPECT_EQ(h.boxes.shown[0].text.rfind(u"/m/short.vmd: ", 0), 0u);
  EXPECT_NE(h.boxes.shown[0].text.find(u"hr:0 ecode: 1203"), std::u16string::npos);
  EXPECT_EQ(h.Stored(u"Motion"), u"/m/face.vmd");
}

TEST_F(ChangeTest, ChosenFilesAreWrittenToTheSettingsBeforeAnythingElseLoads) {
  h.decoders.motions.erase(u"/m/dance.vmd");
  h.dialog.Choose(u"/m/other.pmd");
  h.dialog.Choose(u"/m/face.vmd");
  h.app->ChangeModel();
  const std::ptrdiff_t modelWrite = IndexOf(h.log, "write Model=/m/other.pmd");
  const std::ptrdiff_t motionDecode = IndexOf(h.log, "decode motion /m/dance.vmd");
  const std::ptrdiff_t motionWrite = IndexOf(h.log, "write Motion=/m/face.vmd");
  ASSERT_GE(modelWrite, 0);
  EXPECT_EQ(modelWrite, IndexOf(h.log, "decode pmd /m/other.pmd") + 1);
  EXPECT_LT(modelWrite, motionDecode);
  EXPECT_EQ(motionWrite, static_cast<std::ptrdiff_t>(h.log.size()) - 1);
  EXPECT_FALSE(h.CurrentModel()->loading);
}

}  // namespace
}  // namespace brivonel::test
