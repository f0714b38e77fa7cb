// The simulated oleaut32/ole32/kernel32 calls that the automation layer
// runs over on the host: they must behave as Windows does, or the layer's
// tests prove nothing.

#include <cstring>
#include <string>

#include "tests/support/fake_dispatch.h"
#include "tests/support/sim_test.h"

namespace {

constexpr DWORD kErrorInsufficientBuffer = 122;

class OleAutSimTest : public SimTest {};

TEST_F(OleAutSimTest, BstrKeepsItsByteLengthAndEndsInAZeroCharacter) {
  BSTR odd = SysAllocStringByteLen("a\0b", 3);
  ASSERT_NE(odd, nullptr);
  EXPECT_EQ(SysStringByteLen(odd), 3u);
  EXPECT_EQ(SysStringLen(odd), 1u);
  const auto* bytes = reinterpret_cast<const unsigned char*>(odd);
  EXPECT_EQ(std::memcmp(bytes, "a\0b\0\0\0", 6), 0);
  SysFreeString(odd);

  BSTR embedded = SysAllocStringLen(u"ab\0cd", 5);
  EXPECT_EQ(WideText(embedded), std::u16string(u"ab\0cd", 5));
  EXPECT_EQ(embedded[5], 0);
  SysFreeString(embedded);

  BSTR empty = SysAllocString(u"");
  ASSERT_NE(empty, nullptr);
  EXPECT_EQ(SysStringLen(empty), 0u);
  SysFreeString(empty);

  EXPECT_EQ(SysAllocString(nullptr), nullptr);
  EXPECT_EQ(SysStringByteLen(nullptr), 0u);
  SysFreeString(nullptr);
}

TEST_F(OleAutSimTest, CopyOwnsItsStringAndItsReference) {
  FakeDispatch object;
  VARIANT text;
  VariantInit(&text);
  text.vt = VT_BSTR;
  text.bstrVal = SysAllocStringByteLen("x\0y", 3);

  VARIANT copy;
  VariantInit(&copy);
  ASSERT_EQ(VariantCopy(&copy, &text), S_OK);
  EXPECT_NE(copy.bstrVal, text.bstrVal);
  EXPECT_EQ(SysStringByteLen(copy.bstrVal), 3u);
  EXPECT_EQ(std::memcmp(copy.bstrVal, "x\0y", 3), 0);

  VARIANT dispatch;
  VariantInit(&dispatch);
  dispatch.vt = VT_DISPATCH;
  dispatch.pdispVal = &object;
  object.AddRef();
  // The destination's string is freed before the object is copied in.
  ASSERT_EQ(VariantCopy(&copy, &dispatch), S_OK);
  EXPECT_EQ(object.References(), 2u);

  EXPECT_EQ(VariantClear(&copy), S_OK);
  EXPECT_EQ(copy.vt, VT_EMPTY);
  EXPECT_EQ(object.References(), 1u);
  EXPECT_EQ(VariantClear(&dispatch), S_OK);
  EXPECT_EQ(object.References(), 0u);
  EXPECT_EQ(VariantClear(&text), S_OK);
}

TEST_F(OleAutSimTest, ArraysItCannotOwnAreRefused) {
  int notAnArray = 0;
  VARIANT array;
  array.vt = VT_ARRAY | VT_VARIANT;
  array.byref = &notAnArray;
  VARIANT copy;
  VariantInit(&copy);
  EXPECT_EQ(VariantCopy(&copy, &array), DISP_E_BADVARTYPE);
  EXPECT_EQ(VariantClear(&array), DISP_E_BADVARTYPE);

  // A reference owns nothing and clears without being followed.
  VARIANT reference;
  reference.vt = VT_BYREF | VT_BSTR;
  reference.byref = &notAnArray;
  EXPECT_EQ(VariantClear(&reference), S_OK);
  EXPECT_EQ(reference.vt, VT_EMPTY);
}

struct TextRow {
  VARTYPE type;
  LONG integer;
  double real;
  const char16_t* text;
};

TEST_F(OleAutSimTest, ChangesValuesToText) {
  const TextRow rows[] = {
      {VT_I2, -7, 0, u"-7"},
      {VT_I4, 2147483647, 0, u"2147483647"},
      {VT_R8, 0, 1.5, u"1.5"},
      {VT_R8, 0, 1e20, u"1E+20"},
      {VT_R8, 0, 0.1, u"0.1"},
      {VT_BOOL, VARIANT_TRUE, 0, u"-1"},
      {VT_BOOL, VARIANT_FALSE, 0, u"0"},
      {VT_EMPTY, 0, 0, u""},
  };
  for (const TextRow& row : rows) {
    VARIANT source;
    source.vt = row.type;
    if (row.type == VT_R8) {
      source.dblVal = row.real;
    } else if (row.type == VT_I2 || row.type == VT_BOOL) {
      source.iVal = static_cast<SHORT>(row.integer);
    } else {
      source.lVal = row.integer;
    }
    VARIANT text;
    VariantInit(&text);
    ASSERT_EQ(VariantChangeType(&text, &source, 0, VT_BSTR), S_OK);
    EXPECT_EQ(text.vt, VT_BSTR);
    EXPECT_EQ(WideText(text.bstrVal), row.text);
    VariantClear(&text);
  }
  for (VARTYPE refused : {VT_ERROR, VT_NULL}) {
    VARIANT source;
    source.vt = refused;
    source.scode = DISP_E_MEMBERNOTFOUND;
    VARIANT text;
    VariantInit(&text);
    EXPECT_EQ(VariantChangeType(&text, &source, 0, VT_BSTR),
              DISP_E_TYPEMISMATCH);
    EXPECT_EQ(text.vt, VT_EMPTY);
  }
}

struct LongRow {
  VARIANT source;
  HRESULT result;
  LONG value;
};

VARIANT Real(double value) {
  VARIANT result;
  result.vt = VT_R8;
  result.dblVal = value;
  return result;
}

TEST_F(OleAutSimTest, ChangesValuesToLongRoundingHalvesToEven) {
  VARIANT truth;
  truth.vt = VT_BOOL;
  truth.boolVal = VARIANT_TRUE;
  VARIANT small;
  small.vt = VT_I2;
  small.iVal = -300;
  const LongRow rows[] = {
      {Real(2.5), S_OK, 2},
      {Real(3.5), S_OK, 4},
      {Real(-2.5), S_OK, -2},
      {Real(2.6), S_OK, 3},
      {Real(-2147483648.5), S_OK, -2147483647 - 1},
      {Real(2147483647.5), DISP_E_OVERFLOW, 0},
      {truth, S_OK, -1},
      {small, S_OK, -300},
  };
  for (const LongRow& row : rows) {
    SCOPED_TRACE(&row - rows);
    VARIANT number;
    VariantInit(&number);
    EXPECT_EQ(VariantChangeType(&number, &row.source, 0, VT_I4), row.result);
    if (SUCCEEDED(row.result)) {
      EXPECT_EQ(number.vt, VT_I4);
      EXPECT_EQ(number.lVal, row.value);
    }
  }
}

TEST_F(OleAutSimTest, ChangesTextToLongInPlace) {
  const struct {
    const char16_t* text;
    HRESULT result;
    LONG value;
  } rows[] = {
      {u" 42 ", S_OK, 42},
      {u"-17", S_OK, -17},
      {u"4x", DISP_E_TYPEMISMATCH, 0},
      {u"", DISP_E_TYPEMISMATCH, 0},
      {u"2147483648", DISP_E_OVERFLOW, 0},
      {u"99999999999999999999", DISP_E_OVERFLOW, 0},
  };
  for (const auto& row : rows) {
    VARIANT value;
    value.vt = VT_BSTR;
    value.bstrVal = SysAllocString(row.text);
    // Source and destination are the same VARIANT: on success its string
    // is freed, on failure it is kept.
    EXPECT_EQ(VariantChangeType(&value, &value, 0, VT_I4), row.result);
    if (SUCCEEDED(row.result)) {
      EXPECT_EQ(value.vt, VT_I4);
      EXPECT_EQ(value.lVal, row.value);
    } else {
      EXPECT_EQ(value.vt, VT_BSTR);
      EXPECT_EQ(WideText(value.bstrVal), row.text);
    }
    VariantClear(&value);
  }
}

TEST_F(OleAutSimTest, AnsiCodePageIsWindows1252BothWays) {
  char bytes[256];
  for (int i = 0; i < 255; ++i) bytes[i] = static_cast<char>(i + 1);
  bytes[255] = '\0';
  WCHAR wide[256];
  ASSERT_EQ(MultiByteToWideChar(CP_ACP, 0, bytes, -1, wide, 256), 256);
  EXPECT_EQ(wide[0x80 - 1], 0x20AC);  // the euro sign
  EXPECT_EQ(wide[0x81 - 1], 0x0081);  // undefined: the same code point
  EXPECT_EQ(wide[0x9F - 1], 0x0178);
  EXPECT_EQ(wide[0xE9 - 1], 0x00E9);
  EXPECT_EQ(wide[255], 0);

  char back[256];
  BOOL usedDefault = 1;
  ASSERT_EQ(WideCharToMultiByte(CP_ACP, 0, wide, -1, back, 256, nullptr,
                                &usedDefault),
            256);
  EXPECT_EQ(std::memcmp(back, bytes, 256), 0);
  EXPECT_FALSE(usedDefault);

  const WCHAR foreign[] = {u'A', 0x4E00, 0x0080, 0};
  EXPECT_EQ(WideCharToMultiByte(CP_ACP, 0, foreign, -1, back, 256, nullptr,
                                &usedDefault),
            4);
  EXPECT_STREQ(back, "A??");
  EXPECT_TRUE(usedDefault);
}

TEST_F(OleAutSimTest, ConversionsFollowWindowsLengthRules) {
  WCHAR wide[8];
  EXPECT_EQ(MultiByteToWideChar(CP_ACP, 0, "abc", -1, nullptr, 0), 4);
  EXPECT_EQ(MultiByteToWideChar(CP_ACP, 0, "abc", 3, nullptr, 0), 3);
  SetLastError(0);
  EXPECT_EQ(MultiByteToWideChar(CP_ACP, 0, "abc", -1, wide, 3), 0);
  EXPECT_EQ(GetLastError(), kErrorInsufficientBuffer);

  char text[8];
  EXPECT_EQ(
      WideCharToMultiByte(CP_ACP, 0, u"abc", -1, nullptr, 0, nullptr, nullptr),
      4);
  SetLastError(0);
  EXPECT_EQ(
      WideCharToMultiByte(CP_ACP, 0, u"abc", -1, text, 2, nullptr, nullptr), 0);
  EXPECT_EQ(GetLastError(), kErrorInsufficientBuffer);

  world().faults.FailCall("MultiByteToWideChar", 1, 8);
  EXPECT_EQ(MultiByteToWideChar(CP_ACP, 0, "abc", -1, wide, 8), 0);
  EXPECT_EQ(GetLastError(), 8u);
}

TEST_F(OleAutSimTest, ProgIdsIgnoreCaseAndClassesRecordTheirContext) {
  const CLSID clsid = {0x12345678, 0x1234, 0x5678, {1, 2, 3, 4, 5, 6, 7, 8}};
  world().progIds[u"Excel.Application"] = clsid;
  CLSID found{};
  EXPECT_EQ(CLSIDFromProgID(u"EXCEL.application", &found), S_OK);
  EXPECT_TRUE(found == clsid);
  EXPECT_EQ(CLSIDFromProgID(u"Excel.Applicatio", &found), CO_E_CLASSSTRING);

  void* object = &found;
  EXPECT_EQ(CoCreateInstance(clsid, nullptr, CLSCTX_LOCAL_SERVER, IID_IDispatch,
                             &object),
            REGDB_E_CLASSNOTREG);
  EXPECT_EQ(object, nullptr);
  EXPECT_EQ(world().lastComClassContext, CLSCTX_LOCAL_SERVER);

  FakeDispatch server;
  world().comClasses.push_back({clsid, [&](REFIID iid, void** made) {
                                  return server.QueryInterface(iid, made);
                                }});
  ASSERT_EQ(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER,
                             IID_IDispatch, &object),
            S_OK);
  EXPECT_EQ(object, static_cast<IDispatch*>(&server));
  EXPECT_EQ(world().lastComClassContext, CLSCTX_INPROC_SERVER);
  server.Release();
}

}  // namespace
