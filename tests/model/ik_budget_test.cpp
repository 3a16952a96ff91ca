// The bound on IK work per frame: model files written to never let their IK
// settle (255 links, 65,535 iterations, links that cannot move the effector
// so every step turns them again) are posed within the frame's step budget,
// counted through the model's step counter and reported in one trace line;
// real rigs stay far below the budget.
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

// A PMD file of `chains` IK records, each with 255 links and 65,535
// iterations and a control weight far past any real one. The links are
// siblings of the end effector, not its ancestors: turning them never moves
// it, so no iteration ever leaves the chain as it was.
std::vector<std::uint8_t> HostileIkFile(int chains) {
  PMDModel r;
  r.bones.push_back(writer::MakePmdBone(u"センター", {0, 0, 0}));
  for (int i = 0; i < 255; ++i) {
    std::u16string name = u"link";
    for (char c : std::to_string(i)) name.push_back(static_cast<char16_t>(c));
    r.bones.push_back(writer::MakePmdBone(name, {static_cast<float>(i % 16), 1.0f, static_cast<float>(i / 16)}, 0));
  }
  const auto tip = static_cast<std::uint16_t>(r.bones.size());
  r.bones.push_back(writer::MakePmdBone(u"tip", {0, 2, 0}, 0));
  const auto goal = static_cast<std::uint16_t>(r.bones.size());
  r.bones.push_back(writer::MakePmdBone(u"goal", {30, 40, 50}));
  for (int c = 0; c < chains; ++c) {
    PMDIK ik{goal, tip, 255, 65535, 1000.0f, {}};
    for (std::uint16_t link = 1; link <= 255; ++link) ik.chain.push_back(link);
    r.iks.push_back(ik);
  }
  return writer::WritePmd(r);
}

struct PosedFrame {
  std::uint32_t steps = 0;
  std::vector<std::string> trace;
};

PosedFrame PoseFirstFrame(Model& model) {
  test::TraceCapture capture;
  PosedFrame frame;
  model.Update(0);
  frame.steps = model.IkLinkSteps();
  frame.trace = capture.lines();
  return frame;
}

class HostileIkFileTest : public ::testing::TestWithParam<int> {};

TEST_P(HostileIkFileTest, EachFrameStopsAtTheStepBudgetAndSaysSo) {
  const int chains = GetParam();
  test::TempDir dir;
  const auto path = dir.path() / "hostile.pmd";
  writer::WriteFile(path, HostileIkFile(chains));
  auto model = std::make_shared<Model>();
  ASSERT_EQ(PMDDecoder().Decode(FromFsPath(path), model), ModelBuilt);
  ASSERT_EQ(model->ikChains.size(), static_cast<std::size_t>(chains));

  for (int frame = 0; frame < 2; ++frame) {
    const PosedFrame posed = PoseFirstFrame(*model);
    // The budget is spent (the file would take 255 x 65,535 steps a chain)
    // and not overrun by more than the bones one step brings up to date.
    EXPECT_GE(posed.steps, kIkStepBudget);
    EXPECT_LE(posed.steps, kIkStepBudget + 256);
    const std::string expected = std::to_string(chains) + " chains not solved";
    const auto line = std::find_if(posed.trace.begin(), posed.trace.end(), [](const std::string& l) {
      return l.find("IK stopped after") != std::string::npos;
    });
    ASSERT_NE(line, posed.trace.end()) << "frame " << frame;
    EXPECT_NE(line->find(expected), std::string::npos) << *line;
    EXPECT_EQ(std::count_if(posed.trace.begin(), posed.trace.end(),
                            [](const std::string& l) { return l.find("IK stopped") != std::string::npos; }),
              1);
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
    test::RestoreAfterDrawing(model);
  }
  EXPECT_LT(most, kIkStepBudget / 32);
  EXPECT_GT(total, 0u);
}

}  // namespace
}  // namespace brivonel
