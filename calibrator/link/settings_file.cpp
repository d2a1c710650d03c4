#include "settings_file.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

#include <unistd.h>

namespace orv {

bool SettingsFile::load(const QString &dir, ComSettings &settings)
{
    m_error.clear();
    if (m_file.isOpen())
        m_file.close();
    QDir().mkpath(dir);
    m_file.setFileName(QDir(dir).filePath(fileName()));
    m_readOnly = false;
    if (!m_file.open(QIODevice::ReadWrite)) {
        const QString why = m_file.errorString();
        // The user's slots are worth having even where they cannot be changed.
        m_readOnly = m_file.exists() && m_file.open(QIODevice::ReadOnly);
        if (!m_readOnly) {
            m_error = QStringLiteral("cannot open %1: %2").arg(m_file.fileName(), why);
            return false;
        }
    }
    if (m_file.size() != ComSettings::fileSize) {
        settings = ComSettings::defaults();
        return writeRecord(settings);
    }
    m_file.seek(0);
    const QByteArray bytes = m_file.read(ComSettings::fileSize);
    if (bytes.size() != ComSettings::fileSize) {
        m_error = QStringLiteral("cannot read %1: %2").arg(m_file.fileName(), m_file.errorString());
        return false;
    }
    settings = ComSettings::fromBytes(bytes);
    return true;
}

bool SettingsFile::save(const ComSettings &settings)
{
    m_error.clear();
    if (!m_file.isOpen()) {
        m_error = QStringLiteral("the settings file is not open");
        return false;
    }
    return writeRecord(settings);
}

bool SettingsFile::writeRecord(const ComSettings &settings)
{
    if (m_readOnly) {
        m_error = QStringLiteral("cannot write %1: the file may be read but not written").arg(m_file.fileName());
        return false;
    }
    const QByteArray bytes = settings.toBytes();
    // Flush and fsync: a power cut right after a save must not lose it.
    if (!m_file.seek(0) || m_file.write(bytes) != bytes.size() || !m_file.flush()
        || ::fsync(m_file.handle()) != 0) {
        m_error = QStringLiteral("cannot write %1: %2").arg(m_file.fileName(), m_file.errorString());
        return false;
    }
    return true;
}

QString dataDirectory(const QString &overrideDir, const QString &programDir)
{
    if (!overrideDir.isEmpty())
        return overrideDir;
    const QString env = qEnvironmentVariable("ORV_DATA_DIR");
    if (!env.isEmpty())
        return env;
    const QString appDir = programDir.isEmpty() ? QCoreApplication::applicationDirPath() : programDir;
    // Run as root, an installed program could write into /usr/bin; its users
    // still want their own settings.
    const bool installed = QDir(appDir).exists(QStringLiteral("../share/orvcal"));
    if (!appDir.isEmpty() && !installed && QFileInfo(appDir).isWritable())
        return appDir;
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + QStringLiteral("/orvcal");
}

} // namespace orv
