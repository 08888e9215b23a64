#pragma once
// Shell services: special folders, the station folder, the default station
// file, the browser, downloads, and the process-wide top-most and tray flags.

#include <QString>

// Opening an address in the user's browser, behind a replaceable service so
// tests can see what would have opened.
class IBrowser
{
public:
    virtual ~IBrowser() = default;
    // Returns whether something opened; callers never report a failure.
    virtual bool Open(const QString& address) = 0;
};

// Installs the browser service and returns the previous one (nullptr = the real one).
IBrowser* SetBrowser(IBrowser* service);

// Opens the address in the user's browser; nothing is reported when nothing opens.
void OpenInBrowser(const QString& address);
