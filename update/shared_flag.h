// A 32-bit flag that two threads read and write whole, without a lock.
#pragma once

#include <atomic>
#include <cstdint>

class SharedFlag {
 public:
  constexpr SharedFlag(std::uint32_t value = 0) : value_(value) {}
  SharedFlag(const SharedFlag& other) : value_(other.Load()) {}
  SharedFlag& operator=(const SharedFlag& other) {
    Store(other.Load());
    return *this;
  }
  SharedFlag& operator=(std::uint32_t value) {
    Store(value);
    return *this;
  }

  std::uint32_t Load() const { return value_.load(std::memory_order_seq_cst); }
  void Store(std::uint32_t value) { value_.store(value, std::memory_order_seq_cst); }
  explicit operator bool() const { return Load() != 0; }

 private:
  std::atomic<std::uint32_t> value_;
};
