#include "libEngines.h"

#include "libError.h"

namespace {
// Placeholder until the engines land: reports both engines as absent.
class TNoEngines final : public IEngineFactory
{
public:
    bool IsWindowsMediaInstalled() override { return false; }
    bool IsRealPlayerInstalled() override { return false; }
    std::unique_ptr<IWindowsMediaEngine> CreateWindowsMedia() override { throw EProgramError(QString()); }
    std::unique_ptr<IRealMediaEngine> CreateRealMedia() override { throw EProgramError(QString()); }
};
} // namespace

std::unique_ptr<IEngineFactory> CreateSystemEngineFactory() { return std::make_unique<TNoEngines>(); }
