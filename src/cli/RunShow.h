#pragma once

#include <cstdint>
#include <filesystem>
#include <ostream>

#include "core/autotest/RunJournal.h"

namespace qx::cli {

/// `runs show ID [--json]`: the run's header, its rows and the drift of each mode, as text or
/// as one JSON object whose keys name each figure with its unit. Exit 1 with the reason when
/// the journal does not hold the run.
int ShowRun(autotest::RunJournal& journal, int64_t run, bool json, std::ostream& out,
            std::ostream& err);

/// `runs report ID [--out FILE]`: the run as one self-contained HTML page, written whole to
/// FILE (default "QxRun-ID.html" in `dir`); prints the file's path. Exit 1 with the reason when
/// the journal does not hold the run or the file cannot be written.
int ReportRun(autotest::RunJournal& journal, int64_t run, const std::filesystem::path& file,
              std::ostream& out, std::ostream& err);

}  // namespace qx::cli
