#include "platform/events.h"
#include "platform/sim/sim_world.h"

namespace platform {

namespace {

sim::World& World() { return sim::TheWorld(); }

std::uintptr_t HandleValue(RawEvent event) {
  return reinterpret_cast<std::uintptr_t>(event);
}

sim::World::NamedEvent* FindEvent(RawEvent event) {
  return World().events.Find(HandleValue(event));
}

}  // namespace

RawEvent CreateNamedEvent(const std::string& name) {
  if (World().faults.ShouldFail("CreateNamedEvent")) return nullptr;
  // Only a new event takes the initial state; an open one keeps its own. The
  // record of an event whose handles were all closed stays for the tests to
  // read, but the event itself is gone: one of that name starts anew.
  sim::World::NamedEvent& named = World().events.byName[name];
  if (named.openHandles == 0) named.signalled = true;
  ++named.creations;
  return reinterpret_cast<RawEvent>(World().events.Open(name));
}

void ResetEvent(RawEvent event) {
  if (sim::World::NamedEvent* named = FindEvent(event)) {
    named->signalled = false;
    ++named->resets;
  }
}

void WaitForEvent(RawEvent event) {
  ++World().eventWaits;
  if (World().whileWaitingForEvent) World().whileWaitingForEvent();
  // An automatic-reset event is unsignalled again once a wait has returned.
  if (sim::World::NamedEvent* named = FindEvent(event)) {
    ++named->waits;
    named->signalled = false;
  }
}

void CloseEvent(RawEvent event) noexcept {
  World().events.Close(HandleValue(event));
}

}  // namespace platform
