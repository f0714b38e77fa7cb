#pragma once

// What a test tells the double before it starts: a text of key=value lines
// (the file excel_double.settings beside the server on Windows, a string in
// host tests). Keys are compared without regard to case; values exactly,
// except member names, which are compared as Excel compares them.
//
//   Version=<text>         the Version property's text (default 12.0)
//   Version=#ERROR         Version answers an error value (VT_ERROR)
//   fail=<Member>          every call of that member fails (DISP_E_EXCEPTION)
//   fail.open=<file name>  Workbooks.Open of exactly that name fails
//   fail.run=<macro name>  Application.Run of exactly that macro fails
//   hwnd=<decimal>         HWND answers this number, not the real handle
//   window=none            no XLMAIN window is made
//   create=<8 hex digits>  creating the Application object fails with this
//                          HRESULT (as when Excel cannot start for the user)
//   busy.calls=<N>         the first N calls (GetIDsOfNames and Invoke
//                          alike, of any object) are rejected as a busy
//                          Excel rejects them: RPC_E_SERVERCALL_RETRYLATER,
//                          not carried out, journalled as rejected
//   busy.after=<K>         the N busy calls are those after the first K
//                          served (default 0), as when Excel turns busy
//                          while it loads the add-in it was asked to open
//   busy.ms=<T>            so is every call in the first T milliseconds
//                          since the server started
//
// fail, fail.open and fail.run may be given more than once. Empty lines are
// skipped; a line ending in CR counts without it.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace excel_double {

inline constexpr char kVersionErrorMarker[] = "#ERROR";

struct DoubleSettings {
  std::string version = "12.0";
  bool versionIsError = false;
  std::vector<std::string> failingMembers;
  std::vector<std::string> failingOpens;
  std::vector<std::string> failingMacros;
  std::optional<std::int32_t> reportedWindow;
  bool makesWindow = true;
  std::optional<std::uint32_t> creationFailure;
  std::uint32_t busyCalls = 0;
  std::uint32_t busyAfter = 0;
  std::uint32_t busyMilliseconds = 0;
  // Lines that are no setting (unknown key, no '=', a value that does not
  // fit its key), as written; the server journals each of them.
  std::vector<std::string> ignoredLines;

  bool MemberFails(std::string_view member) const;
  bool OpenFails(std::string_view fileName) const;
  bool MacroFails(std::string_view macro) const;
};

// Never fails: whatever is not understood lands in `ignoredLines`.
DoubleSettings ParseSettings(std::string_view text);

}  // namespace excel_double
