// The automation runtime on the real COM: system messages, classes registered without the registry,
// and the client against the trace server in-process, where a deferred fill-in is the client's to call.
#include "ole/Apartment.h"
#include "ole/ClassRegistry.h"
#include "ole/ComServer.h"
#include "ole/Exceptions.h"
#include "printing/WordAutomation.h"
#include "support/TraceFixture.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>

using testing::Contains;
using testing::IsEmpty;

namespace {

// ---- System messages ------------------------------------------------------------------------------

TEST(SystemMessage, ACodeWithoutSystemTextFallsBackToTheOleErrorLine) {
    // The customer bit: no system has a message for it.
    const auto code = static_cast<HRESULT>(0xA0001234);
    EXPECT_THAT(ole::systemMessageText(code), IsEmpty());
    EXPECT_EQ(EOleSysError(code).message(), "OLE error a0001234");
}

TEST(SystemMessage, SystemTextLosesItsTrailingStopAndLineEnd) {
    const std::string raw = ole::systemMessageText(E_INVALIDARG);  // a Win32 error: every system has it
    ASSERT_FALSE(raw.empty());
    const std::string message = EOleSysError(E_INVALIDARG).message();
    EXPECT_FALSE(message.empty());
    EXPECT_NE(message.rfind("OLE error", 0), 0u) << message;
    EXPECT_TRUE(raw.starts_with(message)) << message;
    const char last = message.back();
    EXPECT_TRUE(last != '.' && last != ' ' && last != '\r' && last != '\n') << message;
}

// ---- Classes without the registry ----------------------------------------------------------------

const CLSID kFirst = {0x51a1e0c1, 0x2b7d, 0x4f6e, {0x8a, 0x10, 0x3c, 0x52, 0x9e, 0x01, 0x7b, 0x11}};
const CLSID kSecond = {0x51a1e0c1, 0x2b7d, 0x4f6e, {0x8a, 0x10, 0x3c, 0x52, 0x9e, 0x01, 0x7b, 0x12}};
const CLSID kThird = {0x51a1e0c1, 0x2b7d, 0x4f6e, {0x8a, 0x10, 0x3c, 0x52, 0x9e, 0x01, 0x7b, 0x13}};

// An object that counts its references and says which factory made it.
class Made : public IUnknown {
public:
    explicit Made(int maker) : maker(maker) {}
    virtual ~Made() = default;
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override {
        if (!IsEqualGUID(riid, IID_IUnknown)) return E_NOINTERFACE;
        *object = this;
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++references; }
    ULONG STDMETHODCALLTYPE Release() override { return --references; }
    int maker;
    ULONG references = 1;
};

ole::ObjectFactory factoryFor(Made& object) {
    return [&object](REFIID riid, void** out) { return object.QueryInterface(riid, out); };
}

// Which factory made the object created for the class; -1 when none could be created.
int makerOf(const CLSID& clsid) {
    void* created = nullptr;
    const HRESULT hr = CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER | CLSCTX_LOCAL_SERVER, IID_IUnknown,
                                        &created);
    if (FAILED(hr)) return -1;
    auto* made = static_cast<Made*>(static_cast<IUnknown*>(created));
    made->Release();
    return made->maker;
}

// The same through the programmatic identifier, as the client creates Word. (Wine answers
// CLSIDFromProgID with an alias of the manifest's class identifier, which CoCreateInstance knows.)
int makerOf(const wchar_t* progId) {
    CLSID clsid{};
    if (FAILED(CLSIDFromProgID(progId, &clsid))) return -1;
    return makerOf(clsid);
}

TEST(RegistrationFreeClass, IsFoundByItsIdentifierAndCreatedByItsFactoryUntilWithdrawn) {
    const ole::Apartment apartment;
    Made object(1);
    {
        const ole::ClassRegistration registration = ole::registerClass("Quirella.Test", kFirst, factoryFor(object));
        EXPECT_EQ(makerOf(L"Quirella.Test"), 1);
        EXPECT_EQ(makerOf(kFirst), 1);
        EXPECT_EQ(object.references, 1u);  // the caller's reference went again
    }
    CLSID clsid{};
    EXPECT_EQ(CLSIDFromProgID(L"Quirella.Test", &clsid), CO_E_CLASSSTRING);
}

TEST(RegistrationFreeClass, NewerHidesOlderAndOtherIdentifiersStayKnown) {
    const ole::Apartment apartment;
    Made first(1), second(2), other(3);
    const ole::ClassRegistration older = ole::registerClass("Quirella.Test", kFirst, factoryFor(first));
    {
        // Only the newest activation context is searched: it has to declare the earlier classes too.
        const ole::ClassRegistration unrelated = ole::registerClass("Quirella.Other", kThird, factoryFor(other));
        const ole::ClassRegistration newer = ole::registerClass("Quirella.Test", kSecond, factoryFor(second));
        EXPECT_EQ(makerOf(L"Quirella.Test"), 2);
        EXPECT_EQ(makerOf(L"Quirella.Other"), 3);
        EXPECT_EQ(makerOf(kFirst), 1);  // hidden from its identifier, still made by its class
    }
    EXPECT_EQ(makerOf(L"Quirella.Test"), 1);
    EXPECT_EQ(makerOf(L"Quirella.Other"), -1);
}

TEST(RegistrationFreeClass, LeavesNoManifestBesideTheProgram) {
    wchar_t module[MAX_PATH];
    GetModuleFileNameW(nullptr, module, MAX_PATH);
    const std::filesystem::path directory = std::filesystem::path(module).parent_path();
    const auto leftovers = [&] {
        int count = 0;
        for (const auto& entry : std::filesystem::directory_iterator(directory))
            if (entry.path().filename().wstring().starts_with(L"qrl")) ++count;
        return count;
    };
    const int before = leftovers();
    Made object(1);
    const ole::ClassRegistration registration = ole::registerClass("Quirella.Test", kFirst, factoryFor(object));
    EXPECT_EQ(leftovers(), before);
}

TEST(ModuleExports, DllGetClassObjectAnswersForRegisteredClassesByItsPlainName) {
    using GetClassObject = HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**);
    using CanUnloadNow = HRESULT(STDAPICALLTYPE*)();
    const HMODULE self = GetModuleHandleW(nullptr);
    // COM looks both up by these names: a 32-bit build must not export them as Name@12.
    const auto getClassObject =
        reinterpret_cast<GetClassObject>(reinterpret_cast<void (*)()>(GetProcAddress(self, "DllGetClassObject")));
    const auto canUnloadNow =
        reinterpret_cast<CanUnloadNow>(reinterpret_cast<void (*)()>(GetProcAddress(self, "DllCanUnloadNow")));
    ASSERT_NE(getClassObject, nullptr);
    ASSERT_NE(canUnloadNow, nullptr);

    Made object(7);
    const ole::ClassRegistration registration = ole::registerClass("Quirella.Test", kFirst, factoryFor(object));
    ole::ComPtr<IClassFactory> factory;
    EXPECT_EQ(getClassObject(kSecond, IID_IClassFactory, factory.putVoid()), CLASS_E_CLASSNOTAVAILABLE);
    ASSERT_EQ(getClassObject(kFirst, IID_IClassFactory, factory.putVoid()), S_OK);
    ole::ComPtr<IUnknown> created;
    EXPECT_EQ(factory->CreateInstance(nullptr, IID_IUnknown, created.putVoid()), S_OK);
    EXPECT_EQ(created.get(), static_cast<IUnknown*>(&object));

    EXPECT_EQ(canUnloadNow(), S_OK);
    EXPECT_EQ(factory->LockServer(TRUE), S_OK);
    EXPECT_EQ(canUnloadNow(), S_FALSE);
    EXPECT_EQ(factory->LockServer(FALSE), S_OK);
    EXPECT_EQ(canUnloadNow(), S_OK);
}

// ---- The client against the in-process trace server -----------------------------------------------

TEST(WordAutomationOnCom, AnErrorInsideOpenIsFilledInByTheClientAndRaisedWithTheSystemsText) {
    RegisteredTrace trace({{"Open", 1}});
    WordAutomation word;
    word.CreateApplication();
    try {
        word.OpenDocument(word.GetDocuments(), "C:\\文档\\锁定.doc", false, false, false);
        FAIL() << "no exception";
    } catch (const EOleSysError& e) {
        EXPECT_EQ(e.errorCode(), DISP_E_EXCEPTION);
        EXPECT_EQ(e.message(), ole::systemMessage(DISP_E_EXCEPTION));
        // Wine has no text for it; Windows has "Exception occurred".
        if (ole::systemMessageText(DISP_E_EXCEPTION).empty()) {
            EXPECT_EQ(e.message(), "OLE error 80020009");
        }
    }
    // In-process nobody but the client can have called the routine.
    EXPECT_THAT(trace.lines(), Contains("fill-in Documents.Open"));
    EXPECT_TRUE(word.hasApplication());
}

TEST(WordAutomationOnCom, WithoutAnyServerTheClassStringIsUnknown) {
    const ole::Apartment apartment;
    WordAutomation word;
    try {
        word.CreateApplication();
        FAIL() << "no exception: is Word.Application registered here?";
    } catch (const EOleSysError& e) {
        EXPECT_EQ(e.errorCode(), CO_E_CLASSSTRING);
        if (ole::systemMessageText(CO_E_CLASSSTRING).empty()) {
            EXPECT_EQ(e.message(), "OLE error 800401f3");
        }
    }
    EXPECT_FALSE(word.hasApplication());
}

// ---- The environment the script asked for ----------------------------------------------------------

TEST(Environment, TheAnsiCodePageIsTheOneTheScriptAskedFor) {
    const char* expected = std::getenv("QUIRELLA_EXPECT_ACP");
    if (!expected) GTEST_SKIP() << "QUIRELLA_EXPECT_ACP not set";
    EXPECT_EQ(GetACP(), static_cast<UINT>(std::atoi(expected)));
}

// ---- The apartment's message filter -----------------------------------------------------------------

ole::CallLimits callLimits(int answer) {
    ole::CallLimits limits;
    limits.answer = std::chrono::milliseconds(answer);
    limits.busyRetry = std::chrono::milliseconds(250);
    return limits;
}

// The filter COM holds for this apartment now, with a reference of the caller's.
ole::ComPtr<IMessageFilter> registeredFilter() {
    IMessageFilter* current = nullptr;
    EXPECT_EQ(CoRegisterMessageFilter(nullptr, &current), S_OK);
    IMessageFilter* none = nullptr;
    EXPECT_EQ(CoRegisterMessageFilter(current, &none), S_OK);  // back as it was
    EXPECT_EQ(none, nullptr);
    return ole::ComPtr<IMessageFilter>::adopt(current);
}

TEST(MessageFilter, TheApartmentRetriesBusyCallsAndCancelsThoseThatRunPastTheLimit) {
    const ole::Apartment apartment(callLimits(1000));
    ASSERT_TRUE(apartment.guarded());
    const ole::ComPtr<IMessageFilter> filter = registeredFilter();
    ASSERT_TRUE(filter);
    const auto giveUp = static_cast<DWORD>(-1);
    EXPECT_EQ(filter->RetryRejectedCall(nullptr, 0, SERVERCALL_RETRYLATER), 250u);
    EXPECT_EQ(filter->RetryRejectedCall(nullptr, 750, SERVERCALL_REJECTED), 250u);
    EXPECT_EQ(filter->RetryRejectedCall(nullptr, 751, SERVERCALL_RETRYLATER), giveUp);
    EXPECT_EQ(filter->MessagePending(nullptr, 999, PENDINGTYPE_TOPLEVEL), static_cast<DWORD>(PENDINGMSG_WAITDEFPROCESS));
    EXPECT_EQ(filter->MessagePending(nullptr, 1000, PENDINGTYPE_TOPLEVEL), static_cast<DWORD>(PENDINGMSG_CANCELCALL));
    EXPECT_EQ(filter->HandleInComingCall(CALLTYPE_TOPLEVEL, nullptr, 0, nullptr), static_cast<DWORD>(SERVERCALL_ISHANDLED));
}

TEST(MessageFilter, AnInnerApartmentGivesTheOuterFilterBack) {
    const ole::Apartment outer(callLimits(1000));
    {
        const ole::Apartment inner(callLimits(60000));  // joined again: a guard of its own
        EXPECT_TRUE(inner.guarded());
        EXPECT_EQ(registeredFilter()->MessagePending(nullptr, 1000, PENDINGTYPE_TOPLEVEL),
                  static_cast<DWORD>(PENDINGMSG_WAITDEFPROCESS));
    }
    EXPECT_EQ(registeredFilter()->MessagePending(nullptr, 1000, PENDINGTYPE_TOPLEVEL),
              static_cast<DWORD>(PENDINGMSG_CANCELCALL));
}

}  // namespace
