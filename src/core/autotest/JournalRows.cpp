#include "core/autotest/JournalRows.h"

namespace qx::autotest {

std::string RowsToText(const TextRows& rows) {
  std::string out;
  for (const auto& row : rows) {
    for (size_t i = 0; i < row.size(); ++i) {
      if (i > 0) out += ',';
      const std::string& cell = row[i];
      if (!cell.empty() && cell.find_first_of(",\"\r\n") == std::string::npos) {
        out += cell;
        continue;
      }
      out += '"';
      for (char c : cell) {
        if (c == '"') out += '"';
        out += c;
      }
      out += '"';
    }
    out += '\n';
  }
  return out;
}

std::optional<TextRows> RowsFromText(std::string_view text) {
  TextRows rows;
  size_t i = 0;
  const size_t n = text.size();
  while (i < n) {
    auto& row = rows.emplace_back();
    if (text[i] == '\n') {
      ++i;
      continue;
    }
    for (;;) {
      std::string cell;
      if (text[i] == '"') {
        for (++i;; ++i) {
          if (i >= n) return std::nullopt;
          if (text[i] != '"') {
            cell += text[i];
          } else if (i + 1 < n && text[i + 1] == '"') {
            cell += '"';
            ++i;
          } else {
            ++i;
            break;
          }
        }
      } else {
        for (; i < n && text[i] != ',' && text[i] != '\n'; ++i) {
          if (text[i] == '"' || text[i] == '\r') return std::nullopt;
          cell += text[i];
        }
      }
      row.push_back(std::move(cell));
      if (i >= n) return std::nullopt;  // every row ends with its line end
      if (text[i++] == '\n') break;
      if (text[i - 1] != ',') return std::nullopt;
      if (i >= n) return std::nullopt;
    }
  }
  return rows;
}

}  // namespace qx::autotest
