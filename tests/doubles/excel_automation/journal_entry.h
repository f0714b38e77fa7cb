#pragma once

// The journal's entries, one line each, fields separated by tabs. The
// Windows server writes each line as "<ms>\t<pid>\t<entry>" (milliseconds
// since the Unix epoch, wall clock, and the server's process id: a server
// serves one client, so two clients' servers share the journal); the host
// keeps the entries without those fields.
//
//   names\t<Object>\t<Name>[,<Name>...]\tlcid=<n>
//   rejected\tnames\t<Object>\t<Name>[,<Name>...]\thr=0x8001010A
//   rejected\tinvoke\t<Object>\t<Member>\thr=0x8001010A
//         a call the busy server rejected, unexecuted (busy.calls, busy.ms)
//   invoke\t<Object>\t<Member>\tflags=<n>\tlcid=<n>\tiid=<null|other>
//         \tnamed=<DISPIDs, comma-separated>\thr=0x<8 upper hex>[\t<arg>...]
//   foreground\t<yes|no>
//   window\t<handle, decimal>
//   setting-ignored\t<line>
//   create-refused\thr=0x<8 upper hex>
//   exit
//
// Arguments follow in rgvarg order (the caller's last argument first), each
// BSTR:<UTF-8 text>, BOOL:<-1|0>, I4:<n>, EMPTY or VT<n> for anything else.
// Text is escaped by EscapeForJournal.

#include <span>
#include <string>
#include <string_view>

#include "platform/com_types.h"
#include "platform/windows_ui.h"

namespace excel_double {

// One Invoke as the object saw it, with the result it gives back.
struct InvokeRecord {
  std::string_view object;
  std::string_view member;
  WORD flags = 0;
  LCID lcid = 0;
  bool iidIsNull = true;
  const DISPPARAMS* params = nullptr;  // may be null
  HRESULT result = S_OK;
};

std::string NamesEntry(std::string_view object, std::span<const LPOLESTR> names,
                       LCID lcid);
std::string InvokeEntry(const InvokeRecord& invoke);
// A GetIDsOfNames ("names", its names) or an Invoke ("invoke", the member's
// name or #<DISPID>) that was rejected with `result`.
std::string RejectedNamesEntry(std::string_view object,
                               std::span<const LPOLESTR> names, HRESULT result);
std::string RejectedInvokeEntry(std::string_view object,
                                std::string_view member, HRESULT result);
std::string ArgumentText(const VARIANT& argument);
std::string ForegroundEntry(bool isForeground);
std::string WindowEntry(platform::WindowHandle window);
std::string SettingIgnoredEntry(std::string_view line);
std::string CreationRefusedEntry(HRESULT result);
std::string ExitEntry();

}  // namespace excel_double
