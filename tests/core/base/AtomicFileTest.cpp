#include "core/base/AtomicFile.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "core/base/FileBytes.h"
#include "support/AtomicFileBehaviour.h"
#include "support/TempDir.h"

namespace qx::test {
namespace {
struct PortableSteps {
  static const base::AtomicFile::Steps& Steps() { return base::AtomicFile::Portable(); }
};
}  // namespace
INSTANTIATE_TYPED_TEST_SUITE_P(Portable, AtomicFileBehaviour, PortableSteps);
}  // namespace qx::test
