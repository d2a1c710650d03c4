#include "message.h"

#include <QStringList>

#include <cstdio>

namespace orv {

QString printable(const QString &text)
{
    QString out;
    out.reserve(text.size());
    static const char hex[] = "0123456789abcdef";
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if (u == '\r')
            out += QLatin1String("\\r");
        else if (u == '\n')
            out += QLatin1String("\\n");
        else if (u == '\t')
            out += QLatin1String("\\t");
        else if (u < 0x20 || (u >= 0x7f && u < 0xa0))
            out.append(QLatin1String("\\x")).append(QLatin1Char(hex[u >> 4])).append(QLatin1Char(hex[u & 15]));
        else
            out += c;
    }
    return out;
}

QString printableMessage(const QString &title, const QString &text)
{
    // The program's own line breaks stay; what a file or the station put there does not.
    QStringList lines = text.split(QLatin1Char('\n'));
    for (QString &line : lines)
        line = printable(line);
    return printable(title) + QStringLiteral(": ") + lines.join(QLatin1Char('\n'));
}

void StderrMessages::showMessage(const QString &text, MessageIcon, const QString &title)
{
    std::fprintf(stderr, "%s\n", qPrintable(printableMessage(title, text)));
}

} // namespace orv
