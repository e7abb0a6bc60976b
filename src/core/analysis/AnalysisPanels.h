#pragma once

#include <optional>

namespace qx::analysis {

/// The figure panels of the analysis window; an empty value is a blank panel.
struct AnalysisPanels {
  std::optional<double> vrms;    ///< `TXVRMS`: RMS including the DC part
  std::optional<double> enob;    ///< `TXENOB`
  std::optional<double> offset;  ///< `TXOffset`: mean in display codes
  std::optional<double> vpp;     ///< `TXVPP`: peak-to-peak noise, nV
  std::optional<double> nrms;    ///< `TXNrms`: RMS noise, nV
  std::optional<double> nfree;   ///< `TXNFREE`: noise-free bits
};

}  // namespace qx::analysis
