#pragma once

#include <string>

namespace qx::app {

/// What a load of the configuration file did, for the status bar and for tests.
struct ConfigLoadResult {
  enum class Outcome {
    Loaded,          ///< read to the end of the file (or of its known sections)
    HeaderMismatch,  ///< first line is not the header: nothing loaded, no finishing steps
    FieldError,      ///< a value could not be read: sections before it are kept
    Unreadable,      ///< the file exists but cannot be opened
  };

  Outcome outcome = Outcome::Loaded;
  bool created = false;   ///< the file was missing and was written from the current values
  bool finished = false;  ///< the finishing steps ran (link kind 5, chip description)
  int sectionsRead = 0;   ///< sections applied
  int errorLine = 0;      ///< 1-based line of the bad value, 0 when none
  std::string message;    ///< text for status panel 2; empty when all went well
};

}  // namespace qx::app
