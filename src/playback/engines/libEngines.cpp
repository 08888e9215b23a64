#include "libEngines.h"

#include "engGst.h"
#include "engMpv.h"

#include <clocale>

namespace {
class TSystemEngines final : public IEngineFactory
{
public:
    bool IsWindowsMediaInstalled() override { return LoadMpvApi(MpvLibraryName()) != nullptr; }
    bool IsRealPlayerInstalled() override { return GstEngineAvailable(); }
    std::unique_ptr<IWindowsMediaEngine> CreateWindowsMedia() override
    {
        return std::make_unique<TMpvEngine>(LoadMpvApi(MpvLibraryName()));
    }
    std::unique_ptr<IRealMediaEngine> CreateRealMedia() override { return std::make_unique<TGstEngine>(); }
};
} // namespace

void PrepareEngineLocale() { std::setlocale(LC_NUMERIC, "C"); }

std::unique_ptr<IEngineFactory> CreateSystemEngineFactory() { return std::make_unique<TSystemEngines>(); }

TEngineWarmUp::TEngineWarmUp(TStreamKind kind)
{
    PrepareGstEnvironment();
    FThread = std::thread([kind] {
        // Only a head start: whatever fails here is found and reported again
        // by the presence tests when a Play needs the engine.
        try {
            if (kind == skWindowsMedia)
                LoadMpvApi(MpvLibraryName());
            else
                GstEngineAvailable();
        } catch (...) {}
    });
}

TEngineWarmUp::~TEngineWarmUp() { FThread.join(); }
