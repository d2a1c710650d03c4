#pragma once

#include "com_settings.h"

#include <QFile>
#include <QString>

namespace orv {

// "COM Settings.Dat": opened at start-up and kept open for the whole run.
class SettingsFile
{
public:
    static QString fileName() { return QStringLiteral("COM Settings.Dat"); }

    // Opens (or creates) the file in `dir`. A file whose length is not exactly
    // 3140 bytes gets the defaults written over bytes 0..3139. A file that may
    // be read but not written is read all the same; only saving it then fails.
    // False when the file cannot be opened or written; error() says why.
    bool load(const QString &dir, ComSettings &settings);

    // Writes the whole record over bytes 0..3139 and makes sure it reached the
    // disk before returning.
    bool save(const ComSettings &settings);

    QString path() const { return m_file.fileName(); }
    QString error() const { return m_error; }
    bool isReadOnly() const { return m_readOnly; }

private:
    bool writeRecord(const ComSettings &settings);

    QFile m_file;
    QString m_error;
    bool m_readOnly = false;
};

// Where the program keeps its files: ORV_DATA_DIR when set, else the
// program's own folder when it can be written and is not an installed one
// (a share/orvcal beside it), else the per-user data folder. `programDir`
// defaults to the running program's folder.
QString dataDirectory(const QString &overrideDir = {}, const QString &programDir = {});

} // namespace orv
