#include "platform/DurableFiles.h"

namespace {
// The start-up of this test program, as of qxctl and qxpanel: every atomic write syncs to disk.
const bool kDurableFiles = (qx::platform::DurableFiles::Install(), true);
}  // namespace
