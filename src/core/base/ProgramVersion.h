#pragma once

namespace qx::base {

/// The program's version number, as the main window's caption ends with it and as the run
/// journal keeps it with every run.
inline constexpr char kProgramVersion[] = "1.4";

}  // namespace qx::base
