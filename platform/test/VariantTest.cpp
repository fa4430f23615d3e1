#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "platform/Variant.h"

using namespace platform;

TEST(Variant, KeepsEachKindAndRefusesTheOthers) {
    const std::string bytes("A\0\xFF", 3);
    const std::vector<std::uint8_t> array = {0x41, 0x00, 0xFF};
    EXPECT_EQ(Variant().vt(), VT_EMPTY);
    EXPECT_EQ(Variant::I2(-5).vt(), VT_I2);
    EXPECT_EQ(Variant::I4(70000).vt(), VT_I4);
    EXPECT_EQ(Variant::Bool(true).vt(), VT_BOOL);
    EXPECT_EQ(Variant::BStr(bytes).vt(), VT_BSTR);
    EXPECT_EQ(Variant::ByteArray(array).vt(), VT_ARRAY | VT_UI1);

    std::int16_t i2 = 0;
    std::int32_t i4 = 0;
    VARIANT_BOOL b = 1;
    std::string s;
    std::vector<std::uint8_t> a;
    EXPECT_EQ(Variant::I2(-5).GetI2(i2), S_OK);
    EXPECT_EQ(i2, -5);
    EXPECT_EQ(Variant::I4(70000).GetI4(i4), S_OK);
    EXPECT_EQ(i4, 70000);
    EXPECT_EQ(Variant::Bool(true).GetBool(b), S_OK);
    EXPECT_EQ(b, VARIANT_TRUE);
    EXPECT_EQ(Variant::Bool(false).GetBool(b), S_OK);
    EXPECT_EQ(b, VARIANT_FALSE);
    EXPECT_EQ(Variant::BStr(bytes).GetBStr(s), S_OK);
    EXPECT_EQ(s, bytes);  // zeros and high bytes survive
    EXPECT_EQ(Variant::ByteArray(array).GetByteArray(a), S_OK);
    EXPECT_EQ(a, array);

    // The exact getters never coerce and leave the output alone.
    i4 = 7;
    EXPECT_EQ(Variant::I2(1).GetI4(i4), DISP_E_TYPEMISMATCH);
    EXPECT_EQ(i4, 7);
    EXPECT_EQ(Variant::BStr("1").GetI2(i2), DISP_E_TYPEMISMATCH);
    EXPECT_EQ(Variant::I4(1).GetBool(b), DISP_E_TYPEMISMATCH);
    EXPECT_EQ(Variant::ByteArray(array).GetBStr(s), DISP_E_TYPEMISMATCH);
    EXPECT_EQ(Variant::BStr("x").GetByteArray(a), DISP_E_TYPEMISMATCH);
    EXPECT_EQ(s, bytes);
}

TEST(Variant, CoercesAsADispatchCallDoes) {
    struct Case {
        const char* what;
        Variant from;
        VARTYPE to;
        HRESULT hr;
        Variant expected;
    };
    const Case cases[] = {
        {"I2 to I4", Variant::I2(-2), VT_I4, S_OK, Variant::I4(-2)},
        {"I4 to I2", Variant::I4(32767), VT_I2, S_OK, Variant::I2(32767)},
        {"I4 to I2 low edge", Variant::I4(-32768), VT_I2, S_OK, Variant::I2(-32768)},
        {"I4 too big for I2", Variant::I4(32768), VT_I2, DISP_E_OVERFLOW, {}},
        {"I4 too small for I2", Variant::I4(-32769), VT_I2, DISP_E_OVERFLOW, {}},
        {"I4 2 to BOOL", Variant::I4(2), VT_BOOL, S_OK, Variant::Bool(true)},
        {"I4 0 to BOOL", Variant::I4(0), VT_BOOL, S_OK, Variant::Bool(false)},
        {"I2 -1 to BOOL", Variant::I2(-1), VT_BOOL, S_OK, Variant::Bool(true)},
        {"BOOL true to I4", Variant::Bool(true), VT_I4, S_OK, Variant::I4(-1)},
        {"BOOL true to I2", Variant::Bool(true), VT_I2, S_OK, Variant::I2(-1)},
        {"BOOL false to I4", Variant::Bool(false), VT_I4, S_OK, Variant::I4(0)},
        {"empty to I4", Variant(), VT_I4, S_OK, Variant::I4(0)},
        {"empty to BOOL", Variant(), VT_BOOL, S_OK, Variant::Bool(false)},
        {"empty to BSTR", Variant(), VT_BSTR, S_OK, Variant::BStr("")},
        {"BSTR to BSTR", Variant::BStr(std::string("a\0b", 3)), VT_BSTR, S_OK,
         Variant::BStr(std::string("a\0b", 3))},
        {"BSTR to I4", Variant::BStr("12"), VT_I4, DISP_E_TYPEMISMATCH, {}},
        {"BSTR to BOOL", Variant::BStr("1"), VT_BOOL, DISP_E_TYPEMISMATCH, {}},
        {"I4 to BSTR", Variant::I4(1), VT_BSTR, DISP_E_TYPEMISMATCH, {}},
        {"array to BSTR", Variant::ByteArray({1}), VT_BSTR, DISP_E_TYPEMISMATCH, {}},
        {"array to array", Variant::ByteArray({1, 0}), VT_ARRAY | VT_UI1, S_OK,
         Variant::ByteArray({1, 0})},
        {"I4 to array", Variant::I4(1), VT_ARRAY | VT_UI1, DISP_E_TYPEMISMATCH, {}},
        {"empty to array", Variant(), VT_ARRAY | VT_UI1, DISP_E_TYPEMISMATCH, {}},
        {"unknown target", Variant::I4(1), VT_UI1, DISP_E_BADVARTYPE, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Variant out = Variant::BStr("untouched");
        EXPECT_EQ(c.from.ChangeType(c.to, out), c.hr);
        EXPECT_EQ(out, SUCCEEDED(c.hr) ? c.expected : Variant::BStr("untouched"));
    }
}

TEST(Variant, AReferenceIsFollowedAndFilledInPlace) {
    Variant target = Variant::I2(9);
    const Variant ref = Variant::ByRef(target);
    EXPECT_EQ(ref.vt(), VT_BYREF | VT_VARIANT);
    ASSERT_EQ(ref.Referenced(), &target);
    std::int32_t n = 0;
    EXPECT_EQ(ref.ToI4(n), S_OK);
    EXPECT_EQ(n, 9);

    // A callee fills an out argument through the reference it was given.
    *ref.Referenced() = Variant::ByteArray({0x41, 0x00});
    std::vector<std::uint8_t> bytes;
    EXPECT_EQ(target.GetByteArray(bytes), S_OK);
    EXPECT_EQ(bytes, (std::vector<std::uint8_t>{0x41, 0x00}));

    // Clearing the reference leaves the referenced value alone.
    Variant copy = ref;
    copy.Clear();
    EXPECT_TRUE(copy.IsEmpty());
    EXPECT_EQ(target.vt(), VT_ARRAY | VT_UI1);
    EXPECT_EQ(Variant::I4(1).Referenced(), nullptr);

    // A reference to a reference is not followed twice.
    Variant inner = Variant::ByRef(target);
    EXPECT_EQ(Variant::ByRef(inner).ToI4(n), DISP_E_TYPEMISMATCH);

    // The typed coercions.
    bool flag = false;
    std::string text;
    std::int16_t small = 0;
    EXPECT_EQ(Variant::I4(5).ToBool(flag), S_OK);
    EXPECT_TRUE(flag);
    EXPECT_EQ(Variant::I4(40000).ToI2(small), DISP_E_OVERFLOW);
    EXPECT_EQ(small, 0);
    EXPECT_EQ(Variant::BStr("abc").ToBStr(text), S_OK);
    EXPECT_EQ(text, "abc");
}
