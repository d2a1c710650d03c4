#pragma once

#include "link_rig.h"
#include "scripted_peer.h"

#include <QMap>

namespace orv::test {

// A station link on the virtual clock, open on COM2 to a scripted station
// that keeps a value per address: reads answer it, writes store and echo it.
struct ParamsFixture : LinkRig
{
    ParamsFixture()
    {
        peer.setResponder([this](const QByteArray &request) { return answer(request); });
        open();
    }

    QList<ScriptedPeer::Piece> answer(const QByteArray &request)
    {
        if (silent || request.size() < 5)
            return {};
        const int address = uchar(request[4]);
        if (request.mid(2, 2) == "SP" && request.size() >= 9)
            registers[address] = uchar(request[5]) * 256 + uchar(request[6]);
        const int value = registers.value(address);
        return {{20, QByteArray(1, char(value >> 8)) + char(value & 0xFF)}};
    }

    QList<QByteArray> requests() const
    {
        QList<QByteArray> out;
        for (const auto &r : peer.requests())
            out << r.bytes;
        return out;
    }

    ScriptedPeer &peer = addPeer<ScriptedPeer>(2);
    QMap<int, int> registers;
    bool silent = false;
};

} // namespace orv::test
