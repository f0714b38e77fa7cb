#pragma once

// The named kernel objects of one kind (events, mutexes) in the simulated
// Windows, with the handles open on them. Kernel object names are
// case-sensitive. An object whose handles were all closed keeps its record
// for the tests to read, though Windows would have destroyed it: the kind's
// code says what opening such a one again means.

#include <cstdint>
#include <map>
#include <string>

namespace sim {

// `Object` counts its open handles in `openHandles`.
template <typename Object>
struct NamedObjects {
  // Handle values of each kind start apart, so that a handle of one kind
  // passed as another is found by neither.
  explicit NamedObjects(std::uintptr_t handleBase) : lastHandle(handleBase) {}

  std::map<std::string, Object> byName;
  // The name behind each open handle.
  std::map<std::uintptr_t, std::string> handles;
  std::uintptr_t lastHandle;

  // Opens a new handle on the object `name`, making its record when missing.
  std::uintptr_t Open(const std::string& name) {
    ++byName[name].openHandles;
    lastHandle += 4;
    handles[lastHandle] = name;
    return lastHandle;
  }

  // The object behind an open handle, or nullptr.
  Object* Find(std::uintptr_t handle) {
    const auto open = handles.find(handle);
    return open == handles.end() ? nullptr : &byName.at(open->second);
  }

  // Closes an open handle; any other value is ignored.
  void Close(std::uintptr_t handle) {
    const auto open = handles.find(handle);
    if (open == handles.end()) return;
    --byName.at(open->second).openHandles;
    handles.erase(open);
  }
};

}  // namespace sim
