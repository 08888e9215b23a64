#pragma once
// A resolver that answers from a table, at once or when the test says so.

#include "libResolve.h"

#include <QHash>

class TFakeStreamResolver final : public IStreamResolver
{
public:
    // What an address resolves to; one not listed resolves to itself.
    QHash<QString, TStreamCandidates> Answers;
    // While set, a request waits for Release, as a fetch waits for a server.
    bool Hold = false;
    QStringList Asked;
    int Cancels = 0;

    bool Pending() const { return bool(FDone); }
    // Answers the request that waits, if any.
    void Release()
    {
        const TDone done = std::move(FDone);
        FDone = nullptr;
        if (done)
            done(FPending);
    }

    void Resolve(const QString& address, TStreamKind kind, TDone done) override
    {
        Asked += address;
        FDone = nullptr;
        const TStreamCandidates candidates = Answers.value(address, TStreamCandidates{{address}, kind});
        if (!Hold) {
            done(candidates);
            return;
        }
        FPending = candidates;
        FDone = std::move(done);
    }
    void Cancel() override
    {
        ++Cancels;
        FDone = nullptr;
    }

private:
    TDone FDone;
    TStreamCandidates FPending;
};
