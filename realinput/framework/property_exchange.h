#pragma once

#include "variant.h"

#include <QHash>
#include <QVector>

namespace zq {

// One named value as the persisted forms hold it.
struct StoredValue
{
    QString name;
    Variant value;
    bool damaged = false; // present but unreadable; only pictures report it
};

// The property exchange a control runs once to save and once to load, in a
// fixed order. Loading replaces each value by the stored one, or by its
// default when it was not stored or cannot be read.
class PropertyExchange
{
public:
    virtual ~PropertyExchange() = default;

    virtual bool isLoading() const = 0;
    // True only while a container converts a form of the control's earlier,
    // non-OLE edition.
    virtual bool isConvertingLegacy() const { return false; }

    virtual void exchange(const QString &name, VarType type, Variant &value, const Variant &def) = 0;
    // Loading only: reads a value when it was stored, leaving *out alone otherwise.
    virtual bool readIfPresent(const QString &name, VarType type, Variant *out) = 0;

    // Answers the stored version (major << 16 | minor); saving stores the given one.
    int exchangeVersion(int major, int minor);

    void exShort(const QString &name, short &value, short def);
    void exLong(const QString &name, qint32 &value, qint32 def);
    // Booleans held as 32-bit TRUE = -1 / FALSE = 0.
    void exBool(const QString &name, qint32 &value, bool def);
    void exColor(const QString &name, quint32 &value, quint32 def);
    void exFloat(const QString &name, float &value, float def);
    void exDouble(const QString &name, double &value, double def);
    void exString(const QString &name, QString &value, const QString &def);
    void exFont(const QString &name, FontDesc &value, const FontDesc &def);
    // Throws ArchiveError when the stored picture is damaged.
    void exPicture(const QString &name, Picture &value, const Picture &def);
};

// Collects the values in exchange order. The property bag leaves out values
// equal to their default; the stream keeps every one so its layout is fixed.
class PropertyWriter : public PropertyExchange
{
public:
    explicit PropertyWriter(bool skipDefaults = false) : m_skipDefaults(skipDefaults) {}

    bool isLoading() const override { return false; }
    void exchange(const QString &name, VarType type, Variant &value, const Variant &def) override;
    bool readIfPresent(const QString &, VarType, Variant *) override { return false; }

    const QVector<StoredValue> &values() const { return m_values; }

private:
    bool m_skipDefaults;
    QVector<StoredValue> m_values;
};

class PropertyReader : public PropertyExchange
{
public:
    explicit PropertyReader(const QVector<StoredValue> &values, bool convertingLegacy = false);

    bool isLoading() const override { return true; }
    bool isConvertingLegacy() const override { return m_legacy; }
    void exchange(const QString &name, VarType type, Variant &value, const Variant &def) override;
    bool readIfPresent(const QString &name, VarType type, Variant *out) override;

private:
    QHash<QString, StoredValue> m_values;
    bool m_legacy;
};

} // namespace zq
