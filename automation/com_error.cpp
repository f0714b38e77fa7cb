#include "automation/com_error.h"

#include <utility>

namespace automation {

_com_error::_com_error(HRESULT result, IErrorInfo* errorInfo,
                       bool addReference) noexcept
    : result_(result), errorInfo_(errorInfo) {
  if (errorInfo_ != nullptr && addReference) errorInfo_->AddRef();
}

_com_error::_com_error(const _com_error& other) noexcept
    : _com_error(other.result_, other.errorInfo_, true) {}

_com_error& _com_error::operator=(const _com_error& other) noexcept {
  _com_error copy(other);
  std::swap(result_, copy.result_);
  std::swap(errorInfo_, copy.errorInfo_);
  return *this;
}

_com_error::~_com_error() {
  if (errorInfo_ != nullptr) errorInfo_->Release();
}

IErrorInfo* _com_error::ErrorInfo() const noexcept {
  if (errorInfo_ != nullptr) errorInfo_->AddRef();
  return errorInfo_;
}

void RaiseComError(HRESULT result) { throw _com_error(result); }

HRESULT HresultFromWin32(DWORD code) noexcept {
  const auto asResult = static_cast<HRESULT>(code);
  if (asResult <= 0) return asResult;
  return static_cast<HRESULT>(0x80070000u | (code & 0xFFFFu));
}

HRESULT LastErrorAsHresult() noexcept {
  return HresultFromWin32(GetLastError());
}

}  // namespace automation
