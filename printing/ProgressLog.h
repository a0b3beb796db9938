// The run's progress lines: cleared once, then appended to.
#pragma once

#include <string>
#include <vector>

class ProgressLog {
public:
    virtual ~ProgressLog() = default;
    virtual void clear() = 0;
    virtual void append(const std::string& line) = 0;  // UTF-8
};

// A log that keeps its lines in memory.
class LineLog : public ProgressLog {
public:
    void clear() override { m_lines.clear(); }
    void append(const std::string& line) override { m_lines.push_back(line); }
    const std::vector<std::string>& lines() const noexcept { return m_lines; }

private:
    std::vector<std::string> m_lines;
};
