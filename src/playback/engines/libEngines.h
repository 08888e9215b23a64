#pragma once
// The real engines: libmpv in the "Windows Media" role, GStreamer in the
// "Real Media" role.

#include "libEngine.h"

#include <memory>

// The factory the program and the command-line tool hand to the player.
std::unique_ptr<IEngineFactory> CreateSystemEngineFactory();
