#pragma once

#include <chrono>
#include <string>

namespace qx::base {

/// `time` in the local time zone, formatted by strftime's `format`; empty when the time cannot
/// be converted. std::localtime shares one buffer: the program asks for the time on one thread.
std::string FormatLocalTime(std::chrono::system_clock::time_point time, const char* format);

}  // namespace qx::base
