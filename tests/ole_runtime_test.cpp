// The automation runtime: texts, BSTRs, VARIANTs, the error messages and the class registry.
#include "ole/Apartment.h"
#include "ole/ClassRegistry.h"
#include "ole/ComPtr.h"
#include "ole/Exceptions.h"
#include "ole/Variant.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

using ole::OleString;

namespace {

struct TextCase {
    const char* name;
    std::string utf8;
    OleString utf16;
};
void PrintTo(const TextCase& row, std::ostream* out) { *out << row.name; }

const TextCase kTexts[] = {
    {"Empty", "", u""},
    {"Ascii", "/tmp/a b.doc", u"/tmp/a b.doc"},
    {"Chinese", "/home/用户/文档 1.doc", u"/home/用户/文档 1.doc"},
    {"FullWidthPunctuation", "系统错误，请检查！", u"系统错误，请检查！"},
    {"OutsideBmp", "\xF0\x9F\x96\xA8 \xF0\xA0\x80\x80", u"\U0001F5A8 \U00020000"},
    {"EmbeddedZero", std::string("a\0b", 3), OleString(u"a\0b", 3)},
};

class TextConversion : public testing::TestWithParam<TextCase> {};

TEST_P(TextConversion, RoundTripsExactly) {
    EXPECT_EQ(ole::toOle(GetParam().utf8), GetParam().utf16);
    EXPECT_EQ(ole::toUtf8(GetParam().utf16), GetParam().utf8);
}

INSTANTIATE_TEST_SUITE_P(All, TextConversion, testing::ValuesIn(kTexts),
                         [](const auto& row) { return std::string(row.param.name); });

TEST(TextConversion, MalformedInputBecomesReplacementCharacters) {
    EXPECT_EQ(ole::toOle("a\xFF" "b"), u"a\uFFFDb");
    EXPECT_EQ(ole::toOle("\xE6\x96"), u"\uFFFD");          // a cut sequence
    EXPECT_EQ(ole::toOle("\xC0\xAF"), u"\uFFFD\uFFFD");    // an overlong '/': never a path separator
    EXPECT_EQ(ole::toOle("\xED\xA0\x80"), u"\uFFFD\uFFFD\uFFFD");  // an encoded surrogate
    EXPECT_EQ(ole::toUtf8(OleString(u"x") + char16_t(0xD800)), "x\xEF\xBF\xBD");
}

TEST(Bstr, EmptyTextIsAZeroLengthAllocationNotNull) {
    ole::Bstr empty("");
    ASSERT_NE(empty.get(), nullptr);
    EXPECT_EQ(SysStringLen(empty.get()), 0u);
    EXPECT_EQ(empty.get()[0], 0);
    EXPECT_EQ(SysStringLen(nullptr), 0u);
}

TEST(Bstr, LengthComesFromThePrefixSoEmbeddedZerosStay) {
    const OLECHAR text[] = {u'a', 0, u'b'};
    BSTR bstr = SysAllocStringLen(text, 3);
    EXPECT_EQ(SysStringLen(bstr), 3u);
    EXPECT_EQ(ole::toUtf8(bstr), std::string("a\0b", 3));
    EXPECT_EQ(bstr[3], 0);  // terminated as well
    SysFreeString(bstr);
}

// An object that only counts its references.
class Counted : public IUnknown {
public:
    virtual ~Counted() = default;
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void** object) override {
        *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++references; }
    ULONG STDMETHODCALLTYPE Release() override { return --references; }
    ULONG references = 1;
};

TEST(Variant, CopiesAddAndDestructionReleasesReferences) {
    Counted object;
    {
        ole::Variant held;
        V_VT(&held) = VT_UNKNOWN;
        V_UNKNOWN(&held) = &object;  // takes over the first reference
        {
            const ole::Variant copy = held;
            EXPECT_EQ(object.references, 2u);
        }
        EXPECT_EQ(object.references, 1u);
        ole::Variant moved = std::move(held);
        EXPECT_EQ(V_VT(&held), VT_EMPTY);
        EXPECT_EQ(object.references, 1u);
    }
    EXPECT_EQ(object.references, 0u);
}

TEST(Variant, TextAndBooleanValues) {
    const ole::Variant yes = ole::Variant::boolean(true), no = ole::Variant::boolean(false);
    EXPECT_EQ(V_VT(&yes), VT_BOOL);
    EXPECT_EQ(V_BOOL(&yes), -1);  // all sixteen bits, never 1
    EXPECT_EQ(V_BOOL(&no), 0);
    const ole::Variant text = ole::Variant::text("打印机");
    ASSERT_EQ(V_VT(&text), VT_BSTR);
    EXPECT_EQ(ole::OleStringView(V_BSTR(&text), SysStringLen(V_BSTR(&text))), u"打印机");
    const ole::Variant copy = text;
    EXPECT_NE(V_BSTR(&copy), V_BSTR(&text));  // a copy owns its own text
}

TEST(ComPtr, PutReleasesWhatWasHeldSoAnOutParameterCannotLeak) {
    Counted first, second;
    auto held = ole::ComPtr<IUnknown>::adopt(&first);
    IUnknown** slot = held.put();
    EXPECT_EQ(first.references, 0u);
    *slot = &second;
    held.reset();
    EXPECT_EQ(second.references, 0u);
}

struct MessageCase {
    const char* name;
    HRESULT code;
    const char* message;
};
void PrintTo(const MessageCase& row, std::ostream* out) { *out << row.name; }

const MessageCase kMessages[] = {
    {"ClassString", CO_E_CLASSSTRING, "Invalid class string"},
    {"Exception", DISP_E_EXCEPTION, "Exception occurred"},          // trailing full stop and CR LF go
    {"NotInitialised", CO_E_NOTINITIALIZED, "CoInitialize has not been called"},
    {"Unknown", static_cast<HRESULT>(0x80AB0001), "OLE error 80ab0001"},
    {"UnknownSmall", static_cast<HRESULT>(0x8000000A), "OLE error 8000000a"},
};

class OleMessage : public testing::TestWithParam<MessageCase> {};

TEST_P(OleMessage, IsTheSystemTextOrTheFallback) {
    const EOleSysError error(GetParam().code);
    EXPECT_EQ(error.message(), GetParam().message);
    EXPECT_EQ(error.errorCode(), GetParam().code);
    EXPECT_EQ(error.helpContext(), 0);
}

INSTANTIATE_TEST_SUITE_P(All, OleMessage, testing::ValuesIn(kMessages),
                         [](const auto& row) { return std::string(row.param.name); });

TEST(OleCheck, RaisesOnlyForFailures) {
    EXPECT_NO_THROW(ole::check(S_OK));
    EXPECT_NO_THROW(ole::check(S_FALSE));
    try {
        ole::check(E_FAIL);
        FAIL() << "no exception";
    } catch (const Exception& e) {  // caught as the common base, as the print run catches it
        EXPECT_EQ(dynamic_cast<const EOleSysError&>(e).errorCode(), E_FAIL);
    }
}

// ---- Class registry -------------------------------------------------------------------------------

const CLSID kFirst = {1, 2, 3, {4, 5, 6, 7, 8, 9, 10, 11}};
const CLSID kSecond = {2, 2, 3, {4, 5, 6, 7, 8, 9, 10, 11}};

TEST(ClassRegistry, UnknownProgIdIsAClassStringError) {
    CLSID clsid{};
    EXPECT_EQ(CLSIDFromProgID(u"Quirella.Nothing", &clsid), CO_E_CLASSSTRING);
}

TEST(ClassRegistry, NewerRegistrationHidesOlderUntilWithdrawn) {
    CLSID clsid{};
    auto first = ole::registerClass("Quirella.Test", kFirst, [](REFIID, void**) { return E_FAIL; });
    {
        auto second = ole::registerClass("Quirella.Test", kSecond, [](REFIID, void**) { return E_FAIL; });
        ASSERT_EQ(CLSIDFromProgID(u"Quirella.Test", &clsid), S_OK);
        EXPECT_EQ(clsid, kSecond);
    }
    ASSERT_EQ(CLSIDFromProgID(u"Quirella.Test", &clsid), S_OK);
    EXPECT_EQ(clsid, kFirst);
    first = {};
    EXPECT_EQ(CLSIDFromProgID(u"Quirella.Test", &clsid), CO_E_CLASSSTRING);
}

TEST(ClassRegistry, CreationNeedsAnApartmentAndAKnownClass) {
    Counted object;
    auto registration = ole::registerClass("Quirella.Test", kFirst, [&](REFIID, void** out) {
        object.AddRef();
        *out = &object;
        return S_OK;
    });
    void* created = reinterpret_cast<void*>(1);
    EXPECT_EQ(CoCreateInstance(kFirst, nullptr, CLSCTX_INPROC_SERVER | CLSCTX_LOCAL_SERVER, IID_IUnknown, &created),
              CO_E_NOTINITIALIZED);
    EXPECT_EQ(created, nullptr);
    const ole::Apartment apartment;
    ASSERT_TRUE(apartment.joined());
    EXPECT_EQ(CoCreateInstance(kSecond, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, &created), REGDB_E_CLASSNOTREG);
    EXPECT_EQ(CoCreateInstance(kFirst, nullptr, CLSCTX_INPROC_SERVER | CLSCTX_LOCAL_SERVER, IID_IUnknown, &created),
              S_OK);
    EXPECT_EQ(created, &object);
    EXPECT_EQ(object.references, 2u);
}

TEST(Apartment, OnlyTheFirstJoinIsANewApartment) {
    EXPECT_EQ(CoInitialize(nullptr), S_OK);
    EXPECT_EQ(CoInitialize(nullptr), S_FALSE);  // still joined: a success, to be paired too
    CoUninitialize();
    CoUninitialize();
    void* created = nullptr;
    EXPECT_EQ(CoCreateInstance(kFirst, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, &created), CO_E_NOTINITIALIZED);
}

}  // namespace
