#include "automation/argument_list.h"

#include <new>

#include "automation/com_error.h"

namespace automation {

ArgumentList::ArgumentList(std::size_t count) { Resize(count); }

void ArgumentList::Resize(std::size_t count) {
  try {
    values_.resize(count);
  } catch (const std::bad_alloc&) {
    RaiseComError(E_OUTOFMEMORY);
  }
}

VARIANT* ArgumentList::Data() noexcept {
  return values_.empty() ? nullptr : &values_.front().Variant();
}

}  // namespace automation
