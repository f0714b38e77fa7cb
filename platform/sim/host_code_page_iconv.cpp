#include <iconv.h>

#include "platform/sim/host_code_page.h"
#include "platform/unique_handle.h"

namespace sim {

namespace {

struct IconvTraits {
  using Raw = iconv_t;
  static Raw Empty() noexcept { return reinterpret_cast<iconv_t>(-1); }
  static void Close(Raw converter) noexcept { iconv_close(converter); }
};
using UniqueIconv = platform::UniqueHandle<IconvTraits>;

// iconv knows the Windows code pages as "CP<n>".
std::string IconvName(std::uint32_t codePage) {
  return "CP" + std::to_string(codePage);
}

bool ConvertWithIconv(const std::string& to, const std::string& from,
                      std::string_view in, std::string& out) {
  const UniqueIconv converter(iconv_open(to.c_str(), from.c_str()));
  if (!converter) return false;
  out.assign(in.size() * 4 + 4, '\0');
  char* input = const_cast<char*>(in.data());
  std::size_t inputLeft = in.size();
  char* output = out.data();
  std::size_t outputLeft = out.size();
  const bool converted = iconv(converter.Get(), &input, &inputLeft, &output,
                               &outputLeft) != static_cast<std::size_t>(-1);
  out.resize(out.size() - outputLeft);
  return converted;
}

}  // namespace

bool HostDecode(std::uint32_t codePage, std::string_view text,
                std::u16string& wide) {
  std::string bytes;
  if (!ConvertWithIconv("UTF-16LE", IconvName(codePage), text, bytes)) {
    return false;
  }
  wide.assign(reinterpret_cast<const char16_t*>(bytes.data()),
              bytes.size() / 2);
  return true;
}

bool HostEncode(std::uint32_t codePage, std::u16string_view wide,
                std::string& text) {
  return ConvertWithIconv(
      IconvName(codePage), "UTF-16LE",
      {reinterpret_cast<const char*>(wide.data()), wide.size() * 2}, text);
}

}  // namespace sim
