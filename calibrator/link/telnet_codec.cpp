#include "telnet_codec.h"

namespace orv {

namespace {

constexpr unsigned char IAC = 255, DONT = 254, DO = 253, WONT = 252, WILL = 251, SB = 250, SE = 240;
constexpr unsigned char BINARY = 0, SGA = 3, COM_PORT = 44;

} // namespace

QByteArray byteList(std::initializer_list<unsigned char> list)
{
    QByteArray out;
    for (unsigned char c : list)
        out.append(char(c));
    return out;
}

QByteArray TelnetCodec::start()
{
    m_localAsked = {BINARY, COM_PORT};
    m_remoteAsked = {BINARY};
    return byteList({IAC, WILL, BINARY, IAC, DO, BINARY, IAC, WILL, COM_PORT});
}

void TelnetCodec::reset()
{
    m_state = State::Data;
    m_sub.clear();
    m_remoteOn.clear();
    m_localOn.clear();
    m_remoteAsked.clear();
    m_localAsked.clear();
    m_comPortAnswered = false;
    m_comPortRefused = false;
}

void TelnetCodec::decode(const char *data, qsizetype size, QByteArray &out, QByteArray &replies)
{
    for (qsizetype i = 0; i < size; ++i) {
        const auto c = static_cast<unsigned char>(data[i]);
        switch (m_state) {
        case State::Data:
            if (c == IAC)
                m_state = State::Iac;
            else
                out.append(char(c));
            break;
        case State::Iac:
            if (c == IAC) {
                out.append(char(c));
                m_state = State::Data;
            } else if (c >= WILL && c <= DONT) {
                m_command = c;
                m_state = State::Option;
            } else if (c == SB) {
                m_sub.clear();
                m_state = State::Sub;
            } else {
                m_state = State::Data; // NOP, GA and the like carry nothing for us
            }
            break;
        case State::Option:
            handleOption(m_command, c, replies);
            m_state = State::Data;
            break;
        case State::Sub:
            if (c == IAC)
                m_state = State::SubIac;
            else
                m_sub.append(char(c));
            break;
        case State::SubIac:
            if (c == IAC) {
                m_sub.append(char(c));
                m_state = State::Sub;
            } else {
                if (c == SE)
                    handleSubnegotiation();
                m_state = State::Data;
            }
            break;
        }
    }
}

void TelnetCodec::handleOption(unsigned char command, unsigned char option, QByteArray &replies)
{
    // Answer only what changes an option's state, so two parties cannot echo each other for ever.
    const bool weDo = option == BINARY || option == SGA || option == COM_PORT;
    const bool theyMay = option == BINARY || option == SGA;
    switch (command) {
    case WILL:
        if (m_remoteOn.contains(option))
            return;
        if (theyMay) {
            m_remoteOn.insert(option);
            if (!m_remoteAsked.remove(option))
                replies += byteList({IAC, DO, option});
        } else {
            replies += byteList({IAC, DONT, option});
        }
        return;
    case WONT:
        m_remoteAsked.remove(option);
        if (m_remoteOn.remove(option))
            replies += byteList({IAC, DONT, option});
        return;
    case DO:
        if (option == COM_PORT)
            m_comPortAnswered = true;
        if (m_localOn.contains(option))
            return;
        if (weDo) {
            m_localOn.insert(option);
            if (!m_localAsked.remove(option))
                replies += byteList({IAC, WILL, option});
        } else {
            replies += byteList({IAC, WONT, option});
        }
        return;
    case DONT:
        if (option == COM_PORT) {
            m_comPortAnswered = true;
            m_comPortRefused = true;
        }
        m_localAsked.remove(option);
        if (m_localOn.remove(option))
            replies += byteList({IAC, WONT, option});
        return;
    default:
        return;
    }
}

void TelnetCodec::handleSubnegotiation()
{
    if (m_sub.size() < 2 || static_cast<unsigned char>(m_sub[0]) != COM_PORT)
        return;
    const auto command = static_cast<unsigned char>(m_sub[1]);
    if (command == ComPortReplyOffset + SET_BAUDRATE && m_sub.size() >= 6) {
        const auto *v = reinterpret_cast<const unsigned char *>(m_sub.constData() + 2);
        m_serverBaud = int((quint32(v[0]) << 24) | (quint32(v[1]) << 16) | (quint32(v[2]) << 8) | quint32(v[3]));
    }
}

QByteArray TelnetCodec::comPortCommand(unsigned char command, const QByteArray &value)
{
    return byteList({IAC, SB, COM_PORT, command}) + escape(value) + byteList({IAC, SE});
}

QByteArray TelnetCodec::escape(const QByteArray &data)
{
    QByteArray escaped;
    escaped.reserve(data.size() + 8);
    for (char c : data) {
        escaped.append(c);
        if (static_cast<unsigned char>(c) == IAC)
            escaped.append(c);
    }
    return escaped;
}

} // namespace orv
