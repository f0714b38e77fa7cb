#pragma once

// What the registry tells about Excel and the runtime module's COM add-in
// registration. The launcher only reads these keys; the registration belongs
// to the runtime module's own installer.

#include <cstdint>
#include <string>

class OfficeRegistry {
 public:
  // Locates the newest Excel generation from 12 down to 9 whose InstallRoot
  // "Path" folder holds excel.exe.
  OfficeRegistry();

  // "SOFTWARE\Microsoft\Office\<n>.0\" of the located Excel generation, or
  // empty when none was located.
  const std::string& GetOfficeVersionKey() const { return officeVersionKey_; }
  // True when the runtime module is registered as Excel's COM add-in, set to
  // load (LoadBehavior 3), and its module file exists. Asked of the registry
  // once per object; the answer, a negative one too, is kept.
  bool IsRuntimeAddinRegistered();
  // Full path of the registered runtime module file; empty when there is
  // none. A found path is kept.
  std::string GetRegisteredRuntimePath();

 private:
  enum class Registration { kUndetermined, kNotRegistered, kRegistered };

  std::string officeVersionKey_;
  std::string registeredRuntimePath_;
  Registration registration_ = Registration::kUndetermined;
};
