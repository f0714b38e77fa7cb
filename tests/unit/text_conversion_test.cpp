#include "automation/text_conversion.h"

#include <string>

#include "automation/com_error.h"
#include "platform/text.h"
#include "tests/support/fake_dispatch.h"
#include "tests/support/sim_test.h"

namespace {

using automation::_com_error;
using automation::BstrToNarrow;
using automation::NarrowToBstr;

constexpr DWORD kErrorNotEnoughMemory = 8;
constexpr HRESULT kNotEnoughMemoryResult = static_cast<HRESULT>(0x80070008);

class TextConversionTest : public SimTest {
 protected:
  // The HRESULT that `convert` raises; S_OK when it raises nothing.
  template <typename Conversion>
  HRESULT RaisedBy(Conversion convert) {
    try {
      convert();
    } catch (const _com_error& error) {
      return error.Error();
    }
    return S_OK;
  }
};

// A text of `length` characters that is not one repeated character, so a
// shifted or truncated copy shows.
std::string Pattern(std::size_t length) {
  std::string text(length, ' ');
  for (std::size_t i = 0; i < length; ++i) {
    text[i] = static_cast<char>('a' + i % 26);
  }
  return text;
}

TEST_F(TextConversionTest, NullStaysNullAndEmptyGivesAnEmptyString) {
  EXPECT_EQ(NarrowToBstr(nullptr), nullptr);
  EXPECT_EQ(BstrToNarrow(nullptr), nullptr);
  BSTR empty = NarrowToBstr("");
  ASSERT_NE(empty, nullptr);
  EXPECT_EQ(SysStringLen(empty), 0u);
  EXPECT_STREQ(BstrToNarrow(empty).get(), "");
  SysFreeString(empty);
}

TEST_F(TextConversionTest, ConvertsThroughTheAnsiCodePage) {
  BSTR wide = NarrowToBstr("Caf\xE9 \x80 10");
  EXPECT_EQ(WideText(wide), u"Caf\u00E9 \u20AC 10");
  EXPECT_STREQ(BstrToNarrow(wide).get(), "Caf\xE9 \x80 10");
  SysFreeString(wide);

  // Narrow text ends at the first zero character, whatever the BSTR holds.
  BSTR embedded = SysAllocStringLen(u"ab\0cd", 5);
  EXPECT_STREQ(BstrToNarrow(embedded).get(), "ab");
  SysFreeString(embedded);
}

// A launcher whose process code page is UTF-8 hands Excel any path whole:
// Cyrillic, a kanji, and a character beyond U+FFFF (a surrogate pair).
TEST_F(TextConversionTest, ConvertsThroughAUtf8ProcessCodePage) {
  world().processCodePage = platform::kUtf8CodePage;
  const char* narrow = "C:\\\xD0\x91\xD1\x8E\\\xE9\xA2\x84\xF0\x9F\x93\x8A.xlam";
  BSTR wide = NarrowToBstr(narrow);
  EXPECT_EQ(WideText(wide), u"C:\\\u0411\u044E\\\u9884\U0001F4CA.xlam");
  EXPECT_STREQ(BstrToNarrow(wide).get(), narrow);
  SysFreeString(wide);
}

TEST_F(TextConversionTest, LongTextsConvertOnBothSidesOfTheScratchLimit) {
  // 4095 wide characters with the terminating zero still fit the stack
  // scratch buffer; 4096 and more go through the heap.
  for (std::size_t length : {4094u, 4095u, 5000u}) {
    SCOPED_TRACE(length);
    const std::string text = Pattern(length);
    BSTR wide = NarrowToBstr(text.c_str());
    ASSERT_EQ(SysStringLen(wide), length);
    EXPECT_EQ(WideText(wide), std::u16string(text.begin(), text.end()));
    EXPECT_EQ(BstrToNarrow(wide).get(), text);
    SysFreeString(wide);
  }
}

TEST_F(TextConversionTest, FailuresRaiseTheMappedLastError) {
  const std::string longText = Pattern(5000);
  for (int nth : {1, 2}) {
    SCOPED_TRACE(nth);
    // The second call converts into the heap scratch, which must not leak.
    world().faults.FailCall("MultiByteToWideChar", nth, kErrorNotEnoughMemory);
    EXPECT_EQ(RaisedBy([&] { SysFreeString(NarrowToBstr(longText.c_str())); }),
              kNotEnoughMemoryResult);
    world().faults.FailCall("WideCharToMultiByte", nth, kErrorNotEnoughMemory);
    EXPECT_EQ(RaisedBy([] { BstrToNarrow(u"text"); }), kNotEnoughMemoryResult);
  }
  world().faults.FailCall("SysAllocString", 1);
  EXPECT_EQ(RaisedBy([&] { SysFreeString(NarrowToBstr(longText.c_str())); }),
            E_OUTOFMEMORY);
}

TEST(ComErrorTest, Win32CodesMapAsHresultFromWin32Does) {
  EXPECT_EQ(automation::HresultFromWin32(0), S_OK);
  EXPECT_EQ(automation::HresultFromWin32(5), static_cast<HRESULT>(0x80070005));
  EXPECT_EQ(automation::HresultFromWin32(0x12345),
            static_cast<HRESULT>(0x80072345));
  EXPECT_EQ(automation::HresultFromWin32(0x80004005), E_FAIL);
}

// An error-information object that only counts its references.
class CountedErrorInfo final : public IErrorInfo {
 public:
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void**) override {
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++references; }
  ULONG STDMETHODCALLTYPE Release() override { return --references; }
  ULONG references = 1;
};

TEST(ComErrorTest, CopiesShareTheErrorInfoByReference) {
  CountedErrorInfo info;
  {
    const _com_error original(E_FAIL, &info);  // takes the one reference
    _com_error copy = original;
    EXPECT_EQ(info.references, 2u);
    EXPECT_EQ(copy.Error(), E_FAIL);
    IErrorInfo* given = copy.ErrorInfo();
    EXPECT_EQ(given, &info);
    given->Release();
    _com_error assigned(S_OK);
    assigned = copy;
    EXPECT_EQ(info.references, 3u);
  }
  EXPECT_EQ(info.references, 0u);
  EXPECT_EQ(_com_error(E_FAIL).ErrorInfo(), nullptr);
}

}  // namespace
