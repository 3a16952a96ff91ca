// Throughput of the texture file loaders on large files written at start-up:
// a 2048x2048 BC3 DDS with its full mip chain and a 2048x2048 32-bit
// run-length TGA. Bytes processed are the decoded pixel bytes.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <random>
#include <vector>

#include "base/unicode.h"
#include "render/texture_loaders.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

void PutU32(Bytes& b, std::size_t at, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) b[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
}

std::filesystem::path Scratch(const char* name) {
  return std::filesystem::temp_directory_path() / name;
}

void Write(const std::filesystem::path& path, const Bytes& bytes) {
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

std::filesystem::path Bc3Dds() {
  const auto path = Scratch("brivonel-bench-bc3.dds");
  Bytes b(128, 0);
  PutU32(b, 0, 0x20534444);
  PutU32(b, 4, 124);
  PutU32(b, 8, 0x21007);  // caps, height, width, pixel format, mip count
  PutU32(b, 12, 2048);
  PutU32(b, 16, 2048);
  PutU32(b, 28, 12);
  PutU32(b, 76, 32);
  PutU32(b, 80, 0x4);
  PutU32(b, 84, 0x35545844);  // "DXT5"
  std::size_t data = 0;
  for (std::uint32_t size = 2048; size >= 1; size /= 2) {
    const std::size_t blocks = (size + 3) / 4;
    data += blocks * blocks * 16;
  }
  std::mt19937 random(1);
  for (std::size_t i = 0; i < data; ++i) b.push_back(static_cast<std::uint8_t>(random()));
  Write(path, b);
  return path;
}

// Rows of runs (flat areas) and literal stretches (detail), as painted
// textures have them.
std::filesystem::path RleTga() {
  const auto path = Scratch("brivonel-bench-rle.tga");
  Bytes b(18, 0);
  b[2] = 10;
  b[12] = 0x00;
  b[13] = 0x08;
  b[14] = 0x00;
  b[15] = 0x08;
  b[16] = 32;
  b[17] = 0x28;  // top-down, 8 alpha bits
  std::mt19937 random(2);
  for (int y = 0; y < 2048; ++y) {
    int x = 0;
    while (x < 2048) {
      const int count = std::min(2048 - x, 1 + static_cast<int>(random() % 128));
      if (random() % 2 == 0) {
        b.push_back(static_cast<std::uint8_t>(0x80 | (count - 1)));
        for (int c = 0; c < 4; ++c) b.push_back(static_cast<std::uint8_t>(random()));
      } else {
        b.push_back(static_cast<std::uint8_t>(count - 1));
        for (int i = 0; i < count * 4; ++i) b.push_back(static_cast<std::uint8_t>(random()));
      }
      x += count;
    }
  }
  Write(path, b);
  return path;
}

void BM_LoadDdsBc3WithMips(benchmark::State& state) {
  const std::u16string path = brivonel::FromFsPath(Bc3Dds());
  brivonel::LoadedImage image;
  std::int64_t bytes = 0;
  for (auto _ : state) {
    if (brivonel::Failed(brivonel::LoadDdsFile(path, 0, nullptr, image))) {
      state.SkipWithError("load failed");
      break;
    }
    bytes += static_cast<std::int64_t>(image.pixelSize);
  }
  state.SetBytesProcessed(bytes);
}
BENCHMARK(BM_LoadDdsBc3WithMips)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_LoadTgaRle32(benchmark::State& state) {
  const std::u16string path = brivonel::FromFsPath(RleTga());
  brivonel::LoadedImage image;
  std::int64_t bytes = 0;
  for (auto _ : state) {
    if (brivonel::Failed(brivonel::LoadTgaFile(path, nullptr, image))) {
      state.SkipWithError("load failed");
      break;
    }
    bytes += static_cast<std::int64_t>(image.pixelSize);
  }
  state.SetBytesProcessed(bytes);
}
BENCHMARK(BM_LoadTgaRle32)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
