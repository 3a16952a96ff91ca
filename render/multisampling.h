#pragma once
// Samples per pixel of the surface the scene is drawn into. With several,
// the pixels the character's outline crosses come out partly covered, and
// their alpha gives soft edges on the desktop.
#include <cstdint>
#include <string_view>

namespace brivonel {

// Four samples: what peers draw with, and what every current device offers.
inline constexpr std::uint32_t kAntialiasingSamples = 4;
// Leaves the choice to the device: four samples on a graphics processor,
// one when the device renders in software, where four cost about three
// times the frame.
inline constexpr std::uint32_t kSamplesChosenByDevice = 0;

// Whether a device or renderer name names a rasteriser that runs on the CPU
// (Mesa's and the like).
constexpr bool NamesSoftwareRenderer(std::string_view name) {
  for (std::string_view software : {"llvmpipe", "softpipe", "SwiftShader", "Software"}) {
    if (name.find(software) != std::string_view::npos) return true;
  }
  return false;
}

// The samples to ask a device for, given what was wanted.
constexpr std::uint32_t SamplesToUse(std::uint32_t wanted, bool softwareRenderer) {
  if (wanted != kSamplesChosenByDevice) return wanted;
  return softwareRenderer ? 1 : kAntialiasingSamples;
}

}  // namespace brivonel
