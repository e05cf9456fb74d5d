#include "support/PromptRecorder.h"

PromptRecorder::PromptRecorder(QMessageBox::StandardButton answer) : m_answer(answer)
{
    platform::Prompt::setHandler([this](const platform::PromptRequest& r) {
        m_boxes.append(r);
        return (r.buttons & m_answer) ? m_answer : QMessageBox::Ok;
    });
}

PromptRecorder::~PromptRecorder()
{
    platform::Prompt::setHandler({});
}
