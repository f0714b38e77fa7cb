#include "registry/office_registry.h"

// No registry is read yet: no Excel is located and the runtime module never
// counts as registered, so the version gate does not run.

std::string OfficeRegistry::GetOfficeVersionKey() const { return {}; }

bool OfficeRegistry::IsRuntimeAddinRegistered() { return false; }

std::string OfficeRegistry::GetRegisteredRuntimePath() { return {}; }
