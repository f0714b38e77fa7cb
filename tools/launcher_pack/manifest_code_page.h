#pragma once

// The launcher's manifest makes its process's ANSI code page UTF-8. A vendor
// whose runtime module cannot take UTF-8 from the "A" functions packs with
// --ansi-code-page system, and the manifest loses that declaration.

#include <optional>
#include <string>
#include <string_view>

// The manifest without the block that declares the UTF-8 code page, as the
// launcher's own manifest writes it; the manifest as it is when it declares
// no such thing; nothing when it declares it in some other form, which is
// not taken apart blindly: a manifest Windows cannot parse stops the start.
std::optional<std::string> WithoutUtf8CodePage(std::string_view manifest);
