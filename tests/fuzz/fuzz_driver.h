#pragma once

#include <QByteArray>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

// The bytes of one input, taken from the front as a target asks; a spent input answers
// zeros, so every input decodes to some well-formed sequence.
class FuzzInput
{
public:
    FuzzInput(const std::uint8_t *data, std::size_t size) : m_data(data), m_end(data + size) {}
    bool atEnd() const { return m_data >= m_end; }
    int byte() { return atEnd() ? 0 : *m_data++; }
    // 0 .. n-1, for n up to 65536.
    int below(int n) { return n <= 256 ? byte() % n : ((byte() << 8) | byte()) % n; }
    QByteArray bytes(std::ptrdiff_t n)
    {
        n = std::min(n, m_end - m_data);
        m_data += n;
        return QByteArray(reinterpret_cast<const char *>(m_data - n), n);
    }
    // A piece of up to `longest` bytes, its length first.
    QByteArray text(int longest = 255) { return bytes(below(longest + 1)); }
    QByteArray rest() { return bytes(m_end - m_data); }

private:
    const std::uint8_t *m_data, *m_end;
};

// Ends the run, and libFuzzer keeps the input, when an invariant does not hold.
inline void check(bool holds, const char *invariant, const QByteArray &detail = QByteArray())
{
    if (!holds) {
        std::fprintf(stderr, "invariant broken: %s\n%s\n", invariant, detail.toHex(' ').constData());
        std::abort();
    }
}

// Each target's entry point, called once an input.
void fuzzOne(FuzzInput &in);
