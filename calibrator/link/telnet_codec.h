#pragma once

#include <QByteArray>
#include <QSet>

#include <initializer_list>

namespace orv {

// COM port control commands, client to server (RFC 2217); the server answers each
// with the command plus ComPortReplyOffset.
enum ComPortCommand : unsigned char { SET_BAUDRATE = 1, SET_DATASIZE = 2, SET_PARITY = 3, SET_STOPSIZE = 4, SET_CONTROL = 5 };
constexpr unsigned char ComPortReplyOffset = 100;

// Protocol bytes written as a list, as the option and COM port control tables give them.
QByteArray byteList(std::initializer_list<unsigned char> list);

// The telnet side of an RFC 2217 connection, apart from the socket: takes what the
// server sends apart into line data and option talk, answers the options (binary,
// suppress-go-ahead and COM port control are taken, every other one refused) and
// keeps what the server said of COM port control and of its rate.
class TelnetCodec
{
public:
    // The opening requests: binary both ways, and COM port control from us.
    QByteArray start();
    // Takes bytes as they came off the socket, in pieces of any size: line data is
    // appended to `data`, the answers owed to the server to `replies`.
    void decode(const char *bytes, qsizetype size, QByteArray &data, QByteArray &replies);
    // Forgets the options and any half-read command; the rate last confirmed stays known.
    void reset();

    bool comPortAnswered() const { return m_comPortAnswered; }
    bool comPortRefused() const { return m_comPortRefused; }
    // The rate the server last confirmed for its port (0 before any, or once cleared).
    int serverBaud() const { return m_serverBaud; }
    void clearServerBaud() { m_serverBaud = 0; }

    // A COM port control command (client to server) with its value, IAC doubled.
    static QByteArray comPortCommand(unsigned char command, const QByteArray &value);
    // Line data for the wire: a 0xFF byte is sent twice.
    static QByteArray escape(const QByteArray &data);

private:
    enum class State { Data, Iac, Option, Sub, SubIac };

    void handleOption(unsigned char command, unsigned char option, QByteArray &replies);
    void handleSubnegotiation();

    State m_state = State::Data;
    unsigned char m_command = 0;
    QByteArray m_sub;
    QSet<int> m_remoteOn; // options the server does
    QSet<int> m_localOn;  // options we do
    QSet<int> m_remoteAsked;
    QSet<int> m_localAsked;
    bool m_comPortAnswered = false;
    bool m_comPortRefused = false;
    int m_serverBaud = 0;
};

} // namespace orv
