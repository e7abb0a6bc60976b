#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace qx::platform {

/// Called where the converter stops at bytes it cannot take: appends a replacement to `out`
/// and returns how many bytes of `rest` to skip (at least one).
using Cp950Replace = std::function<size_t(std::string_view rest, std::string& out)>;

/// Converts `text` from UTF-8 to code page 950 (`toCodePage`) or back, with iconv ("CP950",
/// "BIG5" where the C library lacks that name). Nothing when neither converter exists. Each
/// call opens its own descriptor, so calls from several threads do not interfere.
std::optional<std::string> ConvertCp950(std::string_view text, bool toCodePage,
                                        const Cp950Replace& replace);

}  // namespace qx::platform
