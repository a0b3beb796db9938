// The progress log on the window's memo. A run holds the thread, so each change is painted at once:
// the lines show as they come instead of in a frozen window. Painting handles no input.
#pragma once

#include "printing/ProgressLog.h"

class QPlainTextEdit;

class MemoLog : public ProgressLog {
public:
    explicit MemoLog(QPlainTextEdit& memo) : m_memo(memo) {}
    void clear() override;
    void append(const std::string& line) override;

private:
    void paintNow();
    QPlainTextEdit& m_memo;
};
