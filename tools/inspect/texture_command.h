#pragma once
// brivonel-inspect texture FILE [--pixel X,Y]: what the texture loaders make
// of a file, as JSON. The platform's image codec loader must be installed
// first (SetImageFileLoader) for files that are neither DDS nor TGA.
#include <iosfwd>
#include <string>
#include <vector>

namespace brivonel::inspect {

// args: the words after "texture". Prints one JSON object on out and returns
// 0, or prints one error line on err and returns non-zero.
int RunTextureCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace brivonel::inspect
