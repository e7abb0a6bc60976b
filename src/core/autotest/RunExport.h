#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/autotest/RunJournal.h"
#include "core/autotest/TempResultFiles.h"
#include "core/autotest/TempResults.h"

namespace qx::autotest {

/// The result arrays of a journal run: its recorded modes put back where the run kept them.
/// Returns false with `error` when the journal does not hold the run.
bool LoadRunResults(RunJournal& journal, int64_t run, RunSettings& settings, TempResults& results,
                    std::string& error);

/// Writes the result files of a journal run ("QxTEMPA.CSV", "QxTEMPB.CSV" and, for runs that
/// read the meters, "QxTEMPBryMen.CSV") as the run itself wrote them; the names written.
std::vector<std::string> ExportRun(RunJournal& journal, int64_t run, const TempResultWriter& writer,
                                   std::string& error);

}  // namespace qx::autotest
