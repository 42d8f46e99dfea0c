// A table of objects addressed by small non-negative numbers that the caller
// chooses (windows, controls, image slots, folder scans, input files).
//
// The table grows on demand: using a number at or past its end makes it
// number + Step entries long. Numbers are limited to kMaxNumber so that a
// stray large number cannot make the table huge; such numbers behave like
// unused ones (get gives nullptr, allocate fails).
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

template <class T, int Step>
class NumberedTable {
  static_assert(Step > 0, "the table must grow by at least one entry");

 public:
  static constexpr std::int64_t kMaxNumber = (std::int64_t{1} << 20) - 1;

  // The object under number n; nullptr when n holds none or is out of range.
  T* get(std::int64_t n) const {
    if (n < 0 || n >= static_cast<std::int64_t>(slots_.size())) return nullptr;
    return slots_[static_cast<std::size_t>(n)].get();
  }

  // Releases the object under n, if any, then creates a value-initialised
  // one there. nullptr (nothing changed) when n is negative or too large.
  T* allocate(std::int64_t n) {
    if (n < 0 || n > kMaxNumber) return nullptr;
    const auto index = static_cast<std::size_t>(n);
    if (index >= slots_.size()) slots_.resize(index + Step);
    slots_[index].reset();
    slots_[index] = std::make_unique<T>();
    return slots_[index].get();
  }

  // Destroys the object under n; nothing for a number without one.
  void release(std::int64_t n) {
    if (get(n) != nullptr) slots_[static_cast<std::size_t>(n)].reset();
  }

  // Destroys every object and gives the table's memory back.
  void clear() { std::vector<std::unique_ptr<T>>().swap(slots_); }

  // Entries the table currently has room for.
  std::size_t capacity() const { return slots_.size(); }

 private:
  std::vector<std::unique_ptr<T>> slots_;
};
