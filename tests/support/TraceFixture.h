// A trace server registered as "Word.Application" for one test, with its lines kept in memory.
#pragma once

#include "ole/Apartment.h"
#include "trace/TraceServer.h"

#include <algorithm>
#include <string>
#include <vector>

class RegisteredTrace {
public:
    explicit RegisteredTrace(std::vector<trace::FailRule> failures = {})
        : m_server([this](const std::string& line) { m_lines.push_back(line); }, std::move(failures)),
          m_registration(m_server.registerAs("Word.Application")) {}

    trace::TraceServer& server() { return m_server; }
    const std::vector<std::string>& lines() const { return m_lines; }

    // The lines that start with the prefix ("invoke ", "create Documents"), in order.
    std::vector<std::string> linesStarting(const std::string& prefix) const {
        std::vector<std::string> out;
        std::copy_if(m_lines.begin(), m_lines.end(), std::back_inserter(out),
                     [&](const std::string& l) { return l.rfind(prefix, 0) == 0; });
        return out;
    }
    // The invoke lines cut to "Class.Member", in order: the operations as the server saw them.
    std::vector<std::string> calls() const {
        std::vector<std::string> out;
        for (const std::string& line : linesStarting("invoke ")) out.push_back(line.substr(7, line.find(' ', 7) - 7));
        return out;
    }

private:
    ole::Apartment m_apartment;
    std::vector<std::string> m_lines;
    trace::TraceServer m_server;
    ole::ClassRegistration m_registration;
};
