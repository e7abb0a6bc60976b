#pragma once

#include <string>
#include <string_view>

namespace qx::platform {

/// Text of a chip description file (names, descriptions) for display: kept as it is when it is
/// valid UTF-8, else decoded from code page 950 (Big5), the code page the chip files were
/// written in on the bench PCs. Bytes that are not Big5 either become U+FFFD.
std::string ChipTextToUtf8(std::string_view raw);

/// True when `text` is well-formed UTF-8 (no overlong forms, no surrogates).
bool IsValidUtf8(std::string_view text);

}  // namespace qx::platform
