#pragma once

#include <QMap>
#include <QString>
#include <QStringList>

namespace zq {

// The registry of classes and type libraries: a small INI-like file of keys
// (sections such as "CLSID\{...}") holding named values ("@" is a key's
// default value).
//
// Location: $ZQ_REGISTRY when set, else <generic config dir>/zqrinp32/registry.ini
// (that is $XDG_CONFIG_HOME/zqrinp32/registry.ini, by default ~/.config/zqrinp32/).
class Registry
{
public:
    static QString defaultPath();

    explicit Registry(QString path = defaultPath());

    // A missing file is an empty registry; answers false only when it exists but cannot be read.
    bool load();
    // Writes the whole file at once (temporary file, then rename).
    bool save() const;

    const QString &path() const { return m_path; }

    QString value(const QString &key, const QString &name = QStringLiteral("@")) const;
    void setValue(const QString &key, const QString &name, const QString &value);
    bool hasKey(const QString &key) const { return m_keys.contains(key); }
    // Removes the key and every key below it.
    void removeTree(const QString &key);
    QStringList keys() const { return m_keys.keys(); }

private:
    QString m_path;
    QMap<QString, QMap<QString, QString>> m_keys;
};

} // namespace zq
