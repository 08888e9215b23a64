#pragma once
// The options the options dialog shows and applies on the live main window,
// through an interface the window implements, so the dialog never needs the
// window's own header.

#include <QtGlobal>

// What the options dialog shows and applies on the live window.
struct TWindowOptions
{
    bool InsTray = true;
    bool TopMost = false;
    bool AutoPlay = false;
    bool MSNTitle = true;
    quint8 MSNTitleMode = 0;
    bool Notify = true;
    bool Reconnect = true;

    bool operator==(const TWindowOptions&) const = default;
};

class IWindowOptions
{
public:
    virtual ~IWindowOptions() = default;
    virtual TWindowOptions Options() const = 0;
    // Takes effect at once (tray, top-most, the published title).
    virtual void ApplyOptions(const TWindowOptions& options) = 0;
};
