#pragma once

#include <cstdint>
#include <ostream>

#include "core/autotest/RunJournal.h"

namespace qx::cli {

/// `runs show ID [--json]`: the run's header, its rows and the drift of each mode, as text or
/// as one JSON object whose keys name each figure with its unit. Exit 1 with the reason when
/// the journal does not hold the run.
int ShowRun(autotest::RunJournal& journal, int64_t run, bool json, std::ostream& out,
            std::ostream& err);

}  // namespace qx::cli
