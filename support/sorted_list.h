// A doubly linked list of records with a cursor and a stable sort on one
// field. Elements are value-initialised records owned by the list.
//
// Cursor rules: the cursor stands on an element or before the first one.
// `add` inserts directly after the current element (at the front when the
// cursor is before the first) and makes the new element current, so a run of
// `add` after `clear` appends in order. `next` at the end returns nullptr and
// leaves the cursor on the last element.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <new>
#include <string>
#include <type_traits>

// Sort options (bits).
constexpr int SortDescending = 1;
constexpr int SortIgnoreCase = 2;

// Sort field type codes, as callers name the type of the sort field.
constexpr int SortFieldInt8 = 1;
constexpr int SortFieldInt16 = 3;
constexpr int SortFieldInt32 = 5;
constexpr int SortFieldInt32Alt = 21;
constexpr int SortFieldText = 8;
constexpr int SortFieldFloat = 9;
constexpr int SortFieldUInt8 = 11;
constexpr int SortFieldDouble = 12;
constexpr int SortFieldInt64 = 13;

namespace sorted_list_detail {

// True when `code` names the C++ type F.
template <class F>
constexpr bool FieldCodeMatches(int code) {
  if constexpr (std::is_same_v<F, std::int8_t>) return code == SortFieldInt8;
  if constexpr (std::is_same_v<F, std::int16_t>) return code == SortFieldInt16;
  if constexpr (std::is_same_v<F, std::int32_t>) {
    return code == SortFieldInt32 || code == SortFieldInt32Alt;
  }
  if constexpr (std::is_same_v<F, std::string>) return code == SortFieldText;
  if constexpr (std::is_same_v<F, float>) return code == SortFieldFloat;
  if constexpr (std::is_same_v<F, std::uint8_t>) return code == SortFieldUInt8;
  if constexpr (std::is_same_v<F, double>) return code == SortFieldDouble;
  if constexpr (std::is_same_v<F, std::int64_t>) return code == SortFieldInt64;
  return false;
}

inline unsigned char FoldAsciiCase(unsigned char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<unsigned char>(c - 'A' + 'a') : c;
}

// Byte-wise comparison as unsigned values; a prefix sorts first. With
// ignoreCase only "A".."Z" are mapped to "a".."z".
inline int CompareText(const std::string& a, const std::string& b, bool ignoreCase) {
  const std::size_t common = a.size() < b.size() ? a.size() : b.size();
  if (!ignoreCase) {
    const int c = common == 0 ? 0 : std::memcmp(a.data(), b.data(), common);
    if (c != 0) return c < 0 ? -1 : 1;
  } else {
    for (std::size_t i = 0; i < common; ++i) {
      if (a[i] == b[i]) continue;
      const unsigned char x = FoldAsciiCase(static_cast<unsigned char>(a[i]));
      const unsigned char y = FoldAsciiCase(static_cast<unsigned char>(b[i]));
      if (x != y) return x < y ? -1 : 1;
    }
  }
  if (a.size() == b.size()) return 0;
  return a.size() < b.size() ? -1 : 1;
}

// Numeric comparison; values that do not order (NaN) count as equal.
template <class F>
int CompareValue(const F& a, const F& b, bool ignoreCase) {
  if constexpr (std::is_same_v<F, std::string>) {
    return CompareText(a, b, ignoreCase);
  } else {
    if (a < b) return -1;
    if (b < a) return 1;
    return 0;
  }
}

}  // namespace sorted_list_detail

template <class T>
class SortedList {
 public:
  SortedList() = default;
  ~SortedList() { clear(); }
  SortedList(const SortedList&) = delete;
  SortedList& operator=(const SortedList&) = delete;
  SortedList(SortedList&& other) noexcept { take(other); }
  SortedList& operator=(SortedList&& other) noexcept {
    if (this != &other) {
      clear();
      take(other);
    }
    return *this;
  }

  // Destroys every element; the cursor stands before the first.
  void clear() {
    Node* node = first_;
    while (node != nullptr) {
      Node* following = node->next;
      delete node;
      node = following;
    }
    first_ = last_ = current_ = nullptr;
    count_ = 0;
  }

  // Inserts a value-initialised element after the current one (at the front
  // when the cursor is before the first) and makes it current.
  T* add() {
    Node* node = new Node();
    Node* before = current_;
    Node* after = before != nullptr ? before->next : first_;
    node->prev = before;
    node->next = after;
    (before != nullptr ? before->next : first_) = node;
    (after != nullptr ? after->prev : last_) = node;
    current_ = node;
    ++count_;
    return &node->value;
  }

  std::size_t size() const { return count_; }

  // Puts the cursor before the first element.
  void reset() { current_ = nullptr; }

  // The element after the cursor (the first one after `reset`), now current;
  // nullptr at the end, where the cursor stays on the last element.
  T* next() {
    Node* following = current_ != nullptr ? current_->next : first_;
    if (following == nullptr) return nullptr;
    current_ = following;
    return &following->value;
  }

  // Stable merge sort on `field`; `fieldType` must be the code of the
  // field's type (see SortField*), otherwise the list stays as it is. The
  // cursor keeps standing on the same element.
  template <class F>
  void sortByField(int options, F T::*field, int fieldType) {
    if (!sorted_list_detail::FieldCodeMatches<F>(fieldType) || count_ < 2) return;
    const Order<F> order{field, (options & SortDescending) != 0, (options & SortIgnoreCase) != 0};
    first_ = mergeSort(first_, count_, order);
    Node* previous = nullptr;
    for (Node* node = first_; node != nullptr; node = node->next) {
      node->prev = previous;
      previous = node;
    }
    last_ = previous;
  }

 private:
  struct Node {
    T value{};
    Node* prev = nullptr;
    Node* next = nullptr;
  };

  template <class F>
  struct Order {
    F T::*field;
    bool descending;
    bool ignoreCase;
    // True when b must come before a: only when strictly out of order, so
    // equal keys keep their relative order in both directions.
    bool takeSecond(const Node* a, const Node* b) const {
      const int c = sorted_list_detail::CompareValue(a->value.*field, b->value.*field, ignoreCase);
      return descending ? c < 0 : c > 0;
    }
  };

  // Sorts the n nodes starting at head (following `next` only) and returns
  // the new head; the last node's `next` is nullptr. Splits into the first
  // n/2 nodes and the rest; recursion depth is log2(n).
  template <class F>
  static Node* mergeSort(Node* head, std::size_t n, const Order<F>& order) {
    if (n < 2) {
      if (head != nullptr) head->next = nullptr;
      return head;
    }
    const std::size_t half = n / 2;
    Node* splitAt = head;
    for (std::size_t i = 1; i < half; ++i) splitAt = splitAt->next;
    Node* second = splitAt->next;
    splitAt->next = nullptr;
    Node* a = mergeSort(head, half, order);
    Node* b = mergeSort(second, n - half, order);
    Node* merged = nullptr;
    Node** tail = &merged;
    while (a != nullptr && b != nullptr) {
      Node*& taken = order.takeSecond(a, b) ? b : a;
      *tail = taken;
      tail = &taken->next;
      taken = taken->next;
    }
    *tail = a != nullptr ? a : b;
    return merged;
  }

  void take(SortedList& other) {
    first_ = other.first_;
    last_ = other.last_;
    current_ = other.current_;
    count_ = other.count_;
    other.first_ = other.last_ = other.current_ = nullptr;
    other.count_ = 0;
  }

  Node* first_ = nullptr;
  Node* last_ = nullptr;
  Node* current_ = nullptr;
  std::size_t count_ = 0;
};
