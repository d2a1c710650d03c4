#pragma once

#include "pump.h"

class QEventLoop;

namespace orv {

// Waits in a nested event loop woken by a precise timer or by wake(), so a
// 15-second receive wait costs no CPU and the windows stay live meanwhile.
class QtPump final : public Pump
{
public:
    QDateTime now() const override;
    bool waitUntil(const QDateTime &until, const std::function<bool()> &done = {}) override;
    void wake() override;

private:
    QEventLoop *m_loop = nullptr;
};

} // namespace orv
