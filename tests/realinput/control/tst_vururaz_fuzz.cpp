#include "control_fixture.h"

#include <QRandomGenerator>
#include <QTest>

#include <cmath>
#include <iterator>

using zq::Variant;

namespace {

// Texts that favour what the formatting reacts to, with now and then a long run.
QString randomText(QRandomGenerator &rng)
{
    static const char alphabet[] = "0123456789.,-+()$e E\xe9x\t";
    const int length = rng.bounded(8) == 0 ? rng.bounded(2000) : rng.bounded(24);
    QString s;
    for (int i = 0; i < length; ++i)
        s += QLatin1Char(alphabet[rng.bounded(int(sizeof alphabet) - 1)]);
    return s;
}

Variant randomValue(QRandomGenerator &rng)
{
    static const double extremes[] = {0, -1, 1, 1e308, -1e308, 1.7e308, 3.3e38, -1.1e38, 1e-300, 12.5, 99, 100, 101};
    switch (rng.bounded(6)) {
    case 0: return Variant::fromI4(rng.bounded(-40000, 40000));
    case 1: return Variant::fromR8(extremes[rng.bounded(int(std::size(extremes)))]);
    case 2: return Variant::fromBool(rng.bounded(2));
    case 3: return Variant::fromString(randomText(rng));
    case 4: return Variant::fromI2(short(rng.bounded(-3, 16)));
    default: return Variant::fromR8((rng.generateDouble() - 0.5) * std::pow(10.0, rng.bounded(40)));
    }
}

// A container that answers InvalidSetText at random, at times with an overlong text.
class RandomSite : public TestSite
{
public:
    explicit RandomSite(QRandomGenerator &rng) : m_rng(rng) {}
    void handleEvent(int dispid, zq::EventArgs &args) override
    {
        if (dispid != vururaz::event::InvalidSetText)
            return;
        if (m_rng.bounded(3) == 0)
            args[0].value = Variant::fromI2(-1);
        if (m_rng.bounded(3) == 0)
            args[1].value = Variant::fromString(randomText(m_rng) + QString(m_rng.bounded(2) ? 1500 : 0, '9'));
    }

private:
    QRandomGenerator &m_rng;
};

} // namespace

class TstVururazFuzz : public QObject
{
    Q_OBJECT

private slots:
    void randomAutomationKeepsTheInvariants()
    {
        QRandomGenerator rng(20240611);
        RandomSite site(rng);
        CVururazCtrl control;
        control.setIntlProfile(std::make_shared<zq::FixedIntlProfile>());
        control.setClientSite(&site);
        control.eventConnection().advise(&site);
        control.loadFromBag(QByteArray());
        const auto &members = control.dispatchInterface().members;
        QByteArray saved = control.saveToStream();
        const int textIds[] = {14, 48, 13, 46};

        for (int step = 0; step < 4000; ++step) {
            const zq::MemberInfo &m = members[rng.bounded(int(members.size()))];
            try {
                switch (rng.bounded(10)) {
                case 0: case 1: case 2: case 3:
                    if (m.kind == zq::MemberKind::Property && m.name != "MouseIcon" && m.name != "Font")
                        control.putProperty(m.dispid, randomValue(rng));
                    break;
                case 4: case 5:
                    // Text, TextRaw, SelText and ValueReal all take texts from scripts.
                    control.putProperty(textIds[rng.bounded(4)], Variant::fromString(randomText(rng)));
                    break;
                case 6:
                    if (m.kind == zq::MemberKind::Property)
                        control.getProperty(m.dispid);
                    break;
                case 7:
                    saved = rng.bounded(2) ? control.saveToStream() : control.saveToBag();
                    break;
                case 8: {
                    QByteArray damaged = saved.left(rng.bounded(int(saved.size()) + 1));
                    if (!damaged.isEmpty() && rng.bounded(2))
                        damaged[rng.bounded(int(damaged.size()))] = char(rng.bounded(256));
                    if (damaged.startsWith("ZQPS"))
                        control.loadFromStream(damaged);
                    else
                        control.loadFromBag(damaged);
                    break;
                }
                default:
                    site.userMode = rng.bounded(4) != 0;
                    if (rng.bounded(20) == 0)
                        control.resetState();
                }
            } catch (const zq::AutomationError &) {
                // Refusals are part of the interface; the invariants below must hold anyway.
            }
            const zq::TextState &s = control.textState();
            QVERIFY2(s.text.size() <= zq::MaxTextLength, qPrintable(QString::number(step)));
            QVERIFY(!s.text.contains('\0'));
            QVERIFY2(s.caret >= 0 && s.caret <= s.text.size(), qPrintable(QString::number(step)));
            QVERIFY(s.caret + s.selLength >= 0 && s.caret + s.selLength <= s.text.size());
        }
    }
};

QTEST_MAIN(TstVururazFuzz)
#include "tst_vururaz_fuzz.moc"
