#include "base/messages.h"

#include <cstdio>

namespace plx {

namespace {
MessageHandler &handler()
{
    static MessageHandler current;
    return current;
}

bool &defaultNo()
{
    static bool current = false;
    return current;
}
} // namespace

QString messageTitle(MessageKind kind)
{
    switch (kind) {
    case MessageKind::Erreur:
        return QStringLiteral("ERREUR");
    case MessageKind::Aide:
        return QStringLiteral("AIDE");
    case MessageKind::Question:
        return QStringLiteral("QUESTION");
    }
    return QString();
}

bool showMessage(MessageKind kind, const QString &text)
{
    if (handler())
        return handler()(kind, text);
    std::fprintf(stderr, "%s: %s\n", qPrintable(messageTitle(kind)), qPrintable(text));
    return false;
}

bool askQuestionDefaultNo(const QString &text)
{
    const bool previous = defaultNo();
    defaultNo() = true;
    const bool answer = showMessage(MessageKind::Question, text);
    defaultNo() = previous;
    return answer;
}

bool questionDefaultsToNo()
{
    return defaultNo();
}

MessageHandler setMessageHandler(MessageHandler newHandler)
{
    MessageHandler previous = std::move(handler());
    handler() = std::move(newHandler);
    return previous;
}

} // namespace plx
