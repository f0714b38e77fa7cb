#pragma once

// The launcher's one way into the registry: at most one open key, opened for
// reading values, and two value reads. advapi32's entry points are bound by
// name once per process; an entry point that cannot be bound makes the key
// "not open" rather than a call through a null pointer.

#include <cstdint>
#include <string>

#include "platform/registry_api.h"

class RegistryAccess {
 public:
  // Opens `keyPath` under `root`.
  RegistryAccess(const std::string& keyPath, platform::RegistryKey root);
  ~RegistryAccess();
  RegistryAccess(const RegistryAccess&) = delete;
  RegistryAccess& operator=(const RegistryAccess&) = delete;

  // Closes the open key, then opens `keyPath` under `root` for reading
  // values. True when a key is open.
  bool Open(const std::string& keyPath, platform::RegistryKey root);
  bool IsOpen() const { return key_ != nullptr; }
  void Close();
  // The system's error code of the last open: kErrorSuccess when it opened
  // the key, kErrorProcNotFound when advapi32 lacks an entry point.
  std::int32_t OpenError() const { return openError_; }

  // The value `name` as a 32-bit number: `defaultValue` unless exactly four
  // bytes were read; 0 when no key is open. The value's type is not looked
  // at.
  std::int32_t QueryDword(const std::string& name, std::int32_t defaultValue);
  // The value `name` as text up to its first NUL (terminated even when the
  // stored data is not). False, and `text` untouched, when it cannot be read
  // or is empty. "" names the key's default value.
  bool QueryString(const std::string& name, std::string& text);

 private:
  const platform::RegistryEntryPoints registry_ =
      platform::ProcessRegistryEntryPoints();
  platform::RegistryKey key_ = nullptr;
  std::int32_t openError_ = platform::kErrorSuccess;
};
