#include "ui/MemoLog.h"

#include <QPlainTextEdit>
#include <QScrollBar>

void MemoLog::clear() {
    m_memo.clear();
    paintNow();
}

void MemoLog::append(const std::string& line) {
    m_memo.appendPlainText(QString::fromStdString(line));
    paintNow();
}

void MemoLog::paintNow() {
    // The newest line in view, then painted now rather than when the event loop next runs.
    m_memo.verticalScrollBar()->setValue(m_memo.verticalScrollBar()->maximum());
    m_memo.repaint();
    if (m_afterChange) m_afterChange();
}
