// The bound on IK work per frame: model files written to make IK work as long
// as a file can ask (255 links, 65,535 iterations, 1 or 16 such chains) are
// posed within the frame's step budget, counted through the model's step
// counter; when the budget runs out one trace line says so. Real rigs stay
// far below the budget.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "base/unicode.h"
#include "formats/pmd_decoder.h"
#include "formats/writer/byte_writer.h"
#include "formats/writer/pmd_writer.h"
#include "tests/model/pose_reference.h"
#include "tests/support/pose_rigs.h"
#include "tests/support/temp_dir.h"
#include "tests/support/trace_capture.h"

namespace brivonel {
namespace {

// A PMD file of `chains` IK records over a strand of 256 bones standing 256
// units tall, each with 255 links and 65,535 iterations, reaching for a
// goal off to its side. With a control weight of 1e-4 every step turns a
// link by a sliver (4e-4 radians): every iteration brings the tip a good way
// closer, and thousands of iterations would, so no early stop ends a chain
// before the budget does. With a weight of 1000, far past any real one,
// every step turns as far as it can.
std::vector<std::uint8_t> HostileIkFile(int chains, float controlWeight) {
  PMDModel r;
  r.bones.push_back(writer::MakePmdBone(u"センター", {0, 0, 0}));
  for (std::uint16_t i = 1; i <= 256; ++i) {
    std::u16string name = u"strand";
    for (char c : std::to_string(i)) name.push_back(static_cast<char16_t>(c));
    r.bones.push_back(writer::MakePmdBone(name, {0.0f, static_cast<float>(i), 0.0f},
                                          static_cast<std::uint16_t>(i - 1)));
  }
  const std::uint16_t tip = 256;
  const auto goal = static_cast<std::uint16_t>(r.bones.size());
  r.bones.push_back(writer::MakePmdBone(u"goal", {150, 100, 60}));
  for (int c = 0; c < chains; ++c) {
    PMDIK ik{goal, tip, 255, 65535, controlWeight, {}};
    for (std::uint16_t link = 255; link >= 1; --link) ik.chain.push_back(link);
    r.iks.push_back(ik);
  }
  return writer::WritePmd(r);
}

struct PosedFrame {
  std::uint32_t steps = 0;
  std::vector<std::string> trace;
};

PosedFrame PoseAFrame(Model& model, std::uint64_t ms) {
  test::TraceCapture capture;
  PosedFrame frame;
  model.Update(ms);
  frame.steps = model.IkLinkSteps();
  frame.trace = capture.lines();
  return frame;
}

std::shared_ptr<Model> DecodeHostile(int chains, float controlWeight) {
  test::TempDir dir;
  const auto path = dir.path() / "hostile.pmd";
  writer::WriteFile(path, HostileIkFile(chains, controlWeight));
  auto model = std::make_shared<Model>();
  EXPECT_EQ(PMDDecoder().Decode(FromFsPath(path), model), ModelBuilt);
  return model;
}

std::size_t LinesWith(const std::vector<std::string>& lines, const std::string& text) {
  return static_cast<std::size_t>(std::count_if(
      lines.begin(), lines.end(), [&](const std::string& l) { return l.find(text) != std::string::npos; }));
}

class HostileIkFileTest : public ::testing::TestWithParam<int> {};

TEST_P(HostileIkFileTest, CreepingChainsStopAtTheStepBudgetAndSaySo) {
  const int chains = GetParam();
  std::shared_ptr<Model> model = DecodeHostile(chains, 1e-4f);
  ASSERT_EQ(model->ikChains.size(), static_cast<std::size_t>(chains));
  for (std::uint64_t ms : {0u, 33u}) {
    const PosedFrame posed = PoseAFrame(*model, ms);
    // The budget is spent and not overrun by more than the bones one step
    // brings up to date.
    EXPECT_GE(posed.steps, kIkStepBudget);
    EXPECT_LE(posed.steps, kIkStepBudget + 256);
    ASSERT_EQ(LinesWith(posed.trace, "IK stopped after"), 1u) << "at " << ms << " ms";
    EXPECT_EQ(LinesWith(posed.trace, std::to_string(chains) + " chains not solved"), 1u);
  }
}

TEST_P(HostileIkFileTest, OvershootingWeightsStayWithinTheBudget) {
  const int chains = GetParam();
  std::shared_ptr<Model> model = DecodeHostile(chains, 1000.0f);
  for (std::uint64_t ms : {0u, 33u}) {
    const PosedFrame posed = PoseAFrame(*model, ms);
    EXPECT_GT(posed.steps, 255u);
    EXPECT_LE(posed.steps, kIkStepBudget + 256);
  }
}

INSTANTIATE_TEST_SUITE_P(OneAndSixteenChains, HostileIkFileTest, ::testing::Values(1, 16));

// A 140-bone character dancing with all seven chains at work needs a few
// thousand steps at most in any frame: nowhere near the budget, so the
// budget changes nothing for it.
TEST(IkBudgetTest, RealRigNeedsAFractionOfTheBudget) {
  Model model;
  test::BuildPmdStyleRig(model);
  model.animation = test::BuildDance(model, 700, true);
  std::uint32_t most = 0;
  std::uint64_t total = 0;
  for (std::uint64_t frame = 0; frame < 700; ++frame) {
    model.Update(frame * 33);
    most = std::max(most, model.IkLinkSteps());
    total += model.IkLinkSteps();
  }
  EXPECT_LT(most, kIkStepBudget / 32);
  EXPECT_GT(total, 0u);
}

}  // namespace
}  // namespace brivonel
