#pragma once

#include <QString>

namespace orv {

enum class MessageIcon { None, Critical, Question, Exclamation, Information };

// Where the program's message boxes go: the windows show a QMessageBox, the
// command line prints to stderr, tests record the text. Handed to the link,
// and through it to everything that talks to the station.
class MessageSink
{
public:
    virtual ~MessageSink() = default;

    virtual void showMessage(const QString &text, MessageIcon icon, const QString &title) = 0;
};

// A text from a file or from the station made fit for a terminal: control characters
// (C0, DEL, C1) come out as \r, \n, \t or \xHH, so none of them reaches it raw.
QString printable(const QString &text);
// "title: text" as a terminal gets it: the program's own line breaks kept, every
// other control character escaped.
QString printableMessage(const QString &title, const QString &text);

// "title: text" on stderr: the command line's sink, and the link's until it is given another.
class StderrMessages final : public MessageSink
{
public:
    void showMessage(const QString &text, MessageIcon icon, const QString &title) override;
};

} // namespace orv
