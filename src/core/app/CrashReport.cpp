#include "core/app/CrashReport.h"

#include <algorithm>
#include <cstring>

namespace qx::app {

CrashReport::CrashReport(std::string programVersion) : version_(std::move(programVersion)) {
  while (!version_.empty() && (version_.back() == '\n' || version_.back() == '\r'))
    version_.pop_back();
  Format();
}

void CrashReport::Command(const std::string& what, const Context& context) {
  commands_.push_back(what);
  while (commands_.size() > kCommands) commands_.pop_front();
  context_ = context;
  Format();
}

void CrashReport::Update(const Context& context) {
  context_ = context;
  Format();
}

const char* CrashReport::Text() const {
  return buffers_[static_cast<size_t>(current_.load(std::memory_order_acquire))].data();
}

size_t CrashReport::Size() const {
  return sizes_[static_cast<size_t>(current_.load(std::memory_order_acquire))];
}

std::string CrashReport::WithCause(const std::string& cause) const {
  return "ended by: " + cause + "\n" + std::string(Text(), Size());
}

std::string CrashReport::StartupNotice(const std::string& seenPath) {
  return "The last session ended abnormally; what it was doing is in " + seenPath;
}

void CrashReport::Format() {
  std::string text = version_ + "\n";
  text += "chip: " + (context_.chip.empty() ? std::string("none") : context_.chip) + "\n";
  text += "link: " + (context_.link.empty() ? std::string("none") : context_.link) + "\n";
  text += "window: " + (context_.window.empty() ? std::string("none") : context_.window) + "\n";
  text += "last commands, oldest first:\n";
  for (const std::string& c : commands_) text += "  " + c + "\n";
  // The buffer not being read takes the new text, then becomes the one read.
  const int next = 1 - current_.load(std::memory_order_relaxed);
  auto& buffer = buffers_[static_cast<size_t>(next)];
  // Twenty commands fit many times over; a text that does not is cut, never overrun.
  const size_t n = std::min(text.size(), buffer.size() - 1);
  std::memcpy(buffer.data(), text.data(), n);
  buffer[n] = '\0';
  sizes_[static_cast<size_t>(next)] = n;
  current_.store(next, std::memory_order_release);
}

}  // namespace qx::app
