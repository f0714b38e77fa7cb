#pragma once

#include <utility>

namespace platform {

// One owner for every kind of operating-system handle. A Traits type names the
// raw handle type, the value that means "nothing held" and how to close it:
//
//   struct Traits {
//     using Raw = ...;
//     static constexpr Raw Empty() noexcept;
//     static void Close(Raw) noexcept;
//   };
//
// The holder is move-only, never converts implicitly, and closes what it holds
// exactly once: on destruction, on Reset, and before taking a new handle.
// Most handles are null when nothing is held: ClosedBy (below) is their
// Traits.
template <typename Traits>
class UniqueHandle {
 public:
  using Raw = typename Traits::Raw;

  UniqueHandle() noexcept = default;
  explicit UniqueHandle(Raw raw) noexcept : raw_(raw) {}
  UniqueHandle(UniqueHandle&& other) noexcept : raw_(other.Release()) {}
  UniqueHandle& operator=(UniqueHandle&& other) noexcept {
    if (this != &other) Reset(other.Release());
    return *this;
  }
  UniqueHandle(const UniqueHandle&) = delete;
  UniqueHandle& operator=(const UniqueHandle&) = delete;
  ~UniqueHandle() { Reset(); }

  Raw Get() const noexcept { return raw_; }
  bool IsValid() const noexcept { return raw_ != Traits::Empty(); }
  explicit operator bool() const noexcept { return IsValid(); }

  // Gives up ownership without closing.
  Raw Release() noexcept { return std::exchange(raw_, Traits::Empty()); }

  void Reset(Raw raw = Traits::Empty()) noexcept {
    Raw old = std::exchange(raw_, raw);
    if (old != Traits::Empty() && old != raw) Traits::Close(old);
  }

 private:
  Raw raw_ = Traits::Empty();
};

// The Traits of a handle of type `RawHandle` that is null when nothing is
// held and is closed by `close`, whose result (if any) is of no use at that
// point.
template <typename RawHandle, auto close>
struct ClosedBy {
  using Raw = RawHandle;
  static constexpr Raw Empty() noexcept { return nullptr; }
  static void Close(Raw raw) noexcept { close(raw); }
};

}  // namespace platform
