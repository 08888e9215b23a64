#pragma once
// The "Real Media" role played by GStreamer's playbin.

#include "libEngine.h"

#include <atomic>

typedef struct _GstElement GstElement;
typedef struct _GstMessage GstMessage;

// True when GStreamer starts and its registry has every element the engine
// needs for network radio (playbin, the HTTP and RTSP sources, an MP3 decoder,
// an audio sink). A positive answer holds for the run; after a negative one the
// next call rescans the plug-in folders, so plug-ins installed meanwhile count.
bool GstEngineAvailable();

// Puts what GStreamer must find in the environment before it starts. Changing
// the environment races with other threads reading it, so a program that starts
// GStreamer on another thread calls this first, on its main thread.
void PrepareGstEnvironment();

class TGstEngine final : public IRealMediaEngine
{
    Q_OBJECT
public:
    // Throws EProgramError when GStreamer lacks the engine's elements or the
    // pipeline cannot be built.
    explicit TGstEngine(QObject* parent = nullptr);
    ~TGstEngine() override;

    void SetMute(bool mute) override;
    void SetVolume(quint16 volume) override;
    void SetSource(const QString& address) override;
    void DoPlay() override;
    void DoStop() override;

    int GetPlayState() const override { return FState; }
    int GetBandwidthAverage() const override { return FBitRate > 0 ? FBitRate : FNominalBitRate; }
    QString GetTitle() const override { return FTitle; }
    TStreamEnd StreamEnd() const override { return FEnd; }

private:
    struct TBusBridge;
    static void SourceSetup(GstElement* playbin, GstElement* source, void* self);
    static void ElementSetup(GstElement* playbin, GstElement* element, void* self);
    void HandleMessage(quint64 stamp, GstMessage* message);
    void Halt();
    bool HasDuration() const;
    void ApplyVolume();

    GstElement* FPipeline = nullptr;
    // Each Play and Stop takes a new number; bus messages carry the number that
    // was current when they were posted, and older ones are dropped.
    std::atomic<quint64> FStamp{0};
    // The stamp of the stream whose server certificate was refused; set on
    // a TLS thread.
    std::atomic<quint64> FTlsRefused{~quint64(0)};
    QString FSource;
    int FState = rpStopped;
    int FBitRate = 0;
    int FNominalBitRate = 0;
    QString FTitle;
    int FPercent = 100;
    bool FLive = false;
    bool FBuffering = false;
    bool FBufferArmed = false; // the queue has reached its high mark since the start
    bool FHasDuration = false; // the stream told its length when it prerolled: a clip
    TStreamEnd FEnd = TStreamEnd::seNone;
    bool FMute = false;
    int FVolume = 100;
};
