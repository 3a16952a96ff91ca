#pragma once
// How much of a VMD file is really there. The motion reader accepts any
// bytes (a file that ends early keeps zeros where its records were cut, and
// a file of another kind reads as some motion); the inspect tool says so.
#include <cstdint>
#include <span>
#include <string>

namespace brivonel::tools {

struct VmdLayout {
  // The header text up to its first zero byte (non-ASCII bytes as '?'), and
  // whether it is the header VMD files begin with.
  std::string header;
  bool vmdHeader = false;
  // The part of the file it ends inside: "" when whole (a file may end
  // after its morph records or any later section), else "header", "model
  // name", "bone count", "bone records", "morph count", "morph records",
  // "camera records", "light records", "self-shadow records" or
  // "property keys".
  std::string endsInside;
  // Records the counts promise that the file does not hold whole (a record
  // cut in its middle counts).
  std::uint64_t boneRecordsCut = 0;
  std::uint64_t morphRecordsCut = 0;
  // Whether the file has the property section (shown, IK switches), and how
  // many of the keys it promises it does not hold whole.
  bool propertySection = false;
  std::uint64_t propertyKeysCut = 0;
};

VmdLayout MeasureVmdLayout(std::span<const std::uint8_t> file);

}  // namespace brivonel::tools
