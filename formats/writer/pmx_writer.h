#pragma once
// Writes PMX 2.0 files from PMXModel records, for tests and the sample
// character generator.
#include <cstdint>
#include <vector>

#include "formats/pmx_records.h"

namespace brivonel::writer {

// The file for record: its encoding and index sizes (a size of 0 picks the
// smallest width that holds the list: vertex indices unsigned, the others
// signed), the lists with their sizes as counts, each vertex's deform data of
// its kind, each morph's offsets from the list of its kind (kinds 9 and 10
// and unknown kinds get none), then the display frames, rigid bodies and
// joints. The magic, version and header size default to "PMX ", 2.0 and 8
// when left at zero. Header bytes in record.header are not used;
// vertexBoneIndexSize, when not 0, is the width of the vertices' bone
// references (as some writers make them, wider than the header says).
std::vector<std::uint8_t> WritePmx(const PMXModel& record);

// The index sizes WritePmx uses for record (1, 2 or 4; given sizes kept).
struct PmxIndexSizes {
  int vertex, texture, material, bone, morph, rigidBody;
};
PmxIndexSizes ChoosePmxIndexSizes(const PMXModel& record);

}  // namespace brivonel::writer
