#pragma once

namespace zq {

// What a control asks of the container that holds it.
class ControlSite
{
public:
    virtual ~ControlSite() = default;
    // False while the container is being designed; run-time-only properties
    // then refuse to be read.
    virtual bool ambientUserMode() const = 0;
    // A modal dialog of the control starts (true) or ends (false).
    virtual void onModalDialog(bool /*starting*/) {}
};

} // namespace zq
