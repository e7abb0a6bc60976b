#include "core/chip/ChipList.h"

#include "core/chip/ChipLine.h"
#include "core/chip/ChipLoader.h"
#include "core/chip/TextLines.h"

namespace qx::chip {

ChipList ChipList::Read(TextSource& files, const std::string& folder) {
  ChipList list;
  const TextFile index = files.Read(JoinPath(folder, kChipIndexFile));
  if (index.state == TextFile::State::Ok) {
    list.fromIndexFile = true;
    int number = 0;
    for (std::string_view raw : SplitLines(index.bytes)) {
      ++number;
      const ChipLine line = MakeChipLine(raw);
      if (Word(line, 1).size() < 3) break;
      if (!IsAnsiText(raw))
        list.warnings.push_back(std::string(kChipIndexFile) + " line " + std::to_string(number) +
                                ": bytes that are neither code page 950 (Big5) nor UTF-8 "
                                "text; its chip entry will not read right");
      list.items.push_back(Word(line, 2) + "  " + Word(line, 3));
    }
    return list;
  }
  if (index.state == TextFile::State::ReadError) list.error = index.error;
  // Without an index the dialog still offers the family's usual parts; none of them loads.
  for (int i = 0; i < 16; ++i) {
    for (const char* item : {"7T404 (16k)", "7R404  (8k)", "7R403  (4k)", "7R402  (2k)"}) {
      list.items.emplace_back(item);
    }
  }
  return list;
}

}  // namespace qx::chip
