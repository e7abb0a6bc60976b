#pragma once

#include <cstdint>
#include <memory>
#include <new>

namespace qx::chip {

/// Fixed-capacity list of register records in two lazily allocated blocks of 256 slots.
/// `KeyFn` maps a record to its lookup key. Records are copied in by value.
template <class Record, class KeyFn>
class RegisterList {
 public:
  static constexpr int32_t kBlockSize = 256;
  static constexpr int32_t kCapacity = 2 * kBlockSize;
  static constexpr int32_t kStatusFull = 2;
  static constexpr int32_t kStatusNoMemory = 1;

  RegisterList() = default;
  RegisterList(const RegisterList&) = delete;
  RegisterList& operator=(const RegisterList&) = delete;
  RegisterList(RegisterList&&) noexcept = default;
  RegisterList& operator=(RegisterList&&) noexcept = default;

  void Clear() {
    count_ = 0;
    chunk_[0].reset();
    chunk_[1].reset();
  }

  /// 0 when stored; kStatusFull when 512 records are held; kStatusNoMemory when a block
  /// could not be allocated. Nothing is stored on failure.
  int32_t Add(const Record& record) {
    if (count_ >= kCapacity) return kStatusFull;
    auto& block = chunk_[count_ / kBlockSize];
    if (!block) {
      block.reset(new (std::nothrow) Record[kBlockSize]);
      if (!block) return kStatusNoMemory;
    }
    block[count_ % kBlockSize] = record;
    ++count_;
    return 0;
  }

  int32_t Count() const { return count_; }
  bool Full() const { return count_ >= kCapacity; }

  /// The record at `index`, or nullptr outside 0..Count()-1.
  Record* Items(int32_t index) {
    if (index < 0 || index >= count_) return nullptr;
    return &chunk_[index / kBlockSize][index % kBlockSize];
  }
  const Record* Items(int32_t index) const {
    if (index < 0 || index >= count_) return nullptr;
    return &chunk_[index / kBlockSize][index % kBlockSize];
  }

  /// Lookup key of the record at `index`; -1 outside 0..Count()-1 (no key is negative).
  int32_t KeyOf(int32_t index) const {
    const Record* r = Items(index);
    return r ? KeyFn{}(*r) : -1;
  }

  /// Index of the first record whose key is `key`, or -1.
  int32_t IndexOfKey(int32_t key) const {
    if (key < 0) return -1;
    for (int32_t i = 0; i < count_; ++i) {
      if (KeyOf(i) == key) return i;
    }
    return -1;
  }

  /// True when block 0 or 1 has been allocated.
  bool BlockAllocated(int block) const { return block >= 0 && block < 2 && chunk_[block]; }

 private:
  std::unique_ptr<Record[]> chunk_[2];
  int32_t count_ = 0;
};

}  // namespace qx::chip
