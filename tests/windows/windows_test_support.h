#pragma once
// What the tests of the Windows pieces share: COM on the test thread, the
// folders the build puts the shader files and the sample in, and whether
// the tests run under Wine (whose imaging component differs from Windows'
// in one documented way).
#include <filesystem>
#include <string>
#include <vector>

namespace brivonel::test {

// Initialises COM (apartment-threaded) for the imaging component once; it
// stays initialised until the process ends.
void UseCom();

bool RunningUnderWine();

// The folder of the three compiled shader files ("...bin/"), as the build
// wrote them beside the programs.
std::u16string D3dShaderFolder();

// Reads a whole file; empty when it cannot be read.
std::vector<char> ReadBytes(const std::filesystem::path& path);

}  // namespace brivonel::test
