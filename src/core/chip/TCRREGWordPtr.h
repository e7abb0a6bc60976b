#pragma once

#include "core/chip/RegisterList.h"
#include "core/chip/WordRegister.h"

namespace qx::chip {

struct WordRegisterKey {
  int32_t operator()(const WordRegister& r) const {
    return static_cast<int32_t>(r.first) * 256 + r.second;
  }
};

/// The word register list, keyed by first address x 256 + second address.
class TCRREGWordPtr : public RegisterList<WordRegister, WordRegisterKey> {};

}  // namespace qx::chip
