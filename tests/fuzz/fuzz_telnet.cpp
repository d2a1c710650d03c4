#include "fuzz_driver.h"

#include "link/telnet_codec.h"

#include <QtEndian>

using namespace orv;

// The telnet and RFC 2217 talk of a serial server: however the socket splits what the
// server sends, the same line data and answers come out, and the answers are option
// commands only; line data and a rate escaped for the wire read back as they were.
void fuzzOne(FuzzInput &in)
{
    const int cut = in.byte();
    const QByteArray rate = in.bytes(4).leftJustified(4, '\xff'), sent = in.rest();
    TelnetCodec whole, pieces, fresh;
    whole.start();
    pieces.start();
    QByteArray data, replies, pieceData, pieceReplies, back, answers;
    whole.decode(sent.constData(), sent.size(), data, replies);
    for (qsizetype at = 0, size = 1; at < sent.size(); at += size, size = 1 + (at * 7 + cut) % 13)
        pieces.decode(sent.constData() + at, qMin(size, sent.size() - at), pieceData, pieceReplies);
    check(pieceData == data && pieceReplies == replies && whole.serverBaud() == pieces.serverBaud()
              && whole.comPortAnswered() == pieces.comPortAnswered(),
          "the bytes decode the same in any pieces", sent);
    bool commands = replies.size() % 3 == 0;
    for (qsizetype i = 0; commands && i < replies.size(); i += 3)
        commands = uchar(replies[i]) == 255 && uchar(replies[i + 1]) >= 251 && uchar(replies[i + 1]) <= 254;
    check(commands, "answers are option commands: IAC, WILL, WONT, DO or DONT, the option", replies);
    const QByteArray wire = TelnetCodec::escape(data) + TelnetCodec::comPortCommand(101, rate);
    fresh.decode(wire.constData(), wire.size(), back, answers);
    check(back == data && answers.isEmpty(), "escaped line data reads back as it was", data);
    check(quint32(fresh.serverBaud()) == qFromBigEndian<quint32>(rate.constData()),
          "a rate escaped for the wire reads back as it was", rate);
}
