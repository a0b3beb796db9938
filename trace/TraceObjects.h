// The trace server's automation objects: the application, its document collection and documents.
#pragma once

#include "ole/Automation.h"
#include "ole/ComPtr.h"
#include "trace/TraceServer.h"

#include <map>
#include <string>
#include <vector>

namespace trace {

struct TraceState {
    TraceServer::Sink sink;
    std::vector<FailRule> failures;
    std::map<std::string, int> calls;      // per member name, and "*" for every call
    std::map<std::string, int> instances;  // per class, for the #N of create/destroy lines

    void write(const std::string& line) {
        if (sink) sink(line);
    }
    // Counts the call and tells whether a rule fails it, and with which code.
    std::optional<HRESULT> failureFor(const std::string& member);
};

struct Member {
    std::string name;
    WORD kinds;                       // the invocation kinds it answers
    std::vector<std::string> params;  // parameter names; a parameter's DISPID is its index
};

class TraceObject : public IDispatch {
public:
    TraceObject(std::shared_ptr<TraceState> state, std::string className, std::vector<Member> members);
    virtual ~TraceObject();
    TraceObject(const TraceObject&) = delete;
    TraceObject& operator=(const TraceObject&) = delete;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override;
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID lcid, ITypeInfo** info) override;
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count, LCID lcid,
                                            DISPID* dispids) override;
    HRESULT STDMETHODCALLTYPE Invoke(DISPID member, REFIID riid, LCID lcid, WORD flags, DISPPARAMS* params,
                                     VARIANT* result, EXCEPINFO* excepInfo, UINT* argErr) override;

    const std::string& label() const noexcept { return m_label; }  // Documents#2

protected:
    // The member's arguments by parameter index (null where not given); for a put, `args[0]` is the
    // value. Returns an HRESULT, filling `result` when one was asked for.
    virtual HRESULT call(const Member& member, WORD kind, const std::vector<const VARIANT*>& args,
                         VARIANT* result) = 0;
    TraceState& state() { return *m_state; }
    const std::shared_ptr<TraceState>& sharedState() { return m_state; }

private:
    std::shared_ptr<TraceState> m_state;
    std::string m_className;
    std::string m_label;
    std::vector<Member> m_members;
    ULONG m_references = 1;
};

class TraceDocument final : public TraceObject {
public:
    TraceDocument(std::shared_ptr<TraceState> state, std::string path);

protected:
    HRESULT call(const Member& member, WORD kind, const std::vector<const VARIANT*>& args, VARIANT* result) override;

private:
    std::string m_path;
};

class TraceApplication final : public TraceObject {
public:
    explicit TraceApplication(std::shared_ptr<TraceState> state);

    void opened(ole::ComPtr<TraceDocument> document);
    bool quit() const noexcept { return m_quit; }

protected:
    HRESULT call(const Member& member, WORD kind, const std::vector<const VARIANT*>& args, VARIANT* result) override;

private:
    bool m_visible = false;
    std::int32_t m_automationSecurity = 1;
    std::string m_activePrinter = "Trace Printer";
    bool m_quit = false;
    std::vector<ole::ComPtr<TraceDocument>> m_documents;  // open until Quit, like the real thing
};

class TraceDocuments final : public TraceObject {
public:
    TraceDocuments(std::shared_ptr<TraceState> state, ole::ComPtr<TraceApplication> application);

protected:
    HRESULT call(const Member& member, WORD kind, const std::vector<const VARIANT*>& args, VARIANT* result) override;

private:
    ole::ComPtr<TraceApplication> m_application;
};

}  // namespace trace
