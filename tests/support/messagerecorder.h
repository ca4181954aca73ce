#pragma once

#include "base/messages.h"

#include <QStringList>

#include <deque>

namespace plxtest {

// Records every message box as "TITLE: text" instead of showing it; a question takes the
// next queued answer ("no" when none is left). The previous handler comes back at the end.
class MessageRecorder
{
public:
    MessageRecorder()
    {
        m_previous = plx::setMessageHandler([this](plx::MessageKind kind, const QString &text) {
            messages << plx::messageTitle(kind) + QStringLiteral(": ") + text;
            if (kind != plx::MessageKind::Question || answers.empty())
                return false;
            const bool answer = answers.front();
            answers.pop_front();
            return answer;
        });
    }
    ~MessageRecorder() { plx::setMessageHandler(m_previous); }
    MessageRecorder(const MessageRecorder &) = delete;
    MessageRecorder &operator=(const MessageRecorder &) = delete;

    QStringList messages;
    std::deque<bool> answers;

private:
    plx::MessageHandler m_previous;
};

} // namespace plxtest
