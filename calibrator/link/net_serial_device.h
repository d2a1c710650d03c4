#pragma once

#include "serial_device.h"
#include "telnet_codec.h"

#include <QSet>
#include <QSocketNotifier>

class QEventLoop;

#include <functional>
#include <memory>

namespace orv {

// A station behind a serial server: "tcp://host:port" carries the bytes as
// they are, "rfc2217://host:port" speaks telnet with COM port control so the
// line settings, DTR and RTS reach the server's port.
class NetSerialDevice final : public SerialDevice
{
    Q_OBJECT
public:
    static constexpr qint64 inputLimit = 64 * 1024;
    static constexpr int connectTimeoutMs = 3000;
    // How long open() waits for the server to take the COM port control and the rate.
    static constexpr int negotiateTimeoutMs = 2000;

    explicit NetSerialDevice(QObject *parent = nullptr);
    ~NetSerialDevice() override;

    static bool isNetworkPath(const QString &path);

    bool open(const QString &path, const LineSettings &settings, bool hardwareFlow) override;
    void close() override;
    bool isOpen() const override { return m_fd >= 0; }
    void setDtr(bool on) override;
    void setRts(bool on) override;
    void write(const QByteArray &bytes) override;
    QByteArray readAll() override;
    void discardInput() override;

    // What could not be applied over a raw connection, each said once.
    QStringList notices() const { return m_notices; }
    // The rate the server last confirmed for its port (0 before any).
    int serverBaud() const { return m_codec.serverBaud(); }

signals:
    void notice(const QString &text);

private:
    bool connectTo(const QString &host, quint16 port);
    // Pumps window events until `fd` can be written or `timeoutMs` pass; false on time-out or close().
    bool waitWritable(int fd, int timeoutMs);
    bool negotiate(const LineSettings &settings, bool hardwareFlow);
    bool waitFor(const std::function<bool()> &done, int timeoutMs);
    // Takes what the socket holds; false when the far end has gone.
    bool receive();
    void sendRaw(const QByteArray &bytes);
    void sendComPort(unsigned char command, const QByteArray &value);
    void flush();
    void noteOnce(const QString &text);
    void handleReadable();
    // A loss found outside the event loop, reported from it.
    void reportLostLater(LineLoss loss);

    QString m_url;
    bool m_telnet = false;
    int m_fd = -1;
    std::unique_ptr<QSocketNotifier> m_readNotifier;
    std::unique_ptr<QSocketNotifier> m_writeNotifier;
    QByteArray m_input;
    int m_receiveError = 0;
    QByteArray m_output;
    bool m_dtr = false;
    bool m_rts = false;

    TelnetCodec m_codec;

    QStringList m_notices;
    QSet<QString> m_noted;
    // Tells a loss queued for an earlier connection from the present one.
    quint64 m_generation = 0;
    // The wait open() is in, so close() can end it and a loss can fail it rather than be emitted.
    QEventLoop *m_waitLoop = nullptr;
    QString m_waitFailure;
};

} // namespace orv
