#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace qx::remote {

/// One parameter of a program message unit, classified by its syntax.
struct ScpiParam {
  enum class Kind { Number, String, Word, Block };
  Kind kind = Kind::Word;
  std::string text;    ///< Word: the mnemonic; String: the text without quotes; Block: the bytes
  double value = 0;    ///< Number: decimal, #H, #Q or #B
  std::string suffix;  ///< Number: the unit suffix as typed ("mV"), empty without one
};

/// One command or query of a message with its header resolved against the header path.
struct ScpiUnit {
  std::vector<std::string> nodes;  ///< mnemonics as typed, from the root ("*IDN" for a common one)
  bool query = false;
  bool common = false;
  std::vector<ScpiParam> params;
  std::string header;  ///< the header as typed, for error texts
  int error = 0;       ///< non-zero: this unit did not parse, and the message ends here
};

/// Splits one program message (its LF and a CR before it already gone) into units. A unit that
/// follows a command without a leading colon continues that command's path (`FORM:DATA ASC;BORD
/// SWAP` reaches FORM:BORD); a leading colon goes back to the root; common commands leave the
/// path alone. Parsing stops at the first unit with a syntax error, which comes last.
std::vector<ScpiUnit> ParseScpiMessage(std::string_view message);

}  // namespace qx::remote
