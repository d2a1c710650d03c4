#include "registry.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>

namespace zq {

QString Registry::defaultPath()
{
    const QString overridden = qEnvironmentVariable("ZQ_REGISTRY");
    if (!overridden.isEmpty())
        return overridden;
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation)
        + QStringLiteral("/zqrinp32/registry.ini");
}

Registry::Registry(QString path) : m_path(std::move(path)) {}

bool Registry::load()
{
    m_keys.clear();
    QFile file(m_path);
    if (!file.exists())
        return true;
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return false;
    QString key;
    while (!file.atEnd()) {
        const QString line = QString::fromUtf8(file.readLine()).trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char(';')))
            continue;
        if (line.startsWith(QLatin1Char('[')) && line.endsWith(QLatin1Char(']'))) {
            key = line.mid(1, line.size() - 2);
            m_keys[key];
            continue;
        }
        const int eq = line.indexOf(QLatin1Char('='));
        if (eq > 0 && !key.isEmpty())
            m_keys[key][line.left(eq)] = line.mid(eq + 1);
    }
    return true;
}

bool Registry::save() const
{
    QDir().mkpath(QFileInfo(m_path).absolutePath());
    QSaveFile file(m_path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Text))
        return false;
    QByteArray out;
    for (auto key = m_keys.cbegin(); key != m_keys.cend(); ++key) {
        out += '[' + key.key().toUtf8() + "]\n";
        for (auto v = key->cbegin(); v != key->cend(); ++v)
            out += v.key().toUtf8() + '=' + v.value().toUtf8() + '\n';
        out += '\n';
    }
    file.write(out);
    return file.commit();
}

QString Registry::value(const QString &key, const QString &name) const
{
    return m_keys.value(key).value(name);
}

void Registry::setValue(const QString &key, const QString &name, const QString &value)
{
    // Values are single lines; a line break would start a new entry.
    QString clean = value;
    clean.replace(QLatin1Char('\n'), QLatin1Char(' '));
    m_keys[key][name] = clean;
}

void Registry::removeTree(const QString &key)
{
    const QString prefix = key + QLatin1Char('\\');
    for (auto it = m_keys.begin(); it != m_keys.end();) {
        if (it.key() == key || it.key().startsWith(prefix))
            it = m_keys.erase(it);
        else
            ++it;
    }
}

} // namespace zq
