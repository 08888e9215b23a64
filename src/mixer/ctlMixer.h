#pragma once
// The audio mixer: an object model of one mixer device (its destination lines,
// their source lines and the controls of each) and the reading and setting of
// a line's volume and mute. Values pass through in the control's own units.

#include "libMixerDriver.h"

#include <QObject>
#include <QString>
#include <functional>
#include <memory>
#include <utility>
#include <vector>

// An ordered list of item pointers. The owner decides what freeing an item
// means through OnFreeItem, which runs for every item, in index order, when
// the list is cleared or destroyed.
template <typename T> class TPointerList
{
public:
    TPointerList() = default;
    TPointerList(const TPointerList&) = delete;
    TPointerList& operator=(const TPointerList&) = delete;
    ~TPointerList() { Clear(); }

    int Add(T* item)
    {
        FItems.push_back(item);
        return int(FItems.size()) - 1;
    }
    T* Get(int index) const { return index >= 0 && index < Count() ? FItems[size_t(index)] : nullptr; }
    int Count() const { return int(FItems.size()); }
    void Clear()
    {
        if (OnFreeItem) {
            for (T* item : FItems)
                OnFreeItem(item);
        }
        FItems.clear();
    }

    std::function<void(T*)> OnFreeItem;

private:
    std::vector<T*> FItems;
};

class TAudioMixer;

// The controls of one line, read once when the line is built. An empty list
// means the device would not list them.
class TMixerControls
{
public:
    TMixerControls(TAudioMixer* mixer, const TMixerLine& line);
    const TMixerControl* Get(int index) const { return FList.Get(index); }
    int Count() const { return FList.Count(); }

private:
    std::vector<TMixerControl> FBlock;
    TPointerList<const TMixerControl> FList;
};

// One source line feeding a destination.
class TMixerConnection
{
public:
    TMixerConnection(TAudioMixer* mixer, const TMixerLine& line);
    TAudioMixer* const Mixer;
    const TMixerLine LineInfo;
    const TMixerControls Controls;
};

// The source lines of one destination, owned.
class TMixerConnections
{
public:
    TMixerConnections(TAudioMixer* mixer, const TMixerLine& destination);
    TMixerConnection* Get(int index) const { return FList.Get(index); }
    int Count() const { return FList.Count(); }
    TAudioMixer* const Mixer;

private:
    TPointerList<TMixerConnection> FList;
};

class TMixerDestination
{
public:
    TMixerDestination(TAudioMixer* mixer, const TMixerLine& line);
    TAudioMixer* const Mixer;
    const TMixerLine LineInfo;
    // Declared in this order so that destruction frees Controls first.
    const TMixerConnections Connections;
    const TMixerControls Controls;
};

// The destination lines of the open device, owned. List positions follow the
// lines the device answered for, which may skip destination numbers.
class TMixerDestinations
{
public:
    TMixerDestinations();
    void Add(std::unique_ptr<TMixerDestination> destination);
    TMixerDestination* Get(int index) const { return FList.Get(index); }
    int Count() const { return FList.Count(); }

private:
    TPointerList<TMixerDestination> FList;
};

class TAudioMixer : public QObject
{
    Q_OBJECT
    Q_PROPERTY(int MixerId READ MixerId WRITE SetMixerId)
    Q_PROPERTY(quint32 DriverVersion READ DriverVersion)
    Q_PROPERTY(quint16 ProductId READ ProductId)
    Q_PROPERTY(int NumberOfLine READ NumberOfLine)
    Q_PROPERTY(QString Manufacturer READ Manufacturer)
    Q_PROPERTY(QString ProductName READ ProductName)

public:
    // The driver is not owned and must outlive the mixer. Selects device 0
    // when the driver has one.
    explicit TAudioMixer(IMixerDriver* driver, QObject* owner = nullptr);
    ~TAudioMixer() override;

    int MixerId() const { return FMixerId; }
    // Closes the current device and opens device id; an id outside the
    // driver's devices changes nothing.
    void SetMixerId(int id);
    quint32 DriverVersion() const { return FDriverVersion; }
    quint16 ProductId() const { return FProductId; }
    int NumberOfLine() const { return FNumberOfLine; }
    QString Manufacturer() const { return FManufacturer; }
    QString ProductName() const { return FProductName; }

    // Connection -1 addresses the destination line itself. Both answer false
    // only when the destination does not exist; outputs that could not be read
    // keep -1 (values) and true (disabled flags).
    bool GetVolume(int destination, int connection, int& left, int& right, int& mute, bool& stereo,
                   bool& volumeDisabled, bool& muteDisabled, bool& muteIsSelection);
    // -1 in left or mute leaves that setting alone; -1 in right means left.
    bool SetVolume(int destination, int connection, int left, int right, int mute);

    const TMixerDestinations* Destinations() const { return FDestinations.get(); }
    IMixerDriver* Driver() const { return FDriver; }
    TMixerHandle Handle() const { return FMixerH; }

Q_SIGNALS:
    void OnLineChange(TAudioMixer* sender, int mixerH, int id);
    void OnControlChange(TAudioMixer* sender, int mixerH, int id);

private:
    // Stands in for the window that receives the device's notifications.
    class THiddenWindow : public IMixerCallback
    {
    public:
        explicit THiddenWindow(TAudioMixer* owner) : FOwner(owner) {}
        void MixerMessage(quint32 msg, TMixerHandle mixer, quint32 id) override;

    private:
        TAudioMixer* FOwner;
    };

    void Close();
    void ResetDeviceInfo();
    void DriverDevicesChanged();
    // Values of a control of a line with channels/items chosen by the usual rule.
    bool ReadDetails(const TMixerControl& control, const TMixerLine& line, TMixerControlDetails& details,
                     quint32 flags);
    // The line a volume call works on: the destination itself for connection
    // -1, else the connection's line; nothing when that connection is missing.
    static std::pair<const TMixerLine*, const TMixerControls*> ChooseLine(const TMixerDestination* dest,
                                                                          const TMixerConnection* conn, int connection);
    // Position of the selector item standing for lineId, or -1.
    static int FindSelection(const TMixerControlDetails& texts, quint32 lineId);

    IMixerDriver* FDriver;
    std::unique_ptr<THiddenWindow> FWindow;
    std::unique_ptr<TMixerDestinations> FDestinations;
    int FNumDevs = 0;
    TMixerHandle FMixerH = 0;
    int FMixerId = -1;
    TMixerCaps FMixerCaps;
    quint32 FDriverVersion = 0;
    quint16 FProductId = 0;
    int FNumberOfLine = 0;
    QString FManufacturer;
    QString FProductName;
};
