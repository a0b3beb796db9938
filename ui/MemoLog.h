// The progress log on the window's memo. A run holds the thread, so each change is painted at once:
// the lines show as they come instead of in a frozen window. After each change the window is given its
// turn (afterChange), so that the rest of it is painted too.
#pragma once

#include "printing/ProgressLog.h"

#include <functional>

class QPlainTextEdit;

class MemoLog : public ProgressLog {
public:
    explicit MemoLog(QPlainTextEdit& memo, std::function<void()> afterChange = {})
        : m_memo(memo), m_afterChange(std::move(afterChange)) {}
    void clear() override;
    void append(const std::string& line) override;

private:
    void paintNow();
    QPlainTextEdit& m_memo;
    std::function<void()> m_afterChange;
};
