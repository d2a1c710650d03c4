#pragma once

#include <QByteArray>
#include <QDateTime>

#include <cstdint>

namespace orv {

// The shared state of the station link, one instance for the whole run.
struct LinkState
{
    // com_status after a failed exchange.
    static constexpr std::uint8_t comFailed = 255;
    // write_no_echo for a write that does not wait for its echo.
    static constexpr std::uint8_t noEcho = 255;

    bool exchangeFailed() const { return com_status == comFailed; }

    QByteArray reply_buf;       // bytes received for the request in progress
    QDateTime reply_deadline;   // end of the current receive wait (whole seconds)
    int param_addr = 0;         // address of the next exchange; only 0..255 can be sent
    float param_value = 0.0f;   // value into and out of exchanges and conversions
    std::uint8_t com_status = 0; // 255 after a failed exchange, 0 otherwise
    QByteArray station_version; // the 7-byte version reply, later the definition file name
    QByteArray pkt_start;       // one byte, 0x02; set at start-up
    QByteArray pkt_end;         // one byte, 0x03; set at start-up
    std::uint8_t write_no_echo = 0; // 255: write without reading an echo
    int cur_station = 0;        // selected station slot 0..19
};

} // namespace orv
