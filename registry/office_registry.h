#pragma once

// What the registry tells about Excel and the runtime module's COM add-in
// registration. Built first by the main sequence and kept for the whole run.

#include <string>

class OfficeRegistry {
 public:
  // "SOFTWARE\Microsoft\Office\<n>.0\" of the located Excel generation, or
  // empty when none was located.
  std::string GetOfficeVersionKey() const;
  // True when the runtime module is registered as Excel's COM add-in, set to
  // load, and its module file exists.
  bool IsRuntimeAddinRegistered();
  // Full path of the registered runtime module file; empty when there is none.
  std::string GetRegisteredRuntimePath();
};
