#include "about_box.h"

#include "control/vururaz_ctrl.h"
#include "framework/control_site.h"
#include "vendor/kx32r60.h"

namespace vururaz {

namespace {
int g_aboutBoxes = 0;
}

int aboutBoxesShowing()
{
    return g_aboutBoxes;
}

AboutBoxScope::AboutBoxScope()
{
    ++g_aboutBoxes;
}

AboutBoxScope::~AboutBoxScope()
{
    --g_aboutBoxes;
}

int showAboutDialog(QWidget *parentObject, bool flag, zq::ControlSite *site)
{
    // Our KX32R60 is linked into this library and builds the dialog in code,
    // so there is no module to look up or resource module to switch.
    CZqAboutDlg dialog(parentObject, flag);
    dialog.setObjectName(QStringLiteral("aboutDialog"));
    if (site)
        site->onModalDialog(true);
    const int result = dialog.exec();
    if (site)
        site->onModalDialog(false);
    return result;
}

void aboutFromPropertyPage()
{
    AboutBoxScope scope;
    CVururazCtrl temporary;
    temporary.aboutBox();
}

} // namespace vururaz
