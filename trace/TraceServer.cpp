#include "trace/TraceServer.h"

#include "trace/TraceFormat.h"
#include "trace/TraceObjects.h"

#include <charconv>

namespace trace {

// {6C0E5A52-3B1F-4D8E-9A51-2F7C1D0B9E11}
const CLSID TraceServer::kClassId = {0x6C0E5A52, 0x3B1F, 0x4D8E, {0x9A, 0x51, 0x2F, 0x7C, 0x1D, 0x0B, 0x9E, 0x11}};

std::optional<FailRule> parseFailRule(std::string_view text) {
    FailRule rule;
    const auto colon = text.find(':');
    rule.member = std::string(text.substr(0, colon));
    if (rule.member.empty()) return std::nullopt;
    if (colon != std::string_view::npos) {
        const std::string_view number = text.substr(colon + 1);
        const auto [end, error] = std::from_chars(number.data(), number.data() + number.size(), rule.call);
        if (number.empty() || error != std::errc() || end != number.data() + number.size() || rule.call < 1)
            return std::nullopt;
    }
    return rule;
}

TraceServer::TraceServer(Sink sink, std::vector<FailRule> failures) : m_state(std::make_shared<TraceState>()) {
    m_state->sink = std::move(sink);
    m_state->failures = std::move(failures);
}

TraceServer::~TraceServer() = default;

void TraceServer::onActivePrinter(PrinterHook hook) { m_state->activePrinterSet = std::move(hook); }

void TraceServer::onApplicationGone(std::function<void()> hook) { m_state->applicationGone = std::move(hook); }

void TraceServer::fillInAtOnce() { m_state->fillInAtOnce = true; }

void TraceServer::busyFor(int calls) { m_state->busyCalls = calls; }

void TraceServer::holdCalls(std::vector<FailRule> rules, std::chrono::milliseconds length) {
    m_state->holdRules = std::move(rules);
    m_state->holdLength = length;
}

HRESULT TraceServer::createApplication(REFIID riid, void** object) {
    if (!object) return E_POINTER;
    *object = nullptr;
    if (const std::optional<HRESULT> code = m_state->failureFor("Application")) {
        // Creation has no EXCEPINFO to fill in: a server that cannot start says so with its own code.
        const HRESULT failure = *code == DISP_E_EXCEPTION ? CO_E_SERVER_EXEC_FAILURE : *code;
        m_state->write("fail Application " + formatCode(failure));
        return failure;
    }
    auto application = ole::ComPtr<IDispatch>::adopt(new TraceApplication(m_state));
    return application->QueryInterface(riid, object);
}

ole::ClassRegistration TraceServer::registerAs(std::string_view progId) {
    // The objects keep the state alive; the registration keeps only what it needs to make more.
    std::shared_ptr<TraceState> state = m_state;
    return ole::registerClass(progId, kClassId, [state](REFIID riid, void** object) {
        TraceServer server(nullptr);
        server.m_state = state;
        return server.createApplication(riid, object);
    });
}

}  // namespace trace
