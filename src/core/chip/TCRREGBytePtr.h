#pragma once

#include "core/chip/ByteRegister.h"
#include "core/chip/RegisterList.h"

namespace qx::chip {

struct ByteRegisterKey {
  int32_t operator()(const ByteRegister& r) const { return r.address; }
};

/// The byte register list, keyed by address.
class TCRREGBytePtr : public RegisterList<ByteRegister, ByteRegisterKey> {};

}  // namespace qx::chip
