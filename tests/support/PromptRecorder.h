#pragma once

#include "platform/Prompt.h"

#include <QList>

// Answers every message box of the program and remembers it, for as long as it lives.
class PromptRecorder {
public:
    explicit PromptRecorder(QMessageBox::StandardButton answer = QMessageBox::Ok);
    ~PromptRecorder();

    void setAnswer(QMessageBox::StandardButton answer) { m_answer = answer; }
    const QList<platform::PromptRequest>& boxes() const { return m_boxes; }
    int count() const { return int(m_boxes.size()); }
    platform::PromptRequest last() const { return m_boxes.isEmpty() ? platform::PromptRequest() : m_boxes.last(); }
    void clear() { m_boxes.clear(); }

private:
    QList<platform::PromptRequest> m_boxes;
    QMessageBox::StandardButton m_answer;
};
