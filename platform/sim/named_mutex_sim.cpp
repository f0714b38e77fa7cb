#include "platform/named_mutex.h"
#include "platform/sim/sim_world.h"

namespace platform {

namespace {

sim::World& World() { return sim::TheWorld(); }

std::uintptr_t HandleValue(RawMutex mutex) {
  return reinterpret_cast<std::uintptr_t>(mutex);
}

sim::World::NamedMutex* FindMutex(RawMutex mutex) {
  return World().mutexes.Find(HandleValue(mutex));
}

}  // namespace

RawMutex CreateNamedMutex(const std::string& name) {
  if (World().faults.ShouldFail("CreateNamedMutex")) return nullptr;
  return reinterpret_cast<RawMutex>(World().mutexes.Open(name));
}

MutexWait WaitForMutex(RawMutex mutex, std::uint32_t milliseconds) {
  if (World().faults.ShouldFail("WaitForMutex")) return MutexWait::kFailed;
  sim::World::NamedMutex* named = FindMutex(mutex);
  if (named == nullptr) return MutexWait::kFailed;
  ++named->waits;
  named->lastWaitMilliseconds = milliseconds;
  if (World().whileWaitingForMutex) World().whileWaitingForMutex();
  if (named->heldElsewhere && !named->abandoned) return MutexWait::kTimedOut;
  const bool abandoned = named->heldElsewhere;
  named->heldElsewhere = false;
  named->abandoned = false;
  ++named->ownerships;
  return abandoned ? MutexWait::kAcquiredAbandoned : MutexWait::kAcquired;
}

void ReleaseMutex(RawMutex mutex) {
  World().faults.Note("ReleaseMutex");
  if (sim::World::NamedMutex* named = FindMutex(mutex);
      named != nullptr && named->ownerships > 0) {
    --named->ownerships;
  }
}

void CloseMutex(RawMutex mutex) noexcept {
  World().mutexes.Close(HandleValue(mutex));
}

}  // namespace platform
