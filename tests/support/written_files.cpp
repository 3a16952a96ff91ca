#include "tests/support/written_files.h"

#include <algorithm>

#include "formats/pmx_records.h"
#include "formats/writer/byte_writer.h"
#include "formats/writer/pmx_writer.h"

namespace brivonel::test {
namespace {

void PutU16(std::vector<std::uint8_t>& bytes, std::size_t at, std::uint32_t value) {
  bytes[at] = static_cast<std::uint8_t>(value);
  bytes[at + 1] = static_cast<std::uint8_t>(value >> 8);
}

void AppendU32(std::vector<std::uint8_t>& bytes, std::uint32_t value) {
  for (int i = 0; i < 4; ++i) bytes.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

}  // namespace

std::uint64_t WholePictureTgaPackets(std::uint16_t width, std::uint16_t height) {
  return (std::uint64_t{width} + 127) / 128 * height;
}

std::vector<std::uint8_t> HostileRleTga(std::uint16_t width, std::uint16_t height,
                                        std::uint64_t packets) {
  std::vector<std::uint8_t> tga(18, 0);
  tga[2] = 10;  // run-length true colour
  PutU16(tga, 12, width);
  PutU16(tga, 14, height);
  tga[16] = 24;
  tga[17] = 0x20;  // top-down
  // Each packet: up to 128 pixels of one colour in 4 bytes (a packet may not
  // cross the end of a row, so the last one of a row is shorter).
  tga.reserve(18 + packets * 4);
  std::uint64_t x = 0;
  for (std::uint64_t packet = 0; packet < packets; ++packet) {
    const std::uint64_t count = std::min<std::uint64_t>(128, width - x);
    tga.insert(tga.end(), {static_cast<std::uint8_t>(0x80 | (count - 1)), 0x20, 0x40, 0x60});
    x = x + count == width ? 0 : x + count;
  }
  return tga;
}

std::vector<std::uint8_t> HostileRle8Bmp(std::int32_t width, std::int32_t height,
                                         std::size_t bodyBytes) {
  const std::vector<std::uint8_t> palette = {0, 0, 0, 0, 255, 255, 255, 0};
  std::vector<std::uint8_t> body;
  while (body.size() + 2 < bodyBytes) body.insert(body.end(), {255, 1});
  body.insert(body.end(), {0, 1});  // end of bitmap
  constexpr std::uint32_t kInfoBytes = 40;
  const auto offset = static_cast<std::uint32_t>(14 + kInfoBytes + palette.size());
  std::vector<std::uint8_t> bmp = {'B', 'M'};
  AppendU32(bmp, offset + static_cast<std::uint32_t>(body.size()));
  AppendU32(bmp, 0);
  AppendU32(bmp, offset);
  AppendU32(bmp, kInfoBytes);
  AppendU32(bmp, static_cast<std::uint32_t>(width));
  AppendU32(bmp, static_cast<std::uint32_t>(height));
  AppendU32(bmp, 1 | (8 << 16));  // one plane, 8 bits per pixel
  AppendU32(bmp, 1);              // RLE8
  for (int field = 0; field < 3; ++field) AppendU32(bmp, 0);  // image size, resolution
  AppendU32(bmp, 2);  // colours used
  AppendU32(bmp, 0);
  bmp.insert(bmp.end(), palette.begin(), palette.end());
  bmp.insert(bmp.end(), body.begin(), body.end());
  return bmp;
}

void WriteFlatPmx(const std::filesystem::path& path, const std::vector<FlatCorner>& corners,
                  const std::vector<std::int32_t>& indices, const std::u16string& textureName,
                  const Float3& ambient) {
  PMXModel record;
  record.encoding = 0;
  record.name = u"flat";
  for (const FlatCorner& corner : corners) {
    PMXVertex vertex;
    vertex.position = {corner.x, corner.y, 0};
    vertex.normal = {0, 0, -1};
    vertex.uv = {corner.u, corner.v};
    vertex.deformKind = kDeformBdef1;
    vertex.bones[0] = 0;
    record.vertices.push_back(vertex);
  }
  record.indices = indices;
  if (!textureName.empty()) record.textures = {textureName};
  PMXMaterial material;
  material.name = u"face";
  material.diffuse = {1, 1, 1, 1};
  material.ambient = ambient;
  material.textureIndex = textureName.empty() ? -1 : 0;
  material.indexCount = static_cast<std::int32_t>(indices.size());
  record.materials.push_back(material);
  PMXBone bone;
  bone.name = u"センター";
  bone.flags = kBoneRotatable | kBoneMovable | kBoneVisible | kBoneOperable;
  record.bones.push_back(bone);
  writer::WriteFile(path, writer::WritePmx(record));
}

std::filesystem::path WriteOneTriangleModel(const std::filesystem::path& folder,
                                            const std::u16string& textureName) {
  const std::filesystem::path path = folder / "triangle.pmx";
  WriteFlatPmx(path, {{-1, 0, 0, 0}, {1, 0, 1, 0}, {0, 2, 0, 1}}, {0, 1, 2}, textureName);
  return path;
}

}  // namespace brivonel::test
