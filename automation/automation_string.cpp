#include "automation/automation_string.h"

#include <memory>
#include <new>
#include <utility>

#include "automation/automation_value.h"
#include "automation/com_error.h"
#include "automation/text_conversion.h"

namespace automation {

struct AutomationString::Record {
  explicit Record(BSTR text) noexcept : wide(text) {}
  // The BSTR goes first, then the narrow text (a member), then the record.
  ~Record() { SysFreeString(wide); }
  Record(const Record&) = delete;
  Record& operator=(const Record&) = delete;

  BSTR wide;
  std::unique_ptr<char[]> narrow;
  // A LONG, the type InterlockedDecrement counts in.
  LONG references = 1;
};

namespace {

BSTR CopyWide(const OLECHAR* wide) {
  if (wide == nullptr) return nullptr;
  BSTR copy = SysAllocString(wide);
  if (copy == nullptr) RaiseComError(E_OUTOFMEMORY);
  return copy;
}

BSTR CopyAsBstr(const AutomationValue& value) {
  if (value.Variant().vt == VT_BSTR) {
    return DuplicateBstr(value.Variant().bstrVal);
  }
  AutomationValue converted;
  converted.ChangeType(VT_BSTR, &value.Variant());
  return DuplicateBstr(converted.Variant().bstrVal);
}

}  // namespace

// Takes ownership of `wide`, freeing it when the record cannot be made.
AutomationString::AutomationString(BSTR wide)
    : record_(new (std::nothrow) Record(wide)) {
  if (record_ == nullptr) {
    SysFreeString(wide);
    RaiseComError(E_OUTOFMEMORY);
  }
}

AutomationString::AutomationString(const char* narrow)
    : AutomationString(NarrowToBstr(narrow)) {}

AutomationString::AutomationString(const AutomationValue& value)
    : AutomationString(CopyAsBstr(value)) {}

AutomationString AutomationString::FromWide(const OLECHAR* wide) {
  return AutomationString(CopyWide(wide));
}

AutomationString::AutomationString(AutomationString&& other) noexcept
    : record_(std::exchange(other.record_, nullptr)) {}

AutomationString& AutomationString::operator=(
    AutomationString&& other) noexcept {
  if (this != &other) {
    Drop();
    record_ = std::exchange(other.record_, nullptr);
  }
  return *this;
}

AutomationString::~AutomationString() { Drop(); }

AutomationString& AutomationString::operator=(const OLECHAR* wide) {
  if (record_ != nullptr && record_->wide == wide) return *this;
  return *this = FromWide(wide);
}

BSTR AutomationString::Wide() const noexcept {
  return record_ == nullptr ? nullptr : record_->wide;
}

const char* AutomationString::Narrow() {
  if (record_ == nullptr) return nullptr;
  if (!record_->narrow) record_->narrow = BstrToNarrow(record_->wide);
  return record_->narrow.get();
}

void AutomationString::Drop() noexcept {
  Record* record = std::exchange(record_, nullptr);
  if (record != nullptr && InterlockedDecrement(&record->references) == 0) {
    delete record;
  }
}

}  // namespace automation
