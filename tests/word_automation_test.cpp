// What the automation client sends: checked on the wire, as the trace server receives it, and in the
// raw DISPPARAMS where the trace cannot see (null pointers, counts, locale).
#include "ole/ComPtr.h"
#include "ole/Exceptions.h"
#include "printing/WordAutomation.h"
#include "support/TraceFixture.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

using testing::Contains;
using testing::ElementsAre;
using testing::HasSubstr;
using testing::Not;

namespace {

TEST(WordAutomationWire, BooleansAreMinusOneAndZero) {
    RegisteredTrace trace;
    WordAutomation word;
    word.CreateApplication();
    word.SetVisible(true);
    word.SetVisible(false);
    EXPECT_THAT(trace.linesStarting("invoke "),
                ElementsAre("invoke Application.Visible PROPERTYPUT named=[-3] args=[VT_BOOL -1] result=no",
                            "invoke Application.Visible PROPERTYPUT named=[-3] args=[VT_BOOL 0] result=no"));
    // Looked up anew for every call.
    EXPECT_THAT(trace.linesStarting("lookup "), ElementsAre("lookup Application Visible", "lookup Application Visible"));
}

TEST(WordAutomationWire, PrinterNamesArriveAsTheirExactText) {
    RegisteredTrace trace;
    WordAutomation word;
    word.CreateApplication();
    word.SetActivePrinter("");
    word.SetActivePrinter("财务部 HP LaserJet \"2\"");
    EXPECT_THAT(trace.linesStarting("invoke "),
                ElementsAre(R"(invoke Application.ActivePrinter PROPERTYPUT named=[-3] args=[VT_BSTR ""] result=no)",
                            R"(invoke Application.ActivePrinter PROPERTYPUT named=[-3] args=[VT_BSTR "财务部 HP LaserJet \"2\""] result=no)"));
}

TEST(WordAutomationWire, OpenSendsFourPositionalArgumentsPathFirst) {
    RegisteredTrace trace;
    WordAutomation word;
    word.CreateApplication();
    const AutomationObject documents = word.GetDocuments();
    word.OpenDocument(documents, "/tmp/a b.doc", false, false, false);
    word.OpenDocument(documents, "/tmp/文档.doc", true, false, false);
    word.OpenDocument(documents, "/tmp/c.rtf", false, false, true);
    EXPECT_THAT(trace.linesStarting("invoke Documents"),
                ElementsAre(R"(invoke Documents.Open METHOD named=[] args=[VT_BSTR "/tmp/a b.doc", VT_BOOL 0, VT_BOOL 0, VT_BOOL 0] result=yes)",
                            R"(invoke Documents.Open METHOD named=[] args=[VT_BSTR "/tmp/文档.doc", VT_BOOL -1, VT_BOOL 0, VT_BOOL 0] result=yes)",
                            R"(invoke Documents.Open METHOD named=[] args=[VT_BSTR "/tmp/c.rtf", VT_BOOL 0, VT_BOOL 0, VT_BOOL -1] result=yes)"));
    EXPECT_THAT(trace.lines(), Contains("invoke Application.Documents PROPERTYGET named=[] args=[] result=yes"));
}

TEST(WordAutomationWire, PrintOutInTheForegroundAndQuitWithoutSaving) {
    RegisteredTrace trace;
    WordAutomation word;
    word.CreateApplication();
    word.SetAutomationSecurity(WordAutomation::kForceDisableMacros);
    word.OpenDocument(word.GetDocuments(), "/tmp/a.doc", false, false, false);
    word.PrintActiveDocument();
    word.QuitApplication();
    EXPECT_THAT(trace.lines(), Contains("lookup Application PrintOut Background"));
    EXPECT_THAT(trace.lines(), Contains("lookup Application Quit SaveChanges"));
    EXPECT_THAT(trace.linesStarting("invoke Application"),
                ElementsAre("invoke Application.AutomationSecurity PROPERTYPUT named=[-3] args=[VT_I4 3] result=no",
                            "invoke Application.Documents PROPERTYGET named=[] args=[] result=yes",
                            "invoke Application.PrintOut METHOD named=[Background] args=[VT_BOOL 0] result=yes",
                            "invoke Application.Quit METHOD named=[SaveChanges] args=[VT_I4 0] result=yes"));
}

TEST(WordAutomationWire, AlertsGoOffAsAFourByteZero) {
    RegisteredTrace trace;
    WordAutomation word;
    word.CreateApplication();
    word.SetDisplayAlerts(WordAutomation::kAlertsNone);
    EXPECT_THAT(trace.linesStarting("invoke "),
                ElementsAre("invoke Application.DisplayAlerts PROPERTYPUT named=[-3] args=[VT_I4 0] result=no"));
}

TEST(WordAutomationWire, OpenedDocumentAndCollectionAreReleasedAtOnce) {
    RegisteredTrace trace;
    WordAutomation word;
    word.CreateApplication();
    word.OpenDocument(word.GetDocuments(), "/tmp/a.doc", false, false, false);
    // The collection goes with the caller's reference; the document stays open in the application.
    EXPECT_THAT(trace.linesStarting("destroy "), ElementsAre("destroy Documents#1"));
    word.QuitApplication();
    EXPECT_THAT(trace.linesStarting("destroy "), ElementsAre("destroy Documents#1", "destroy Document#1"));
}

TEST(WordAutomationLifetime, LettingGoReleasesTheApplicationAndSendsNothing) {
    RegisteredTrace trace;
    {
        WordAutomation word;
        word.CreateApplication();
        EXPECT_TRUE(word.hasApplication());
    }
    EXPECT_THAT(trace.lines(), ElementsAre("create Application#1", "destroy Application#1"));
}

TEST(WordAutomationFailure, NoRegisteredClassLeavesTheInstanceEmpty) {
    const ole::Apartment apartment;
    WordAutomation word;
    try {
        word.CreateApplication();
        FAIL() << "no exception";
    } catch (const EOleSysError& e) {
        EXPECT_EQ(e.errorCode(), CO_E_CLASSSTRING);
    }
    EXPECT_FALSE(word.hasApplication());
}

TEST(WordAutomationFailure, AServerThatCannotStartRaisesItsCode) {
    RegisteredTrace trace({{"Application", 0}});
    WordAutomation word;
    EXPECT_THROW(word.CreateApplication(), EOleSysError);
    EXPECT_FALSE(word.hasApplication());
    EXPECT_THAT(trace.lines(), ElementsAre("fail Application CO_E_SERVER_EXEC_FAILURE"));
}

TEST(WordAutomationFailure, AnErrorInsideOpenIsFilledInAndRaisedAsDispException) {
    RegisteredTrace trace({{"Open", 1}});
    WordAutomation word;
    word.CreateApplication();
    try {
        word.OpenDocument(word.GetDocuments(), "/tmp/locked.doc", false, false, false);
        FAIL() << "no exception";
    } catch (const EOleSysError& e) {
        EXPECT_EQ(e.errorCode(), DISP_E_EXCEPTION);
        EXPECT_EQ(e.message(), "Exception occurred");  // the server's own description is not carried
    }
    EXPECT_THAT(trace.lines(), Contains("fill-in Documents.Open"));
    EXPECT_THAT(trace.lines(), Contains("destroy Documents#1"));  // the collection went, the application stays
    EXPECT_THAT(trace.lines(), Not(Contains("destroy Application#1")));
    EXPECT_TRUE(word.hasApplication());
}

TEST(WordAutomationFailure, ACollectionThatHoldsNoObjectRaises) {
    RegisteredTrace trace;
    WordAutomation word;
    word.CreateApplication();
    EXPECT_THROW(word.OpenDocument(AutomationObject{}, "/tmp/a.doc", false, false, false), Exception);
    EXPECT_THAT(trace.calls(), ElementsAre());
}

// ---- The raw call -----------------------------------------------------------------------------------

// Keeps what one Invoke received, before anything is freed.
struct SeenCall {
    std::vector<DISPID> namedIds;
    std::vector<VARTYPE> types;
    bool rgvargNull = false, namedNull = false, resultGiven = false, excepInfoZeroed = false;
    LCID lookupLocale = 0, invokeLocale = 0;
    WORD flags = 0;
};

class CapturingDispatch : public IDispatch {
public:
    virtual ~CapturingDispatch() = default;
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override {
        if (!IsEqualGUID(riid, IID_IDispatch) && !IsEqualGUID(riid, IID_IUnknown)) return E_NOINTERFACE;
        *object = this;
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++references; }
    ULONG STDMETHODCALLTYPE Release() override { return --references; }
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT count, LCID lcid, DISPID* ids) override {
        seen.lookupLocale = lcid;
        for (UINT i = 0; i < count; ++i) ids[i] = static_cast<DISPID>(10 + i);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID lcid, WORD flags, DISPPARAMS* params, VARIANT* result,
                                     EXCEPINFO* info, UINT*) override {
        seen = {{}, {}, params->rgvarg == nullptr, params->rgdispidNamedArgs == nullptr, result != nullptr,
                info && !info->bstrSource && !info->pfnDeferredFillIn && !info->scode, seen.lookupLocale, lcid, flags};
        for (UINT i = 0; i < params->cNamedArgs; ++i) seen.namedIds.push_back(params->rgdispidNamedArgs[i]);
        for (UINT i = 0; i < params->cArgs; ++i) seen.types.push_back(V_VT(&params->rgvarg[i]));
        return failWith;
    }
    ULONG references = 1;
    SeenCall seen;
    HRESULT failWith = S_OK;
};

TEST(AutomationObjectCall, EmptyParametersAreNullWithZeroCounts) {
    CapturingDispatch target;
    target.AddRef();
    const AutomationObject object(ole::Variant::adoptDispatch(&target));
    object.invoke("Documents", InvokeKind::PropertyGet);
    EXPECT_TRUE(target.seen.rgvargNull);
    EXPECT_TRUE(target.seen.namedNull);
    EXPECT_TRUE(target.seen.resultGiven);
    EXPECT_TRUE(target.seen.excepInfoZeroed);
    EXPECT_EQ(target.seen.lookupLocale, LOCALE_SYSTEM_DEFAULT);
    EXPECT_EQ(target.seen.invokeLocale, LOCALE_SYSTEM_DEFAULT);
    EXPECT_EQ(target.seen.flags, DISPATCH_PROPERTYGET);
}

TEST(AutomationObjectCall, PutPassesNoResultAndPositionalArgumentsTravelLastFirst) {
    CapturingDispatch target;
    target.AddRef();
    const AutomationObject object(ole::Variant::adoptDispatch(&target));
    ole::Variant value = ole::Variant::text("x");
    object.invoke("ActivePrinter", InvokeKind::PropertyPut, {&value, 1});
    EXPECT_FALSE(target.seen.resultGiven);
    EXPECT_THAT(target.seen.namedIds, ElementsAre(DISPID_PROPERTYPUT));
    EXPECT_EQ(target.seen.flags, DISPATCH_PROPERTYPUT);

    ole::Variant args[] = {ole::Variant::text("p"), ole::Variant::int32(1), ole::Variant::boolean(false)};
    object.invoke("Open", InvokeKind::Method, args);
    EXPECT_THAT(target.seen.types, ElementsAre(VT_BOOL, VT_I4, VT_BSTR));
    EXPECT_TRUE(target.seen.namedNull);
}

TEST(AutomationObjectCall, TheCallsReferenceIsReleasedOnEveryPath) {
    CapturingDispatch target;
    {
        target.AddRef();
        const AutomationObject object(ole::Variant::adoptDispatch(&target));
        object.invoke("Quit", InvokeKind::Method);
        EXPECT_EQ(target.references, 2u);
        target.failWith = DISP_E_EXCEPTION;
        EXPECT_THROW(object.invoke("Quit", InvokeKind::Method), EOleSysError);
        EXPECT_EQ(target.references, 2u);
        const AutomationObject copy = object;
        EXPECT_EQ(target.references, 3u);
    }
    EXPECT_EQ(target.references, 1u);
}

TEST(AutomationObjectCall, AnObjectHeldAsIUnknownIsAskedForIDispatch) {
    CapturingDispatch target;
    ole::Variant held;
    V_VT(&held) = VT_UNKNOWN;
    V_UNKNOWN(&held) = &target;
    target.AddRef();
    const AutomationObject object(std::move(held));
    object.invoke("Visible", InvokeKind::PropertyGet);
    EXPECT_EQ(target.seen.flags, DISPATCH_PROPERTYGET);
}

}  // namespace
