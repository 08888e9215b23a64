#include "libShell.h"

#include <QProcess>
#include <QStringList>

namespace {
// Without a desktop session (the command-line tool) xdg-open is what a Linux
// user expects to open an address.
class TXdgBrowser final : public IBrowser
{
public:
    bool Open(const QString& address) override
    {
        return QProcess::startDetached(QStringLiteral("xdg-open"), {address});
    }
};

TXdgBrowser DefaultBrowser;
IBrowser* Browser = nullptr;
} // namespace

IBrowser* SetBrowser(IBrowser* service)
{
    IBrowser* previous = Browser;
    Browser = service;
    return previous;
}

void OpenInBrowser(const QString& address)
{
    (Browser ? Browser : &DefaultBrowser)->Open(address);
}
