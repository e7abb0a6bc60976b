#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "core/remote/ScpiParser.h"

namespace qx::remote {

class ScpiCall;

/// A mnemonic against one node in the standard's notation ("ASCii" takes ASC and ASCII in any
/// case, nothing between).
bool MnemonicMatches(std::string_view pattern, std::string_view word);

using ScpiHandler = std::function<void(ScpiCall&)>;

/// The command set as one flat table of patterns in the standard's notation: long form with the
/// short form in capitals, optional nodes in brackets, `?` for a query ("SYSTem:ERRor[:NEXT]?").
/// A pattern is parsed once when it is added; a header matches its short or its long form of
/// every node, in any case.
class ScpiCommandTree {
 public:
  /// Adds a command; a pattern that does not parse is a programming error and throws.
  void Add(std::string_view pattern, ScpiHandler handler);
  /// Adds a command that changes the instrument: it runs only when the change guard lets it
  /// (the guard queues the error that says why not).
  void AddChange(std::string_view pattern, ScpiHandler handler);
  /// Decides for every command added with `AddChange`, before or after it was added; an empty
  /// guard lets every one run.
  void SetChangeGuard(std::function<bool(ScpiCall&)> guard) { *guard_ = std::move(guard); }
  /// The handler for a parsed unit, or nullptr when no pattern matches its header.
  const ScpiHandler* Find(const ScpiUnit& unit) const;

 private:
  struct Node {
    std::string longForm;   ///< upper case
    std::string shortForm;  ///< upper case
    bool optional = false;
  };
  struct Entry {
    std::vector<Node> nodes;
    bool query = false;
    ScpiHandler handler;
  };
  static bool Matches(const std::vector<Node>& pattern, size_t i,
                      const std::vector<std::string>& header, size_t j);
  std::vector<Entry> entries_;
  // Shared with the handlers that ask it, so a tree that is moved keeps asking its own guard.
  std::shared_ptr<std::function<bool(ScpiCall&)>> guard_ =
      std::make_shared<std::function<bool(ScpiCall&)>>();
};

}  // namespace qx::remote
