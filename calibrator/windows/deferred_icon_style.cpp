#include "deferred_icon_style.h"

#include <QApplication>
#include <QIconEngine>
#include <QPainter>
#include <QPointer>
#include <QWidget>

namespace {

// Asks the style for the real icon the first time anything about it is wanted.
class DeferredIconEngine : public QIconEngine
{
public:
    DeferredIconEngine(const QStyle *style, QStyle::StandardPixmap which, const QWidget *widget)
        : m_style(const_cast<QStyle *>(style))
        , m_which(which)
        , m_widget(const_cast<QWidget *>(widget))
    {
    }

    void paint(QPainter *painter, const QRect &rect, QIcon::Mode mode, QIcon::State state) override
    {
        icon().paint(painter, rect, Qt::AlignCenter, mode, state);
    }
    QPixmap pixmap(const QSize &size, QIcon::Mode mode, QIcon::State state) override
    {
        return icon().pixmap(size, mode, state);
    }
    QPixmap scaledPixmap(const QSize &size, QIcon::Mode mode, QIcon::State state, qreal scale) override
    {
        return icon().pixmap(size, scale, mode, state);
    }
    QSize actualSize(const QSize &size, QIcon::Mode mode, QIcon::State state) override
    {
        return icon().actualSize(size, mode, state);
    }
    QList<QSize> availableSizes(QIcon::Mode mode, QIcon::State state) override
    {
        return icon().availableSizes(mode, state);
    }
    // Asked while the hidden button is laid out: answering would load the image.
    bool isNull() override { return m_loaded && m_icon.isNull(); }
    QString key() const override { return QStringLiteral("DeferredIconEngine"); }
    QIconEngine *clone() const override
    {
        auto *copy = new DeferredIconEngine(m_style, m_which, m_widget);
        copy->m_icon = m_icon;
        copy->m_loaded = m_loaded;
        return copy;
    }

private:
    const QIcon &icon()
    {
        if (!m_loaded && m_style) {
            m_icon = m_style->standardIcon(m_which, nullptr, m_widget);
            m_loaded = true;
        }
        return m_icon;
    }

    // Either may be gone by the time the icon is drawn.
    QPointer<QStyle> m_style;
    QStyle::StandardPixmap m_which;
    QPointer<QWidget> m_widget;
    QIcon m_icon;
    bool m_loaded = false;
};

} // namespace

DeferredIconStyle::DeferredIconStyle(QStyle *base) : QProxyStyle(base) {}

QIcon DeferredIconStyle::standardIcon(StandardPixmap which, const QStyleOption *option, const QWidget *widget) const
{
    if (which == SP_ToolBarHorizontalExtensionButton && !option)
        return QIcon(new DeferredIconEngine(baseStyle(), which, widget));
    return QProxyStyle::standardIcon(which, option, widget);
}

void installDeferredIconStyle()
{
    // The proxy takes the style over, so the application does not delete it on the switch.
    QApplication::setStyle(new DeferredIconStyle(QApplication::style()));
}
