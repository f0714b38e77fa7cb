#pragma once

// The launcher's one way into the registry: at most one open key, opened
// read-only by every caller, and two value reads. advapi32 is bound by name
// at run time; an entry point that cannot be bound makes the key "not open"
// rather than a call through a null pointer.

#include <cstdint>
#include <string>

#include "platform/registry_api.h"

class RegistryAccess {
 public:
  // Binds the registry entry points, then opens `keyPath` under `root`.
  RegistryAccess(const std::string& keyPath, platform::RegistryKey root,
                 bool readOnly);
  ~RegistryAccess();
  RegistryAccess(const RegistryAccess&) = delete;
  RegistryAccess& operator=(const RegistryAccess&) = delete;

  // Closes the open key, then opens `keyPath` under `root` (read-only for
  // reading values, else created when missing). True when a key is open.
  bool Open(const std::string& keyPath, platform::RegistryKey root,
            bool readOnly);
  bool IsOpen() const { return key_ != nullptr; }
  void Close();

  // The value `name` as a 32-bit number: `defaultValue` unless exactly four
  // bytes were read; 0 when no key is open. The value's type is not looked
  // at.
  std::int32_t QueryDword(const std::string& name, std::int32_t defaultValue);
  // The value `name` as text up to its first NUL (terminated even when the
  // stored data is not). False, and `text` untouched, when it cannot be read
  // or is empty. "" names the key's default value.
  bool QueryString(const std::string& name, std::string& text);

 private:
  platform::RegistryKey key_ = nullptr;
  platform::RegOpenKeyExAFunction openKey_ = nullptr;
  platform::RegCreateKeyExAFunction createKey_ = nullptr;
  platform::RegCloseKeyFunction closeKey_ = nullptr;
  platform::RegQueryValueExAFunction queryValue_ = nullptr;
};
