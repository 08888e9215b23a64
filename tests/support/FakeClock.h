#pragma once
// A clock that moves only when the test moves it: Advance runs every wake-up
// that falls due on the way, at its own time, as a real clock would.

#include "ctlReconnect.h"

class TFakeClock final : public IReconnectClock
{
public:
    qint64 Now() const override { return FNow; }
    void WakeAt(qint64 when) override { FWakeAt = when; }
    void CancelWake() override { FWakeAt = -1; }

    // The pending wake-up, -1 when none.
    qint64 WakeTime() const { return FWakeAt; }
    void Advance(qint64 ms)
    {
        const qint64 target = FNow + ms;
        while (FWakeAt >= 0 && FWakeAt <= target) {
            FNow = std::max(FNow, FWakeAt);
            FWakeAt = -1;
            Q_EMIT Wake();
        }
        FNow = target;
    }

private:
    qint64 FNow = 0;
    qint64 FWakeAt = -1;
};
