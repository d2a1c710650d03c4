#pragma once

#include "line_settings.h"
#include "line_trace.h"
#include "port_map.h"
#include "serial_device.h"

#include <QByteArray>
#include <QObject>

#include <memory>

namespace orv {

// The serial control `Comm1`: one port plus its terminal display switches.
// Each operation carries the dispatch id of the role it plays, so link code
// reads like the station procedures that use it.
class CommControl : public QObject
{
    Q_OBJECT
public:
    enum DispId {
        PortNumber = 4,
        DtrEnable = 7,
        Handshaking = 8,
        InBufferCount = 10,
        Input = 11,
        SetupA = 12,
        SetupB = 14,
        SetupC = 18,
        Output = 19,
        PortOpen = 21,
        RtsEnable = 23,
        Settings = 24,
        TerminalWrite = 34,
        TerminalText = 35,
        TerminalModeA = 36,
        TerminalModeB = 37,
    };
    Q_ENUM(DispId)

    enum HandshakeMode { NoHandshaking = 0, XonXoff = 1, RtsCts = 2 };

    CommControl(std::unique_ptr<SerialDevice> device, PortMap ports, QObject *parent = nullptr);
    ~CommControl() override;

    // 4: taken by the next open.
    void setCommPort(int port) { m_port = port; }
    int commPort() const { return m_port; }
    // 7, 23
    void setDTREnable(bool on);
    void setRTSEnable(bool on);
    // 8
    void setHandshaking(int mode) { m_handshaking = mode; }
    int handshaking() const { return m_handshaking; }
    // 10: only 0 is meaningful; discards everything received and not yet taken.
    void setInBufferCount(int count);
    // What the port holds for input() at most; beyond it the line is held back.
    static constexpr qsizetype inputLimit = 64 * 1024;

    // 11: never blocks; returns the bytes received since the previous call.
    QByteArray input();
    // 12, 14, 18: the connection set-up values; accepted and kept, nothing more.
    void setSetupValue(DispId id, int value);
    // 19: bytes leave in order, unchanged.
    void setOutput(const QByteArray &bytes);
    // 21: opening fails when the port is absent, busy, forbidden or refuses the settings.
    bool setPortOpen(bool open);
    bool portOpen() const;
    // 24: a malformed text, or a rate that is not one of the eight station
    // rates, is refused (false), never silently defaulted.
    bool setSettings(const QString &text);
    QString settings() const { return m_settings.toString(); }
    // 34, 35
    void setTerminalWrite(const QByteArray &text);
    void setTerminalText(const QByteArray &text);
    // 36, 37: the display is on while both are non-zero.
    void setTerminalMode(DispId id, int value);
    bool terminalActive() const { return m_terminalModeA != 0 && m_terminalModeB != 0; }
    // Both switches in the order the control expects: 37 then 36, to 3 and 2
    // for on, to 0 and 0 for off.
    void setTerminalDisplay(bool on);

    // A station slot's line, set before opening: hardware handshaking and RTS
    // with a modem on the port, neither on a direct cable; DTR on either way.
    void setUpLine(bool modem);

    // The open port went away by itself (hang-up, unplugged adapter) and the
    // program has neither closed nor reopened it since.
    bool lost() const { return m_lost; }
    QString lostReason() const { return m_lostReason; }

    // What went wrong with the last failed open (or the refused settings
    // before it), for the message layer.
    PortError lastOpenError() const { return m_lastError; }
    QString lastOpenErrorString() const { return m_lastErrorString; }
    // The reason, as a line to put under "Selected COM Port is Unavailable.",
    // followed by what the user can do about it when there is something.
    QString lastOpenFailureText() const;
    QString lastOpenAdvice() const { return portAccessAdvice(m_lastError, m_lastAccessGroup); }

    QString devicePath(int port) const { return m_ports.devicePath(port); }
    const PortMap &ports() const { return m_ports; }
    SerialDevice &device() { return *m_device; }

    // Every byte sent, or received by the port, is shown to `observer` (null: none).
    void setLineObserver(LineObserver *observer) { m_observer = observer; }
    LineObserver *lineObserver() const { return m_observer; }

    // The terminal display's keyboard path: typed bytes go out as typed.
    void sendTyped(const QByteArray &bytes) { setOutput(bytes); }

signals:
    // Bytes have arrived that input() can take (terminal display off).
    void dataArrived();
    // What the terminal display must show: received bytes or terminal writes.
    void terminalShow(const QByteArray &bytes);
    void terminalCleared();
    void terminalActiveChanged(bool active);
    void portOpenChanged(bool open);
    // The port went away by itself; it is closed already.
    void lineLost(const QString &reason);

private:
    void handleReadyRead();
    void handleLost(const QString &reason);
    QByteArray readDevice();

    std::unique_ptr<SerialDevice> m_device;
    PortMap m_ports;
    int m_port = 1;
    int m_handshaking = NoHandshaking;
    bool m_dtr = false;
    bool m_rts = false;
    LineSettings m_settings; // design-time value 9600,N,8,1
    QByteArray m_pending;
    int m_setupValues[3] = {0, 0, 0};
    int m_terminalModeA = 0;
    int m_terminalModeB = 0;
    bool m_lost = false;
    QString m_lostReason;
    PortError m_lastError = PortError::None;
    QString m_lastErrorString;
    QString m_lastAccessGroup;
    LineObserver *m_observer = nullptr;
};

} // namespace orv
