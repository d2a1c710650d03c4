#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <array>
#include <cstdint>

namespace orv {

// The connection parameters of the twenty station slots, held exactly as they
// lie in "COM Settings.Dat": text fields are fixed-width single-byte text
// (Latin-1, '?' for anything it cannot hold), left-aligned, space-padded.
struct ComSettings
{
    static constexpr int slotCount = 20;
    static constexpr int phoneWidth = 30;
    static constexpr int setupWidth = 100;
    static constexpr int nameWidth = 20;
    static constexpr int fileSize = 3140;

    // Byte offsets of the six arrays in the file.
    static constexpr int comPortOffset = 0;
    static constexpr int baudRateOffset = 40;
    static constexpr int modemFlagOffset = 120;
    static constexpr int phoneOffset = 140;
    static constexpr int setupOffset = 740;
    static constexpr int nameOffset = 2740;

    std::array<std::int16_t, slotCount> com_port{};
    std::array<float, slotCount> baud_rate{};
    std::array<std::uint8_t, slotCount> modem_flag{};
    std::array<QByteArray, slotCount> phone_number;
    std::array<QByteArray, slotCount> modem_setup;
    std::array<QByteArray, slotCount> station_name;

    static ComSettings defaults();
    static QString defaultName(int slot);

    QByteArray toBytes() const;
    // `bytes` must hold fileSize bytes; the caller checks the length first.
    static ComSettings fromBytes(const QByteArray &bytes);

    // Store a text cut or padded to `width` single-byte characters.
    static QByteArray fixedText(const QString &text, int width);
    static QString trimmedText(const QByteArray &field);

    // The edits the properties window makes to a slot.
    void setPhoneNumber(int slot, const QString &text) { phone_number[slot] = fixedText(text, phoneWidth); }
    void setModemSetup(int slot, const QString &text) { modem_setup[slot] = fixedText(text, setupWidth); }
    // Trimmed; an empty name becomes the slot's default name.
    void setStationName(int slot, const QString &text);

    QString phoneNumber(int slot) const { return trimmedText(phone_number[slot]); }
    QString modemSetup(int slot) const { return trimmedText(modem_setup[slot]); }
    QString stationName(int slot) const { return trimmedText(station_name[slot]); }
    // modem_flag of a slot with a modem on its port; 0 is a direct cable.
    static constexpr std::uint8_t modemPresent = 255;
    bool hasModem(int slot) const { return modem_flag[slot] == modemPresent; }

    // What in a slot read from the file cannot be used as it is (a port
    // outside COM1..COM8, a rate that is not one of the eight, a modem flag
    // other than 0 and 255), one sentence each; empty for a sound slot.
    QStringList problems(int slot) const;
};

} // namespace orv
