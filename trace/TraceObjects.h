// The trace server's automation objects: the application, its document collection and documents.
#pragma once

#include "ole/Automation.h"
#include "ole/ComPtr.h"
#include "ole/DispatchObject.h"
#include "trace/TraceServer.h"

#include <chrono>
#include <map>
#include <string>
#include <vector>

namespace trace {

struct TraceState {
    TraceServer::Sink sink;
    std::vector<FailRule> failures;
    std::map<std::string, int> calls;      // per member name, and "*" for every call
    std::map<std::string, int> instances;  // per class, for the #N of create/destroy lines
    TraceServer::PrinterHook activePrinterSet;
    std::function<void()> applicationGone;
    bool fillInAtOnce = false;
    int busyCalls = 0;                  // the first calls are rejected as busy, before anything else
    int busyRejected = 0;
    std::vector<FailRule> holdRules;    // calls held for holdLength before they are carried out
    std::chrono::milliseconds holdLength{0};

    void write(const std::string& line) {
        if (sink) sink(line);
    }
    // Counts the call and tells whether a rule fails it, and with which code.
    std::optional<HRESULT> failureFor(const std::string& member);
    // Whether a hold rule matches the member's call that failureFor has just counted.
    bool held(const std::string& member);
};

// Writes its own traffic, its creation and its destruction as trace lines.
class TraceObject : public ole::DispatchObject {
public:
    TraceObject(std::shared_ptr<TraceState> state, std::string className, std::vector<ole::Member> members);
    ~TraceObject() override;

    const std::string& label() const noexcept { return m_label; }  // Documents#2

protected:
    void lookedUp(const std::vector<std::string>& names) override;
    void invoked(const ole::Member* member, DISPID id, WORD flags, const DISPPARAMS& params,
                 bool wantsResult) override;
    std::optional<HRESULT> beforeCall(const ole::Member& member) override;
    void failed(const ole::Member& member, HRESULT code) override;
    void describe(EXCEPINFO& info, const ole::Member& member, const std::string& description) override;

    TraceState& state() { return *m_state; }
    const std::shared_ptr<TraceState>& sharedState() { return m_state; }

private:
    std::shared_ptr<TraceState> m_state;
    std::string m_label;
};

class TraceDocument final : public TraceObject {
public:
    TraceDocument(std::shared_ptr<TraceState> state, std::string path);

protected:
    void call(Call& call) override;

private:
    std::string m_path;
};

class TraceApplication final : public TraceObject {
public:
    explicit TraceApplication(std::shared_ptr<TraceState> state);
    ~TraceApplication() override;

    void opened(ole::ComPtr<TraceDocument> document);
    bool quit() const noexcept { return m_quit; }
    std::int32_t documentCount() const noexcept { return static_cast<std::int32_t>(m_documents.size()); }

protected:
    void call(Call& call) override;

private:
    bool m_visible = false;
    std::int32_t m_automationSecurity = 1;
    std::int32_t m_displayAlerts = -1;  // wdAlertsAll
    std::string m_activePrinter = "Trace Printer";
    bool m_quit = false;
    std::vector<ole::ComPtr<TraceDocument>> m_documents;  // open until Quit, like the real thing
};

class TraceDocuments final : public TraceObject {
public:
    TraceDocuments(std::shared_ptr<TraceState> state, ole::ComPtr<TraceApplication> application);

protected:
    void call(Call& call) override;

private:
    ole::ComPtr<TraceApplication> m_application;
};

}  // namespace trace
