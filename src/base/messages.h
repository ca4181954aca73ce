#pragma once

#include <QString>

#include <functional>

namespace plx {

// The kinds of message box; the kind's text is the box's title.
enum class MessageKind {
    Erreur,   // "ERREUR", error icon
    Aide,     // "AIDE", information icon
    Question, // "QUESTION", yes/no; the answer is returned
};

QString messageTitle(MessageKind kind);

// Every message of the program goes through here. The client installs a handler that
// shows a message box; the command-line tool prints; tests record. Without a handler
// the text goes to stderr and a question is answered "no".
bool showMessage(MessageKind kind, const QString &text);

// A question whose default button (Enter) is "Non", for an action that is hard to take
// back. Goes through the same handler as showMessage.
bool askQuestionDefaultNo(const QString &text);
// True while such a question is being asked: the handler that shows boxes reads it.
bool questionDefaultsToNo();

using MessageHandler = std::function<bool(MessageKind, const QString &)>;
// Returns the previous handler, so that a test can restore it.
MessageHandler setMessageHandler(MessageHandler handler);

} // namespace plx
