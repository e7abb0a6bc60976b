#include "platform/DurableFiles.h"

#include <gtest/gtest.h>

#include "support/AtomicFileBehaviour.h"

namespace qx::test {
namespace {

struct DurableSteps {
  static base::AtomicFile::Steps Steps() {
    return {&platform::DurableFiles::WriteTemp, &platform::DurableFiles::Replace};
  }
};
}  // namespace
INSTANTIATE_TYPED_TEST_SUITE_P(Durable, AtomicFileBehaviour, DurableSteps);
}  // namespace qx::test
