#pragma once

#include <QByteArray>
#include <QFile>
#include <QList>
#include <QTemporaryDir>

#include <utility>

namespace orv::test {

// A definition-file folder holding a shipped file with some of its lines
// replaced, put in front of the search path (ORV_PRM_DIR) for its lifetime.
class PrmFolder
{
public:
    // Every line of the shipped `name` that contains the first text of a pair
    // becomes the second; the other lines stay as shipped.
    PrmFolder(const QString &name, const QList<std::pair<QByteArray, QByteArray>> &replacements)
        : m_saved(qgetenv("ORV_PRM_DIR"))
    {
        QFile shipped(QString::fromLocal8Bit(m_saved) + QLatin1Char('/') + name);
        QFile copy(m_dir.filePath(name));
        m_ok = shipped.open(QIODevice::ReadOnly) && copy.open(QIODevice::WriteOnly);
        if (!m_ok)
            return;
        for (QByteArray line : shipped.readAll().split('\r')) {
            line = line.trimmed();
            if (line.isEmpty())
                continue;
            for (const auto &[text, replacement] : replacements)
                if (line.contains(text))
                    line = replacement;
            copy.write(line + "\r\n");
        }
        qputenv("ORV_PRM_DIR", QFile::encodeName(m_dir.path()));
    }
    ~PrmFolder()
    {
        if (m_ok)
            qputenv("ORV_PRM_DIR", m_saved);
    }
    PrmFolder(const PrmFolder &) = delete;
    PrmFolder &operator=(const PrmFolder &) = delete;

    bool ok() const { return m_ok; }

private:
    QByteArray m_saved;
    QTemporaryDir m_dir;
    bool m_ok = false;
};

} // namespace orv::test
