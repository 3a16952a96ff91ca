#pragma once
// The sample as the format writer's records: the figure as a PMX 2.0 model
// and as a PMD model, the dance as a VMD motion.
#include "formats/pmd_records.h"
#include "formats/pmx_records.h"
#include "formats/vmd_records.h"
#include "tools/sample_generator/dance.h"
#include "tools/sample_generator/figure.h"

namespace brivonel::samples {

PMXModel ToPmxRecord(const Figure& figure);
PMDModel ToPmdRecord(const Figure& figure);
VMDMotion ToVmdRecord(const Dance& dance, std::u16string_view modelName);

}  // namespace brivonel::samples
