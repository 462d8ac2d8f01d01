#pragma once
// The top-level shapes of a sheet in z-order (back to front), with the k-th
// live shape, removal and appending all in logarithmic time: a shape keeps the
// slot it was given, a removed shape leaves an empty slot, and a Fenwick tree
// over the slots counts the live ones. Shapes.Item(i) on a sheet of hundreds
// of thousands of shapes thus never walks the sheet.

#include <cstdint>
#include <vector>

namespace ovix::workbook {

template <typename T>
class ZOrderIndex {
 public:
  // Puts `item` in front of every other shape; returns its slot.
  size_t Append(T* item) {
    slots_.push_back(item);
    const size_t i = slots_.size();  // 1-based Fenwick index
    // tree_[i] covers (i - lowbit(i), i]: the new 1 plus the live slots in
    // (i - lowbit(i), i - 1].
    const size_t low = i & (~i + 1);
    tree_.push_back(1 + Prefix(i - 1) - Prefix(i - low));
    ++live_;
    return i - 1;
  }

  // Empties `slot`.
  void Remove(size_t slot) {
    if (slot >= slots_.size() || slots_[slot] == nullptr) return;
    slots_[slot] = nullptr;
    for (size_t i = slot + 1; i <= tree_.size(); i += i & (~i + 1)) --tree_[i - 1];
    --live_;
  }

  // Puts `item` in an occupied slot in place of what was there.
  void Replace(size_t slot, T* item) { slots_[slot] = item; }

  size_t size() const { return live_; }

  // The live item number `k` (0-based) in z-order.
  T* At(size_t k) const {
    size_t pos = 0;
    size_t remaining = k + 1;
    size_t step = 1;
    while (step * 2 <= tree_.size()) step *= 2;
    for (; step > 0; step /= 2) {
      const size_t next = pos + step;
      if (next <= tree_.size() && static_cast<size_t>(tree_[next - 1]) < remaining) {
        pos = next;
        remaining -= static_cast<size_t>(tree_[next - 1]);
      }
    }
    return slots_[pos];
  }

  // Calls f(item) for each live item, back to front.
  template <typename F>
  void ForEach(F&& f) const {
    for (T* item : slots_) {
      if (item != nullptr) f(item);
    }
  }

  void Reserve(size_t n) {
    slots_.reserve(n);
    tree_.reserve(n);
  }

 private:
  // Number of live slots among the first `i`.
  int64_t Prefix(size_t i) const {
    int64_t sum = 0;
    for (; i > 0; i -= i & (~i + 1)) sum += tree_[i - 1];
    return sum;
  }

  std::vector<T*> slots_;
  std::vector<int32_t> tree_;
  size_t live_ = 0;
};

}  // namespace ovix::workbook
