#include "core/autotest/MemoryRunJournal.h"

#include <gtest/gtest.h>

#include <memory>

#include "support/RunJournalBehaviour.h"

namespace qx::test {
namespace {

struct MemoryMaker {
  std::unique_ptr<RunJournal> Open(autotest::TimeText now) {
    return std::make_unique<autotest::MemoryRunJournal>(std::move(now));
  }
};

INSTANTIATE_TYPED_TEST_SUITE_P(Memory, RunJournalBehaviour, MemoryMaker);

}  // namespace
}  // namespace qx::test
