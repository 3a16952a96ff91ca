// Writes the seed corpora of the fuzz harnesses with the format writer:
// small PMX files in both encodings and every index size, PMD and VMD files,
// the models with rigid bodies and joints as real characters have them (and
// the flip and impulse morphs of PMX 2.1), motions with property keys.
// Usage: brivonel-fuzz-seeds FOLDER (creates FOLDER/pmx, FOLDER/pmd, FOLDER/vmd).
#include <cstdio>
#include <filesystem>
#include <string>

#include "formats/writer/vmd_writer.h"
#include "tests/formats/format_test_support.h"

namespace {

// The morph kinds of PMX 2.1 on a model with a strand of hair: a flip that
// chooses between the mouth and nothing, and an impulse that flicks the hair.
brivonel::PMXModel WithLaterMorphs(brivonel::PMXModel r) {
  using namespace brivonel;
  PMXMorph mouth;
  mouth.name = u"あ";
  mouth.kind = kMorphVertex;
  mouth.vertexOffsets = {{2, {0, 0.1f, 0}}};
  PMXMorph flip;
  flip.name = u"切替";
  flip.kind = kMorphFlip;
  flip.groupOffsets = {{0, 1.0f}, {0, 0.5f}};
  PMXMorph flick;
  flick.name = u"揺れ";
  flick.kind = kMorphImpulse;
  flick.impulseOffsets = {{1, true, {0, 0, 5}, {1, 0, 0}}, {2, false, {}, {}}};
  r.morphs = {mouth, flip, flick};
  return r;
}

}  // namespace

int main(int argc, char** argv) {
  using namespace brivonel;
  if (argc != 2) {
    std::fprintf(stderr, "usage: brivonel-fuzz-seeds FOLDER\n");
    return 2;
  }
  const std::filesystem::path root = argv[1];
  for (const char* kind : {"pmx", "pmd", "vmd", "pose"})
    std::filesystem::create_directories(root / kind);

  for (int encoding = 0; encoding <= 1; ++encoding) {
    for (int size : {1, 2, 4}) {
      PMXModel r = test::RichPmx();
      r.encoding = static_cast<std::uint8_t>(encoding);
      r.vertexIndexSize = r.textureIndexSize = r.materialIndexSize = static_cast<std::uint8_t>(size);
      r.boneIndexSize = r.morphIndexSize = r.rigidBodyIndexSize = static_cast<std::uint8_t>(size);
      const std::string name = std::to_string(encoding) + "_" + std::to_string(size) + ".pmx";
      writer::WriteFile(root / "pmx" / ("rich_" + name), writer::WritePmx(r));
      // PMX 2.1 with a joint of a later kind in the widest files.
      PMXModel hair = WithLaterMorphs(test::PhysicsPmx());
      hair.encoding = r.encoding;
      hair.boneIndexSize = hair.morphIndexSize = hair.rigidBodyIndexSize = r.boneIndexSize;
      if (size == 4) {
        hair.version = 2.1f;
        hair.joints.push_back(test::PmxJoint(u"hinge", 1, 2, test::SpringFields({0, 2, -0.6f})));
        hair.joints.back().kind = kJointHinge;
      }
      writer::WriteFile(root / "pmx" / ("hair_" + name), writer::WritePmx(hair));
    }
  }
  writer::WriteFile(root / "pmx" / "small.pmx", writer::WritePmx(test::SmallPmx()));

  PMDModel pmd = test::SmallPmd();
  pmd.materials = {test::PmdMaterial(u"face.bmp*face.spa", 3, 255)};
  pmd.bones.push_back(writer::MakePmdBone(u"右ひざ", {0, 1, 0}, 1));
  pmd.bones.push_back(writer::MakePmdBone(u"右足首", {0, 0, 0}, 2));
  pmd.iks = {PMDIK{0, 3, 2, 15, 0.5f, {2, 1}}};
  writer::WriteFile(root / "pmd" / "small.pmd", writer::WritePmd(pmd));
  writer::WriteFile(root / "pmd" / "plain.pmd", writer::WritePmd(test::SmallPmd()));
  writer::WriteFile(root / "pmd" / "hair.pmd", writer::WritePmd(test::PhysicsPmd()));

  VMDMotion motion;
  motion.boneFrames = {writer::MakeBoneFrame(u"センター", 10, {0, 1, 0}),
                       writer::MakeBoneFrame(u"頭", 0), writer::MakeBoneFrame(u"左足", 5),
                       writer::MakeBoneFrame(u"センター", 2)};
  motion.morphFrames = {writer::MakeMorphFrame(u"まばたき", 3, 1.0f),
                        writer::MakeMorphFrame(u"あ", 1, 0.5f)};
  writer::WriteFile(root / "vmd" / "small.vmd", writer::WriteVmd(motion));
  // A dance's property keys: IK switched off for a kick and on again, the
  // model hidden for a moment.
  writer::AddPropertyFrame(motion, 0, true, {{u"左足ＩＫ", true}, {u"右足ＩＫ", true}});
  writer::AddPropertyFrame(motion, 6, true, {{u"左足ＩＫ", false}});
  writer::AddPropertyFrame(motion, 9, false, {{u"左足ＩＫ", true}});
  writer::WriteFile(root / "vmd" / "kick.vmd", writer::WriteVmd(motion));

  // The pose harness reads a model followed by its motion: every bone of the
  // rich PMX keyed (the IK goal moving), every morph kind weighted, and the
  // PMD with its knee chain.
  VMDMotion dance;
  dance.boneFrames = {writer::MakeBoneFrame(u"センター", 0), writer::MakeBoneFrame(u"センター", 30, {2, 0, 0}),
                      writer::MakeBoneFrame(u"頭", 0),
                      writer::MakeBoneFrame(u"頭", 20, {}, {0, 0.38268343f, 0, 0.9238795f}),
                      writer::MakeBoneFrame(u"左足ＩＫ", 0), writer::MakeBoneFrame(u"左足ＩＫ", 15, {0, 1, -1}),
                      writer::MakeBoneFrame(u"右足首", 0), writer::MakeBoneFrame(u"右足首", 10, {0, 0.5f, 0})};
  for (const char16_t* morph : {u"グループ", u"あ", u"骨", u"UV2", u"材質", u"切替", u"揺れ"}) {
    dance.morphFrames.push_back(writer::MakeMorphFrame(morph, 0, 0.0f));
    dance.morphFrames.push_back(writer::MakeMorphFrame(morph, 12, 1.0f));
  }
  writer::AddPropertyFrame(dance, 0, true, {{u"左足ＩＫ", true}});
  writer::AddPropertyFrame(dance, 8, true, {{u"左足ＩＫ", false}});
  writer::AddPropertyFrame(dance, 14, true, {{u"左足ＩＫ", true}});
  const std::vector<std::uint8_t> danceBytes = writer::WriteVmd(dance);
  auto writePose = [&](const char* name, std::vector<std::uint8_t> model) {
    model.insert(model.end(), danceBytes.begin(), danceBytes.end());
    writer::WriteFile(root / "pose" / name, model);
  };
  writePose("rich.pose", writer::WritePmx(test::RichPmx()));
  writePose("knee.pose", writer::WritePmd(pmd));
  writePose("hair.pose", writer::WritePmx(WithLaterMorphs(test::PhysicsPmx())));
  std::printf("seeds written to %s\n", root.string().c_str());
  return 0;
}
