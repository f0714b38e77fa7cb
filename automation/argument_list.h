#pragma once

// ArgumentList: the positional arguments of one method call, as one
// contiguous VARIANT array. Element 0 holds the LAST argument and element
// n-1 the first, the order IDispatch::Invoke takes them in: f(a, b) carries
// b in element 0 and a in element 1.
//
// Running out of memory raises _com_error(E_OUTOFMEMORY).

#include <cstddef>
#include <vector>

#include "automation/automation_value.h"
#include "platform/com_types.h"

namespace automation {

class ArgumentList {
 public:
  // `count` empty values.
  explicit ArgumentList(std::size_t count);
  ArgumentList(ArgumentList&&) noexcept = default;
  ArgumentList& operator=(ArgumentList&&) noexcept = default;
  ArgumentList(const ArgumentList&) = delete;
  ArgumentList& operator=(const ArgumentList&) = delete;

  // Keeps the existing values and adds empty ones at the end up to `count`
  // (a smaller `count` drops the values past it); unchanged when that
  // raises.
  void Resize(std::size_t count);
  std::size_t Size() const noexcept { return values_.size(); }
  // Needs `index` < Size().
  AutomationValue& operator[](std::size_t index) { return values_[index]; }

  // The VARIANT of element 0, followed by the others; null when the list is
  // empty.
  VARIANT* Data() noexcept;

 private:
  std::vector<AutomationValue> values_;
};

}  // namespace automation
