// Changing a code module's lines with the fewest calls, each of which the
// editor's undo takes back in one step, and taking back what was done when
// a later call fails. Portable.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "addin/host.h"

namespace brindle {

// Lines separated by CR LF; the empty text is one empty line.
std::vector<std::u16string> SplitLines(std::u16string_view text);
std::u16string JoinLines(const std::vector<std::u16string>& lines);

// Makes the lines from `first` on, which read `before`, read `after`: one
// InsertLines for lines only added, one ReplaceLine for one line changed,
// else one InsertLines and one DeleteLines (lines that stay the same at
// either end are left alone). On a failure the module is as it was, or the
// failure says that taking back failed too.
Status ReplaceLines(CodeModule& module, int32_t first, const std::vector<std::u16string>& before,
                    const std::vector<std::u16string>& after);

}  // namespace brindle
