#include "core/remote/ScpiCommandTree.h"

#include <stdexcept>
#include <utility>

namespace qx::remote {

namespace {

std::string Upper(std::string_view s) {
  std::string u(s);
  for (char& c : u)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return u;
}

std::string ShortForm(std::string_view name) {
  size_t k = 0;
  while (k < name.size() && !(name[k] >= 'a' && name[k] <= 'z')) ++k;
  return Upper(name.substr(0, k));
}

}  // namespace

bool MnemonicMatches(std::string_view pattern, std::string_view word) {
  const std::string w = Upper(word);
  return w == Upper(pattern) || w == ShortForm(pattern);
}

void ScpiCommandTree::Add(std::string_view pattern, ScpiHandler handler) {
  Entry e;
  e.handler = std::move(handler);
  std::string_view p = pattern;
  if (!p.empty() && p.back() == '?') {
    e.query = true;
    p.remove_suffix(1);
  }
  bool optional = false;
  std::string name;
  auto flush = [&] {
    if (name.empty()) return;
    Node n;
    n.longForm = Upper(name);
    n.shortForm = ShortForm(name);
    n.optional = optional;
    e.nodes.push_back(std::move(n));
    name.clear();
  };
  for (const char c : p) {
    if (c == '[' || c == ']' || c == ':') {
      flush();
      if (c == '[') optional = true;
      if (c == ']') optional = false;
    } else {
      name.push_back(c);
    }
  }
  flush();
  if (e.nodes.empty() || optional) throw std::invalid_argument("bad SCPI pattern");
  entries_.push_back(std::move(e));
}

void ScpiCommandTree::AddChange(std::string_view pattern, ScpiHandler handler) {
  Add(pattern, [guard = guard_, handler = std::move(handler)](ScpiCall& call) {
    if (!*guard || (*guard)(call)) handler(call);
  });
}

bool ScpiCommandTree::Matches(const std::vector<Node>& pattern, size_t i,
                              const std::vector<std::string>& header, size_t j) {
  if (i == pattern.size()) return j == header.size();
  const Node& n = pattern[i];
  if (n.optional && Matches(pattern, i + 1, header, j)) return true;
  if (j == header.size()) return false;
  const std::string h = Upper(header[j]);
  if (h != n.longForm && h != n.shortForm) return false;
  return Matches(pattern, i + 1, header, j + 1);
}

const ScpiHandler* ScpiCommandTree::Find(const ScpiUnit& unit) const {
  for (const Entry& e : entries_)
    if (e.query == unit.query && Matches(e.nodes, 0, unit.nodes, 0)) return &e.handler;
  return nullptr;
}

}  // namespace qx::remote
