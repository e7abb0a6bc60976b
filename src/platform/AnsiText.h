#pragma once

#include <string>
#include <string_view>

namespace qx::platform {

/// UTF-8 text as the bytes of code page 950 (Big5), the ANSI code page of the bench PCs whose
/// spreadsheets read the result files. ASCII passes unchanged; a character without a Big5 form
/// and every byte that is not part of valid UTF-8 become '?'. Safe to call from any thread.
std::string ToCodePage950(std::string_view utf8);

}  // namespace qx::platform
