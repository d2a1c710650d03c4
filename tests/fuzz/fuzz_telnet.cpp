#include "fuzz_driver.h"

#include "link/telnet_codec.h"

using namespace orv;

namespace {

// Every answer is one option command: IAC, WILL/WONT/DO/DONT, the option.
bool optionCommands(const QByteArray &replies)
{
    if (replies.size() % 3 != 0)
        return false;
    for (qsizetype i = 0; i < replies.size(); i += 3) {
        if (uchar(replies[i]) != 255 || uchar(replies[i + 1]) < 251 || uchar(replies[i + 1]) > 254)
            return false;
    }
    return true;
}

void decode(TelnetCodec &codec, const QByteArray &bytes, QByteArray &data, QByteArray &replies)
{
    codec.decode(bytes.constData(), bytes.size(), data, replies);
}

} // namespace

// The telnet and RFC 2217 talk of a serial server: however the socket splits what the
// server sends, the same line data and the same answers come out; the answers are
// option commands only; line data and a rate escaped for the wire read back as they were.
void fuzzOne(FuzzInput &in)
{
    const int cut = in.byte();
    const QByteArray rate = in.bytes(4).leftJustified(4, '\xff');
    const QByteArray sent = in.rest();
    TelnetCodec whole, pieces;
    whole.start();
    pieces.start();
    QByteArray data, replies, pieceData, pieceReplies;
    decode(whole, sent, data, replies);
    for (qsizetype at = 0, size = 1; at < sent.size(); at += size, size = 1 + (at * 7 + cut) % 13)
        pieces.decode(sent.constData() + at, qMin(size, sent.size() - at), pieceData, pieceReplies);
    check(pieceData == data && pieceReplies == replies, "the bytes decode the same in any pieces", sent);
    check(whole.serverBaud() == pieces.serverBaud() && whole.comPortAnswered() == pieces.comPortAnswered(),
          "the server's answers count the same in any pieces", sent);
    check(data.size() <= sent.size() && optionCommands(replies), "answers are option commands", replies);

    TelnetCodec fresh;
    QByteArray back, answers;
    decode(fresh, TelnetCodec::escape(data) + TelnetCodec::comPortCommand(101, rate), back, answers);
    check(back == data && answers.isEmpty(), "escaped line data reads back as it was", data);
    const quint32 baud = quint32(uchar(rate[0])) << 24 | quint32(uchar(rate[1])) << 16 | quint32(uchar(rate[2])) << 8
                         | quint32(uchar(rate[3]));
    check(quint32(fresh.serverBaud()) == baud, "a rate escaped for the wire reads back as it was", rate);
}
