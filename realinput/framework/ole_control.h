#pragma once

#include "connection_point.h"
#include "control_site.h"
#include "dispatch.h"
#include "property_exchange.h"
#include "type_library.h"

#include <QWidget>

#include <functional>
#include <map>

namespace zq {

// Stock dispatch identifiers shared by every control.
namespace dispid {
constexpr int value = 0;
constexpr int backColor = -501;
constexpr int font = -512;
constexpr int foreColor = -513;
constexpr int enabled = -514;
constexpr int hWnd = -515;
constexpr int text = -518;
constexpr int appearance = -520;
constexpr int refresh = -550;
constexpr int aboutBox = -552;
} // namespace dispid

// Verbs a container may ask a control to carry out.
namespace verb {
constexpr int primary = 0;
constexpr int properties = -7;
} // namespace verb

// The base of a control: a widget with stock properties, dispatch through a
// table of getters and setters checked against the type library, events through
// one connection point, a modified flag, change notifications and persistence in
// the stream and property-bag forms.
class OleControl : public QWidget, public Dispatch
{
    Q_OBJECT
    Q_PROPERTY(quint32 BackColor READ backColor WRITE setBackColor)
    Q_PROPERTY(quint32 ForeColor READ foreColor WRITE setForeColor)
    Q_PROPERTY(bool Enabled READ stockEnabled WRITE setStockEnabled)
    Q_PROPERTY(short Appearance READ appearance WRITE setAppearance)

public:
    explicit OleControl(QWidget *parent = nullptr);
    ~OleControl() override;

    virtual const TypeLibrary &typeLibrary() const = 0;

    void setClientSite(ControlSite *site) { m_site = site; }
    ControlSite *clientSite() const { return m_site; }
    ConnectionPoint &eventConnection() { return m_events; }

    bool isModified() const { return m_modified; }
    void setModifiedFlag(bool modified = true) { m_modified = modified; }

    // The container's reset request: every property back to the state of a new control.
    void resetState();
    QByteArray saveToStream();
    QByteArray saveToBag();
    // Load what can be read; values missing or unreadable take their defaults.
    // Answers false when the data was cut short or partly unreadable.
    bool loadFromStream(const QByteArray &bytes);
    bool loadFromBag(const QByteArray &text, bool convertingLegacy = false);

    // Property page class ids in the order the control offers them.
    virtual QVector<QUuid> propertyPageIds() const { return {}; }
    // The primary verb and the properties verb open the property sheet;
    // answers false for a verb the control does not know.
    virtual bool doVerb(int verb);
    // Shows the property sheet modally, pages made through their class
    // factories; answers true when the user left it with OK.
    bool showPropertySheet(QWidget *parent = nullptr);
    // The text a property browser shows for a property; false when it has none.
    virtual bool displayString(int dispid, QString *text);

    const InterfaceInfo &dispatchInterface() const override { return typeLibrary().dispatch; }
    Variant getProperty(int dispid) override;
    void putProperty(int dispid, const Variant &value) override;
    Variant invokeMethod(int dispid, const QVector<Variant> &args) override;

    quint32 backColor() const { return m_backColor; }
    void setBackColor(quint32 color);
    quint32 foreColor() const { return m_foreColor; }
    void setForeColor(quint32 color);
    bool stockEnabled() const { return m_enabled; }
    void setStockEnabled(bool enabled);
    short appearance() const { return m_appearance; }
    void setAppearance(short appearance);
    FontDesc stockFont() const { return m_font; }
    void setStockFont(const FontDesc &font);

signals:
    // The bound-property change notification for one dispatch identifier.
    void propertyChanged(int dispid);

protected:
    using Getter = std::function<Variant()>;
    using Setter = std::function<void(const Variant &)>;
    using Method = std::function<Variant(const QVector<Variant> &)>;

    // Arguments reach the setter already coerced to the member's declared type.
    void bindProperty(int dispid, Getter get, Setter put = nullptr);
    void bindMethod(int dispid, Method method);

    virtual void doPropExchange(PropertyExchange &px) = 0;
    // Runs after the reset exchange; the control's own initial state wins there.
    virtual void onResetState() {}

    bool ambientUserMode() const { return m_site ? m_site->ambientUserMode() : true; }
    void boundPropertyChanged(int dispid) { emit propertyChanged(dispid); }
    void invalidateControl() { update(); }
    void fireEvent(int dispid, EventArgs &args) { m_events.fire(dispid, args); }
    [[noreturn]] void throwError(quint32 status, const QString &description = QString()) const;

    // Stock properties in the fixed order of the persisted forms.
    void exchangeStockProps(PropertyExchange &px);
    void applyStockFont();

private:
    void runExchange(PropertyExchange &px);

    struct Binding
    {
        Getter get;
        Setter put;
        Method method;
    };
    const MemberInfo &member(int dispid) const;

    std::map<int, Binding> m_bindings;
    ConnectionPoint m_events;
    ControlSite *m_site = nullptr;
    bool m_modified = false;

    quint32 m_backColor = 0x80000005;
    quint32 m_foreColor = 0x80000008;
    bool m_enabled = true;
    short m_appearance = 1;
    FontDesc m_font;
};

} // namespace zq
