#pragma once

#include <string>
#include <vector>

#include "core/chip/TextSource.h"

namespace qx::chip {

/// Items of the setup dialog's chip list, read from the chip index file.
struct ChipList {
  std::vector<std::string> items;  ///< model + two spaces + size label
  bool fromIndexFile = false;      ///< false: the index file is missing; built-in items
  std::string error;               ///< read error of an existing index file
  /// Lines of the index whose bytes are no text (see IsAnsiText), as "QxSel.INC line N: ...".
  std::vector<std::string> warnings;

  /// Reads "QxSel.INC" in `folder`. The list ends at the first line whose first word has fewer
  /// than 3 characters (so a blank line ends it too).
  static ChipList Read(TextSource& files, const std::string& folder);
};

}  // namespace qx::chip
