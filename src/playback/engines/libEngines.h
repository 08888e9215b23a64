#pragma once
// The real engines: libmpv in the "Windows Media" role, GStreamer in the
// "Real Media" role.

#include "libEngine.h"
#include "libKind.h"

#include <memory>
#include <thread>

// Gives the engines the process locale they need: libmpv refuses to start
// unless numbers are formatted the C way. setlocale is not thread-safe, so
// main() calls this once, after the application object has set the user's
// locale and before anything starts engine threads (TEngineWarmUp, a Play).
void PrepareEngineLocale();

// The factory the program and the command-line tool hand to the player.
std::unique_ptr<IEngineFactory> CreateSystemEngineFactory();

// Loads one engine's libraries on a thread of its own while the program
// starts, so that the first Play neither waits for them nor freezes the window:
// libmpv alone pulls in over 200 libraries, a seventh of a second here. Only
// the engine the opened station plays with: each engine costs tens of
// megabytes, and the other one loads when a link first needs it. Create it on
// the main thread; the destructor waits for the loading to end.
class TEngineWarmUp
{
public:
    explicit TEngineWarmUp(TStreamKind kind);
    ~TEngineWarmUp();
    TEngineWarmUp(const TEngineWarmUp&) = delete;
    TEngineWarmUp& operator=(const TEngineWarmUp&) = delete;

private:
    std::thread FThread;
};
