#include "tests/doubles/excel_automation/journal_entry.h"

#include <cstdio>

#include "tests/doubles/excel_automation/ole_text.h"

namespace excel_double {
namespace {

std::string HexResult(HRESULT result) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%08X",
                static_cast<unsigned>(static_cast<std::uint32_t>(result)));
  return text;
}

std::string NamedArguments(const DISPPARAMS* params) {
  std::string named;
  if (params == nullptr || params->rgdispidNamedArgs == nullptr) return named;
  for (UINT i = 0; i < params->cNamedArgs; ++i) {
    if (i > 0) named += ',';
    named += std::to_string(params->rgdispidNamedArgs[i]);
  }
  return named;
}

std::string JoinedNames(std::span<const LPOLESTR> names) {
  std::string joined;
  for (std::size_t i = 0; i < names.size(); ++i) {
    if (i > 0) joined += ',';
    joined += EscapeForJournal(Utf8FromName(names[i]));
  }
  return joined;
}

}  // namespace

std::string NamesEntry(std::string_view object, std::span<const LPOLESTR> names,
                       LCID lcid) {
  std::string entry = "names\t";
  entry += object;
  entry += '\t';
  entry += JoinedNames(names);
  entry += "\tlcid=" + std::to_string(lcid);
  return entry;
}

std::string RejectedNamesEntry(std::string_view object,
                               std::span<const LPOLESTR> names,
                               HRESULT result) {
  std::string entry = "rejected\tnames\t";
  entry += object;
  entry += '\t';
  entry += JoinedNames(names);
  entry += "\thr=" + HexResult(result);
  return entry;
}

std::string RejectedInvokeEntry(std::string_view object,
                                std::string_view member, HRESULT result) {
  std::string entry = "rejected\tinvoke\t";
  entry += object;
  entry += '\t';
  entry += member;
  entry += "\thr=" + HexResult(result);
  return entry;
}

std::string InvokeEntry(const InvokeRecord& invoke) {
  std::string entry = "invoke\t";
  entry += invoke.object;
  entry += '\t';
  entry += invoke.member;
  entry += "\tflags=" + std::to_string(invoke.flags);
  entry += "\tlcid=" + std::to_string(invoke.lcid);
  entry += invoke.iidIsNull ? "\tiid=null" : "\tiid=other";
  entry += "\tnamed=" + NamedArguments(invoke.params);
  entry += "\thr=" + HexResult(invoke.result);
  if (invoke.params != nullptr && invoke.params->rgvarg != nullptr) {
    for (UINT i = 0; i < invoke.params->cArgs; ++i) {
      entry += '\t';
      entry += ArgumentText(invoke.params->rgvarg[i]);
    }
  }
  return entry;
}

std::string ArgumentText(const VARIANT& argument) {
  switch (argument.vt) {
    case VT_BSTR:
      return "BSTR:" + EscapeForJournal(Utf8FromBstr(argument.bstrVal));
    case VT_BOOL:
      return "BOOL:" + std::to_string(argument.boolVal);
    case VT_I4:
      return "I4:" + std::to_string(argument.lVal);
    case VT_EMPTY:
      return "EMPTY";
    default:
      return "VT" + std::to_string(argument.vt);
  }
}

std::string ForegroundEntry(bool isForeground) {
  return isForeground ? "foreground\tyes" : "foreground\tno";
}

std::string WindowEntry(platform::WindowHandle window) {
  return "window\t" + std::to_string(window);
}

std::string SettingIgnoredEntry(std::string_view line) {
  return "setting-ignored\t" + EscapeForJournal(line);
}

std::string CreationRefusedEntry(HRESULT result) {
  char text[32];
  std::snprintf(text, sizeof text, "create-refused\thr=0x%08X",
                static_cast<unsigned>(result));
  return text;
}

std::string ExitEntry() { return "exit"; }

}  // namespace excel_double
