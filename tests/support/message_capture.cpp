#include "message_capture.h"

namespace orv::test {

QStringList MessageCapture::texts() const
{
    QStringList out;
    for (const Message &m : messages)
        out << m.text;
    return out;
}

bool MessageCapture::allCriticalOrvCal() const
{
    for (const Message &m : messages)
        if (m.icon != MessageIcon::Critical || m.title != QLatin1String("ORV CAL"))
            return false;
    return true;
}

} // namespace orv::test
