// The simulated ole32 class calls: ProgIDs and classes come from the world,
// whose objects live in the test process whatever class context is asked
// for. Both calls can be made to fail through the world's FaultPlan
// ("CLSIDFromProgID", "CoCreateInstance") with the HRESULT to answer.

#include <algorithm>
#include <string_view>

#include "platform/com_types.h"
#include "platform/sim/sim_world.h"

namespace {

char16_t LowerAscii(char16_t c) {
  return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c - u'A' + u'a') : c;
}

// ProgIDs are registry key names, which Windows compares without regard to
// case.
bool SameProgId(std::u16string_view a, std::u16string_view b) {
  return std::equal(
      a.begin(), a.end(), b.begin(), b.end(),
      [](char16_t x, char16_t y) { return LowerAscii(x) == LowerAscii(y); });
}

}  // namespace

HRESULT CLSIDFromProgID(LPCOLESTR progId, CLSID* clsid) {
  sim::World& world = sim::TheWorld();
  if (const auto code = world.faults.Failure("CLSIDFromProgID")) return *code;
  if (progId == nullptr || clsid == nullptr) return E_INVALIDARG;
  for (const auto& [name, registered] : world.progIds) {
    if (SameProgId(name, progId)) {
      *clsid = registered;
      return S_OK;
    }
  }
  return CO_E_CLASSSTRING;
}

HRESULT CoCreateInstance(REFCLSID clsid, IUnknown* outer, DWORD classContext,
                         REFIID iid, void** object) {
  sim::World& world = sim::TheWorld();
  world.lastComClassContext = classContext;
  if (object == nullptr) return E_POINTER;
  *object = nullptr;
  if (const auto code = world.faults.Failure("CoCreateInstance")) return *code;
  // The simulated classes are never written to be aggregated.
  if (outer != nullptr) return CLASS_E_NOAGGREGATION;
  const auto found =
      std::find_if(world.comClasses.begin(), world.comClasses.end(),
                   [&](const sim::SimComClass& comClass) {
                     return comClass.clsid == clsid;
                   });
  if (found == world.comClasses.end()) return REGDB_E_CLASSNOTREG;
  return found->create(iid, object);
}
