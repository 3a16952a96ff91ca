#pragma once
// File-name patterns of an open dialog's filter ("*.pmd;*.pmx"), turned into
// the glob patterns of a Linux file chooser. Windows matches them without
// regard to case, so "*.pmx" becomes "*.[pP][mM][xX]" and a file saved as
// "MODEL.PMX" is offered too.
#include <string>
#include <string_view>
#include <vector>

namespace brivonel {

// The ";"-separated patterns as case-blind UTF-8 globs; empty ones dropped.
std::vector<std::string> CaseBlindGlobs(std::u16string_view patterns);

}  // namespace brivonel
