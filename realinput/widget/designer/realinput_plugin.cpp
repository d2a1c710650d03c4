#include "realinput_plugin.h"

#include "zq/realinput.h"

#include <QIcon>

RealInputDesignerPlugin::RealInputDesignerPlugin(QObject *parent) : QObject(parent) {}

QString RealInputDesignerPlugin::name() const { return QStringLiteral("zq::RealInput"); }
QString RealInputDesignerPlugin::group() const { return QStringLiteral("Input Widgets"); }
QString RealInputDesignerPlugin::toolTip() const { return QStringLiteral("Real-number input"); }

QString RealInputDesignerPlugin::whatsThis() const
{
    return QStringLiteral("A number in the user's format, with limits, decimals, money format, "
                          "grouping and optional spin arrows.");
}

QString RealInputDesignerPlugin::includeFile() const { return QStringLiteral("zq/realinput.h"); }
QIcon RealInputDesignerPlugin::icon() const { return QIcon(); }
bool RealInputDesignerPlugin::isContainer() const { return false; }
QWidget *RealInputDesignerPlugin::createWidget(QWidget *parent) { return new zq::RealInput(parent); }
bool RealInputDesignerPlugin::isInitialized() const { return m_initialized; }

void RealInputDesignerPlugin::initialize(QDesignerFormEditorInterface *)
{
    m_initialized = true;
}

QString RealInputDesignerPlugin::domXml() const
{
    return QStringLiteral("<ui language=\"c++\"><widget class=\"zq::RealInput\" name=\"realInput\"/></ui>");
}
