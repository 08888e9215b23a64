#pragma once
// The network presence as a switch, with the addresses it was asked about.

#include "libUpdate.h"

#include <QList>
#include <QUrl>

class TFakeNetwork final : public INetwork
{
public:
    // No network unless a test says so: window tests never leave the machine.
    bool Up = false;
    QList<QUrl> Asked;
    bool Present(const QUrl& address) override
    {
        Asked += address;
        return Up;
    }
};
