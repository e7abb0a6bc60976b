#pragma once

#include "core/chip/BitRegister.h"
#include "core/chip/RegisterList.h"

namespace qx::chip {

struct BitRegisterKey {
  int32_t operator()(const BitRegister& r) const { return r.address; }
};

/// The bit register list: registers of all four pages in file order, keyed by address.
class TCRREGBitPtr : public RegisterList<BitRegister, BitRegisterKey> {};

}  // namespace qx::chip
