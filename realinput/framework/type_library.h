#pragma once

#include "variant.h"

#include <QStringList>
#include <QUuid>
#include <QVector>

namespace zq {

enum class MemberKind { Property, Method, Event };

enum MemberFlag {
    Hidden = 0x01,
    Bindable = 0x02,
    DefaultBind = 0x04,
    DisplayBind = 0x08,
    RequestEdit = 0x10,
    ReadOnly = 0x20,
    DesignGetNotSupported = 0x40, // reading it in design mode fails
    Stock = 0x80,
};

struct ParamInfo
{
    QString name;
    VarType type = VarType::I2;
    bool byRef = false;
};

struct MemberInfo
{
    int dispid = 0;
    QString name;
    MemberKind kind = MemberKind::Property;
    VarType type = VarType::Empty; // property type or method result
    QString typeName;              // the enumeration a property takes, if any
    int flags = 0;
    quint32 helpContext = 0;
    QVector<ParamInfo> params;

    bool has(MemberFlag flag) const { return (flags & flag) != 0; }
};

struct InterfaceInfo
{
    QString name;
    QUuid iid;
    QString documentation;
    QVector<MemberInfo> members;
    int valueDispid = 0; // the member that dispatch identifier 0 stands for; 0 when none

    const MemberInfo *byId(int dispid) const;
    // Names compare without regard to case, as automation clients expect.
    const MemberInfo *byName(const QString &name) const;
};

struct EnumConstant
{
    QString name;
    int value = 0;
    QString helpString;
};

struct EnumInfo
{
    QString name;
    QString documentation;
    QVector<EnumConstant> constants;
};

struct CoclassInfo
{
    QString name;
    QUuid clsid;
    QString documentation;
    quint32 helpContext = 0;
    bool creatable = true;
    bool control = true;
};

struct TypeLibrary
{
    QString name;
    QUuid libid;
    int majorVersion = 1;
    int minorVersion = 0;
    int lcid = 0;
    QString helpString;
    QString helpFile;
    CoclassInfo coclass;
    InterfaceInfo dispatch; // the coclass's default interface
    InterfaceInfo events;   // the coclass's default source
    QVector<EnumInfo> enums;

    const EnumInfo *enumByName(const QString &name) const;
    // The listing a container shows to a developer, one entry a line.
    QStringList describe() const;
};

QString uuidText(const QUuid &id);

} // namespace zq
