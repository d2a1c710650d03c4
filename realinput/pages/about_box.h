#pragma once

class QWidget;

namespace zq {
class ControlSite;
}

// The vendor's About box as the library shows it. A module-wide count of the
// About boxes being shown decides whether a control shows it through a
// temporary control of its own or directly.
namespace vururaz {

int aboutBoxesShowing();

// Counts one About box as shown for its lifetime.
class AboutBoxScope
{
public:
    AboutBoxScope();
    ~AboutBoxScope();
    AboutBoxScope(const AboutBoxScope &) = delete;
    AboutBoxScope &operator=(const AboutBoxScope &) = delete;
};

// Runs the About dialog modally over `parentObject`, telling `site` (if any)
// that a modal dialog runs, and answers the dialog's result.
int showAboutDialog(QWidget *parentObject, bool flag, zq::ControlSite *site);

// The General page's "&About..." button.
void aboutFromPropertyPage();

} // namespace vururaz
