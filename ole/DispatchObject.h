// The server side of late binding: an automation object's IDispatch built from a table of members.
// A subclass carries the members out; failures are thrown and turned into HRESULTs in one place.
#pragma once

#include "ole/Automation.h"
#include "ole/Exceptions.h"

#include <optional>
#include <string>
#include <vector>

namespace ole {

struct Member {
    std::string name;
    WORD kinds;                       // the invocation kinds it answers
    std::vector<std::string> params;  // parameter names; a parameter's DISPID is its index
};

// A failure inside a member: DISP_E_EXCEPTION (the default) reaches the client with the description
// in its EXCEPINFO; any other code is returned as it is.
class DispatchError : public Exception {
public:
    explicit DispatchError(std::string description, HRESULT code = DISP_E_EXCEPTION)
        : Exception(std::move(description)), m_code(code) {}
    HRESULT code() const noexcept { return m_code; }

private:
    HRESULT m_code;
};

class DispatchObject : public IDispatch {
public:
    DispatchObject(std::string className, std::vector<Member> members);
    virtual ~DispatchObject() = default;
    DispatchObject(const DispatchObject&) = delete;
    DispatchObject& operator=(const DispatchObject&) = delete;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override;
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID lcid, ITypeInfo** info) override;
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count, LCID lcid,
                                            DISPID* dispids) override;
    HRESULT STDMETHODCALLTYPE Invoke(DISPID member, REFIID riid, LCID lcid, WORD flags, DISPPARAMS* params,
                                     VARIANT* result, EXCEPINFO* excepInfo, UINT* argErr) override;

    const std::string& className() const noexcept { return m_className; }

protected:
    struct Call {
        const Member& member;
        WORD kind;                          // DISPATCH_METHOD, _PROPERTYGET or _PROPERTYPUT
        std::vector<const VARIANT*> args;   // by parameter index, null where not given; a put's value is args[0]
        VARIANT* result;                    // null when the client asked for none
    };
    // Carries the member out; throws DispatchError, EOleSysError or any Exception on failure.
    virtual void call(Call& call) = 0;

    // Hooks for a server that watches its own traffic. `beforeCall` may refuse a call with a code.
    virtual void lookedUp(const std::vector<std::string>& /*names*/) {}
    virtual void invoked(const Member* /*member*/, DISPID /*id*/, WORD /*flags*/, const DISPPARAMS& /*params*/,
                         bool /*wantsResult*/) {}
    virtual std::optional<HRESULT> beforeCall(const Member& /*member*/) { return std::nullopt; }
    virtual void failed(const Member& /*member*/, HRESULT /*code*/) {}
    // Fills the EXCEPINFO of a DISP_E_EXCEPTION; by default at once.
    virtual void describe(EXCEPINFO& info, const Member& member, const std::string& description);

    // Helpers for members.
    static bool argBool(const VARIANT* value, bool fallback);
    static std::string argText(const VARIANT* value);  // a BSTR's UTF-8, or a type mismatch
    static void returnText(VARIANT* result, std::string_view text);
    static void returnObject(VARIANT* result, IDispatch* object);  // takes over the caller's reference

private:
    HRESULT fail(const Member& member, HRESULT code, const std::string& description, EXCEPINFO* info);

    std::string m_className;
    std::vector<Member> m_members;
    ULONG m_references = 1;
};

}  // namespace ole
