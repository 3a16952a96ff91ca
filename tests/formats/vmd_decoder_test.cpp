// The VMD decoder: reading keyframes and property keys (refused only
// without the VMD header), building sorted tracks for a model's bones.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "formats/vmd_decoder.h"
#include "formats/writer/vmd_writer.h"
#include "tests/formats/format_test_support.h"

namespace brivonel {
namespace {

using writer::MakeBoneFrame;
using writer::MakeMorphFrame;

// Bones of a model that an earlier motion has posed: keys are offset by the
// rest offsets, not by where the bones were last put.
std::vector<Bone> ModelBones() {
  std::vector<Bone> bones(3);
  bones[0].name = u"センター";
  bones[0].restPosition = {0, 8, 0, 0};
  bones[0].position = {3, 7.5f, -1, 1};
  bones[1].name = u"頭";
  bones[1].restPosition = {0, 2, 0.5f, 0};
  bones[1].position = {0, 2.5f, 0.5f, 1};
  bones[2].name = u"頭";  // a second bone of the same name is never chosen
  for (int i = 0; i < 3; ++i) bones[static_cast<std::size_t>(i)].index = i;
  return bones;
}

VMDMotion SampleMotion() {
  VMDMotion m;
  m.boneFrames = {MakeBoneFrame(u"頭", 30, {1, 0, 0}), MakeBoneFrame(u"ない骨", 5),
                  MakeBoneFrame(u"センター", 10, {0, 1, 0}, {0, 0.5f, 0, 0.5f}),
                  MakeBoneFrame(u"頭", 0), MakeBoneFrame(u"頭", 15)};
  m.morphFrames = {MakeMorphFrame(u"まばたき", 20, 1.0f), MakeMorphFrame(u"あ", 9, 0.5f),
                   MakeMorphFrame(u"まばたき", 3, 0.25f), MakeMorphFrame(u"ない", 1, 1.0f)};
  return m;
}

Animation Decode(const std::vector<std::uint8_t>& bytes, const std::vector<Bone>& bones) {
  VMDMotion motion;
  EXPECT_EQ(VMDDecoder::Read(bytes, motion), FileRead);
  Animation animation;
  EXPECT_EQ(VMDDecoder::Build(motion, animation, bones), ModelBuilt);
  return animation;
}

TEST(VmdRead, FieldsReadBackAsWritten) {
  VMDMotion m = SampleMotion();
  writer::SetShiftJisField(m.modelName, 20, u"初音ミク");
  m.boneFrames[0].interpolation[63] = 99;
  VMDMotion back;
  ASSERT_EQ(VMDDecoder::Read(writer::WriteVmd(m), back), FileRead);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(back.header), 25), "Vocaloid Motion Data 0002");
  EXPECT_EQ(std::memcmp(back.modelName, m.modelName, 20), 0);
  ASSERT_EQ(back.boneFrames.size(), 5u);
  EXPECT_EQ(back.boneFrames[2].name, u"センター");
  EXPECT_EQ(back.boneFrames[2].frame, 10u);
  EXPECT_EQ(back.boneFrames[2].rotation, (Float4{0, 0.5f, 0, 0.5f}));
  EXPECT_EQ(back.boneFrames[0].interpolation[63], 99);
  EXPECT_EQ(back.boneFrames[0].nameSjis[15], 0);
  ASSERT_EQ(back.morphFrames.size(), 4u);
  EXPECT_EQ(back.morphFrames[1].name, u"あ");
  EXPECT_EQ(back.morphFrames[1].weight, 0.5f);
}

TEST(VmdRead, FifteenByteNamesAreWholeAndZerosEndThem) {
  VMDMotion m;
  m.boneFrames = {MakeBoneFrame(u"左足首ＩＫ親あ", 0), MakeBoneFrame(u"", 0)};  // 15 bytes
  std::memcpy(m.boneFrames[1].nameSjis, "ab\0cd", 5);
  VMDMotion back;
  ASSERT_EQ(VMDDecoder::Read(writer::WriteVmd(m), back), FileRead);
  EXPECT_EQ(back.boneFrames[0].name, u"左足首ＩＫ親あ");
  EXPECT_EQ(back.boneFrames[1].name, u"ab");
}

TEST(VmdBuild, TracksSortedKeysOffsetByRestPositionUnknownBonesKeepNoKeys) {
  const Animation a = Decode(writer::WriteVmd(SampleMotion()), ModelBones());
  ASSERT_EQ(a.boneTracks.size(), 3u);  // in order of first appearance
  const BoneTrack& head = a.boneTracks[0];
  EXPECT_EQ(head.name, u"頭");
  EXPECT_EQ(head.boneIndex, 1);
  ASSERT_EQ(head.keys.size(), 3u);
  EXPECT_EQ(head.keys[0].frame, 0u);
  EXPECT_EQ(head.keys[1].frame, 15u);
  EXPECT_EQ(head.keys[2].frame, 30u);
  EXPECT_EQ(head.keys[0].position, (Float4{0, 2, 0.5f, 0}));  // zero translation: rest
  EXPECT_EQ(head.keys[2].position, (Float4{1, 2, 0.5f, 0}));
  EXPECT_EQ(head.keys[0].interpolation[0], 20);
  EXPECT_EQ(a.boneTracks[1].name, u"ない骨");
  EXPECT_TRUE(a.boneTracks[1].keys.empty());
  const BoneTrack& centre = a.boneTracks[2];
  EXPECT_EQ(centre.boneIndex, 0);
  EXPECT_EQ(centre.keys[0].position, (Float4{0, 9, 0, 0}));
  EXPECT_EQ(centre.keys[0].rotation, (Float4{0, 0.5f, 0, 0.5f}));

  ASSERT_EQ(a.morphTracks.size(), 3u);
  std::vector<std::u16string> names;
  for (const auto& [name, track] : a.morphTracks) names.push_back(name);
  EXPECT_EQ(names, (std::vector<std::u16string>{u"あ", u"ない", u"まばたき"}));
  const MorphTrack& blink = a.morphTracks.at(u"まばたき");
  EXPECT_EQ(blink.name, u"まばたき");
  ASSERT_EQ(blink.keys.size(), 2u);
  EXPECT_EQ(blink.keys[0].frame, 3u);
  EXPECT_EQ(blink.keys[0].weight, 0.25f);
  EXPECT_EQ(blink.keys[1].frame, 20u);
  EXPECT_EQ(blink.cursor, 0);
  EXPECT_EQ(blink.morph, nullptr);
}

// Editors leave what they like after a name's terminating zero: fields that
// differ only there name one bone, whatever order the keys come in.
TEST(VmdBuild, NamesThatDifferOnlyAfterTheirZeroAreOneTrack) {
  VMDMotion m;
  for (std::uint32_t k = 0; k < 6; ++k) {
    VMDBoneFrame head = MakeBoneFrame(u"頭", 10 * k);
    head.nameSjis[5 + k % 3] = static_cast<std::uint8_t>(0x41 + k);  // after "頭" and its zero
    m.boneFrames.push_back(head);
    m.boneFrames.push_back(MakeBoneFrame(u"センター", 10 * k + 5));
  }
  const Animation a = Decode(writer::WriteVmd(m), ModelBones());
  ASSERT_EQ(a.boneTracks.size(), 2u);
  EXPECT_EQ(a.boneTracks[0].name, u"頭");
  EXPECT_EQ(a.boneTracks[0].keys.size(), 6u);
  EXPECT_EQ(a.boneTracks[1].keys.size(), 6u);
  for (std::size_t k = 0; k < 6; ++k) EXPECT_EQ(a.boneTracks[0].keys[k].frame, 10 * k);
}

TEST(VmdBuild, FramesCompareAsUnsigned) {
  VMDMotion m;
  m.boneFrames = {MakeBoneFrame(u"頭", 0x80000000u), MakeBoneFrame(u"頭", 1)};
  m.morphFrames = {MakeMorphFrame(u"あ", 0xFFFFFFFFu, 1), MakeMorphFrame(u"あ", 2, 1)};
  const Animation a = Decode(writer::WriteVmd(m), ModelBones());
  EXPECT_EQ(a.boneTracks[0].keys[1].frame, 0x80000000u);
  EXPECT_EQ(a.morphTracks.at(u"あ").keys[1].frame, 0xFFFFFFFFu);
}

TEST(VmdRead, ShortFilesAreAcceptedWithZeros) {
  const std::vector<std::uint8_t> full = writer::WriteVmd(SampleMotion());
  // Cut inside the fourth bone record, just after its name and two frame bytes.
  std::vector<std::uint8_t> cut(full.begin(), full.begin() + 54 + 3 * 111 + 17);
  VMDMotion back;
  ASSERT_EQ(VMDDecoder::Read(cut, back), FileRead);
  ASSERT_EQ(back.boneFrames.size(), 4u);  // records past the end are not created
  EXPECT_EQ(back.boneFrames[3].name, u"頭");
  EXPECT_EQ(back.boneFrames[3].rotation, (Float4{}));
  EXPECT_TRUE(back.morphFrames.empty());

  for (std::size_t size = 0; size <= full.size(); ++size) {
    VMDMotion any;
    EXPECT_EQ(VMDDecoder::Read(std::span(full.data(), size), any), FileRead);
    EXPECT_LE(any.boneFrames.size(), 5u);
  }
  VMDMotion empty;
  ASSERT_EQ(VMDDecoder::Read(std::span(full.data(), 40), empty), FileRead);
  EXPECT_TRUE(empty.boneFrames.empty());
}

TEST(VmdRead, HugeCountsInAShortFileAllocateNothing) {
  std::vector<std::uint8_t> bytes = writer::WriteVmd(SampleMotion());
  bytes[50] = bytes[51] = bytes[52] = bytes[53] = 0xFF;
  VMDMotion back;
  ASSERT_EQ(VMDDecoder::Read(bytes, back), FileRead);
  EXPECT_EQ(back.boneFrames.size(), (bytes.size() - 54 + 110) / 111);
}

TEST(VmdDecode, CountsKeysAndFailsToOpenMissingFiles) {
  test::TempDir dir;
  const auto path = test::WriteBytes(dir, "m.vmd", writer::WriteVmd(SampleMotion()));
  auto animation = std::make_shared<Animation>();
  ASSERT_EQ(VMDDecoder().Decode(FromFsPath(path), animation, ModelBones()), ModelBuilt);
  std::size_t boneKeys = 0;
  for (const BoneTrack& t : animation->boneTracks) boneKeys += t.keys.size();
  std::size_t morphKeys = 0;
  for (const auto& [name, t] : animation->morphTracks) morphKeys += t.keys.size();
  EXPECT_EQ(boneKeys, 4u);  // five keys less the one of a bone the model lacks
  EXPECT_EQ(morphKeys, 4u);
  EXPECT_EQ(VMDDecoder().Decode(FromFsPath(dir / "none.vmd"), animation, ModelBones()),
            OpenFailed);
}

// A dance's property keys: IK on everywhere at the start, the right leg's
// switched off for a kick and on again, the model hidden at the end. Out
// of frame order as editors may save them, and two keys on frame 120 (the
// later one counts).
VMDMotion PropertyMotion() {
  VMDMotion m = SampleMotion();
  writer::AddPropertyFrame(m, 0, true, {{u"右足ＩＫ", true}, {u"左足ＩＫ", true}, {u"右つま先ＩＫ", true}});
  writer::AddPropertyFrame(m, 120, true, {{u"右足ＩＫ", false}, {u"右つま先ＩＫ", false}});
  writer::AddPropertyFrame(m, 150, false);
  writer::AddPropertyFrame(m, 90, true, {{u"右足ＩＫ", true}});
  writer::AddPropertyFrame(m, 120, true, {{u"右足ＩＫ", true}, {u"足ＩＫ親親親親親親親", false}});
  return m;
}

// Where the three sections before the property keys start in WriteVmd's
// output: after the header, model name, bone and morph records.
std::size_t SceneSectionsAt(const VMDMotion& m) {
  return 50 + 4 + m.boneFrames.size() * kVmdBoneRecordBytes + 4 + m.morphFrames.size() * kVmdMorphRecordBytes;
}

// The file as an editor saves it: two camera keys, a light key and a
// self-shadow key between the morph and the property keys.
std::vector<std::uint8_t> WithSceneSections(const VMDMotion& m) {
  const std::vector<std::uint8_t> plain = writer::WriteVmd(m);
  const std::size_t at = SceneSectionsAt(m);
  writer::ByteWriter scene;
  scene.U32(2);
  for (int i = 0; i < 2 * 61; ++i) scene.U8(static_cast<std::uint8_t>(i));
  scene.U32(1);
  for (int i = 0; i < 28; ++i) scene.U8(0xFF);
  scene.U32(1);
  for (int i = 0; i < 9; ++i) scene.U8(0x01);
  std::vector<std::uint8_t> bytes(plain.begin(), plain.begin() + static_cast<std::ptrdiff_t>(at));
  bytes.insert(bytes.end(), scene.bytes().begin(), scene.bytes().end());
  bytes.insert(bytes.end(), plain.begin() + static_cast<std::ptrdiff_t>(at + 12), plain.end());
  return bytes;
}

TEST(VmdRead, PropertyKeysFollowTheCameraLightAndShadowSections) {
  VMDMotion back;
  ASSERT_EQ(VMDDecoder::Read(WithSceneSections(PropertyMotion()), back), FileRead);
  ASSERT_EQ(back.propertyFrames.size(), 5u);
  ASSERT_EQ(back.ikSwitches.size(), 8u);
  const VMDPropertyFrame& kick = back.propertyFrames[1];
  EXPECT_EQ(kick.frame, 120u);
  EXPECT_EQ(kick.shown, 1);
  EXPECT_EQ(kick.firstSwitch, 3u);
  EXPECT_EQ(kick.switchCount, 2u);
  EXPECT_EQ(back.ikSwitches[3].name, u"右足ＩＫ");
  EXPECT_EQ(back.ikSwitches[3].enabled, 0);
  EXPECT_EQ(back.propertyFrames[2].shown, 0);
  EXPECT_EQ(back.propertyFrames[2].switchCount, 0u);
  // A name that fills all 20 bytes, with no zero after it.
  EXPECT_EQ(back.ikSwitches[7].name, u"足ＩＫ親親親親親親親");
  EXPECT_EQ(back.boneFrames.size(), 5u);
}

// Property keys are read only from a file that holds the sections before
// them whole, and only keys the file holds whole; counts are checked
// against the bytes left before anything is made for them.
TEST(VmdRead, PropertyKeysTheFileDoesNotHoldWholeAreLeftOut) {
  const VMDMotion m = PropertyMotion();
  const std::vector<std::uint8_t> full = WithSceneSections(m);
  const std::size_t camera = SceneSectionsAt(m);
  const std::size_t light = camera + 4 + 2 * 61;
  const std::size_t properties = light + 4 + 28 + 4 + 9;
  const std::size_t secondKey = properties + 4 + 9 + 3 * 21;
  const auto set32 = [](std::vector<std::uint8_t>& bytes, std::size_t at, std::uint32_t value) {
    std::memcpy(bytes.data() + at, &value, 4);
  };
  const struct {
    const char* what;
    std::size_t size;  // of the file, cut there
    std::size_t at;    // where a count is overwritten (0: none)
    std::uint32_t count;
    std::size_t keys;
  } cases[] = {
      {"whole", full.size(), 0, 0, 5},
      {"ends before the property count", properties, 0, 0, 0},
      {"ends inside the light records", light + 10, 0, 0, 0},
      {"a camera count past the end", full.size(), camera, 0x7FFFFFFF, 0},
      {"a key count past the end", full.size(), properties, 0xFFFFFFFF, 5},
      {"a switch count past the end", full.size(), secondKey + 5, 0x10000000, 1},
      {"cut inside the second key's switches", secondKey + 9 + 30, 0, 0, 1},
      {"cut inside the third key", secondKey + 9 + 2 * 21 + 4, 0, 0, 2},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    std::vector<std::uint8_t> bytes(full.begin(), full.begin() + static_cast<std::ptrdiff_t>(c.size));
    if (c.at != 0) set32(bytes, c.at, c.count);
    VMDMotion back;
    ASSERT_EQ(VMDDecoder::Read(bytes, back), FileRead);
    EXPECT_EQ(back.propertyFrames.size(), c.keys);
    EXPECT_LE(back.propertyFrames.capacity(), bytes.size() / kVmdPropertyKeyBytes);
    std::size_t switches = 0;
    for (const VMDPropertyFrame& key : back.propertyFrames) switches += key.switchCount;
    EXPECT_EQ(back.ikSwitches.size(), switches);
    EXPECT_EQ(back.boneFrames.size(), 5u);
  }
}

// Every key says whether the model is shown; each switch goes to its bone's
// track, bound to the model's first bone of that name (none: -1). Both in
// frame order, keys of one frame in file order.
TEST(VmdBuild, PropertyKeysBecomeStepTracksBoundToTheModelsBones) {
  std::vector<Bone> bones = ModelBones();
  bones.push_back(Bone{});
  bones.back().name = u"右足ＩＫ";
  bones.back().index = 3;
  const Animation a = Decode(writer::WriteVmd(PropertyMotion()), bones);
  std::vector<std::pair<std::uint32_t, bool>> shown;
  for (const ShownKey& key : a.shownKeys) shown.push_back({key.frame, key.shown});
  EXPECT_EQ(shown, (std::vector<std::pair<std::uint32_t, bool>>{
                       {0, true}, {90, true}, {120, true}, {120, true}, {150, false}}));
  EXPECT_FALSE(a.hidesThroughout);
  ASSERT_EQ(a.ikSwitchTracks.size(), 4u);
  const IkSwitchTrack& right = a.ikSwitchTracks[0];
  EXPECT_EQ(right.boneName, u"右足ＩＫ");
  EXPECT_EQ(right.boneIndex, 3);
  std::vector<std::pair<std::uint32_t, bool>> keys;
  for (const IkSwitchKey& key : right.keys) keys.push_back({key.frame, key.on});
  EXPECT_EQ(keys, (std::vector<std::pair<std::uint32_t, bool>>{{0, true}, {90, true}, {120, false}, {120, true}}));
  EXPECT_EQ(a.ikSwitchTracks[1].boneName, u"左足ＩＫ");
  EXPECT_EQ(a.ikSwitchTracks[1].boneIndex, -1);
  // In force: the last key at or before the frame, the first before it.
  const IkSwitchTrack& toe = a.ikSwitchTracks[2];
  for (const auto& [frame, on] : {std::pair{0u, true}, {119u, true}, {120u, false}, {4000u, false}})
    EXPECT_EQ(KeyInForce(toe.keys, frame)->on, on) << "frame " << frame;
  EXPECT_EQ(KeyInForce(right.keys, 120)->on, true);
  EXPECT_EQ(KeyInForce(std::vector<IkSwitchKey>{{30, false}}, 2)->on, false);
  EXPECT_EQ(KeyInForce(std::vector<IkSwitchKey>{}, 2), nullptr);
}

// Keys a damaged file holds: numbers that are no numbers, a rotation whose
// matrix would overflow, a place beyond any figure. Posed, each gives a
// finite pose (no rotation, no move, the farthest place allowed); keys of
// reasonable values stay as written.
TEST(VmdBuild, DamagedKeysPoseAsUsableValues) {
  const float nan = std::nanf("");
  const struct {
    Float3 move;
    Float4 turn;
    Float3 builtMove;
    Float4 builtTurn;
  } cases[] = {
      {{nan, 1, 2}, {nan, 0, 0, 1}, {0, 1, 2}, {0, 0, 0, 1}},
      {{0, 0, 0}, {8.6e-42f, 3.8e22f, 4.1e31f, 1.5e20f}, {0, 0, 0}, {0, 0, 1, 0}},
      {{-1.7e38f, 0, 3}, {0, 0, 0, 0}, {-1.0e5f, 0, 3}, {0, 0, 0, 1}},
      {{1, 2, 3}, {0, 0.5f, 0, 0.5f}, {1, 2, 3}, {0, 0.5f, 0, 0.5f}},
  };
  for (const auto& c : cases) {
    VMDMotion motion;
    motion.boneFrames = {MakeBoneFrame(u"センター", 0, c.move, c.turn)};
    Animation animation;
    ASSERT_EQ(VMDDecoder::Build(motion, animation, ModelBones()), ModelBuilt);
    const BoneKey& key = animation.boneTracks.at(0).keys.at(0);
    EXPECT_EQ(key.position, (Float4{c.builtMove.x, c.builtMove.y + 8, c.builtMove.z, 0}));
    EXPECT_NEAR(key.rotation.x, c.builtTurn.x, 1e-6f);
    EXPECT_NEAR(key.rotation.y, c.builtTurn.y, 1e-6f);
    EXPECT_NEAR(key.rotation.z, c.builtTurn.z, 1e-6f);
    EXPECT_NEAR(key.rotation.w, c.builtTurn.w, 1e-6f);
  }
}

// What makes a file a motion: the header's text, however the writer ended
// it; a model, a picture or a cut-off header is none.
TEST(VmdHeader, TheHeaderTextMakesAMotionWhateverEndsIt) {
  const struct {
    std::string start;
    bool motion;
  } cases[] = {
      {std::string("Vocaloid Motion Data 0002\0\0\0\0\0", 30), true},
      {std::string("Vocaloid Motion Data file\0\0\0\0\0", 30), true},
      {std::string("Vocaloid Motion Data\0\0\0\0\0\0\0\0\0\0", 30), true},
      {"Vocaloid Motion Dat", false},
      {std::string("PMX \0\0\0\x40", 8), false},
      {"\x89PNG\r\n\x1a\n", false},
      {"", false},
  };
  for (const auto& c : cases) {
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(c.start.data());
    EXPECT_EQ(VMDDecoder::HasVmdHeader({bytes, c.start.size()}), c.motion) << c.start.c_str();
  }
}

}  // namespace
}  // namespace brivonel
