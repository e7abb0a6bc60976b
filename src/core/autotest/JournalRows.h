#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "core/autotest/RunJournal.h"

namespace qx::autotest {

/// The text form in which the run journal keeps a table: one line per row ended by "\n", cells
/// separated by ",". A cell that is empty or holds ',', '"', CR or LF is quoted with '"', inner
/// quotes doubled; so an empty row is an empty line and a row of one empty cell is `""`. Cell
/// bytes are kept as they are (UTF-8, Big5 or anything else).
std::string RowsToText(const TextRows& rows);

/// The rows of `RowsToText` text; nothing when the text is not of that form.
std::optional<TextRows> RowsFromText(std::string_view text);

}  // namespace qx::autotest
