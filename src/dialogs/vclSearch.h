#pragma once
// The search window "搜索在线电台": searches the online station directory by
// name, tag, country and language, pages the results in as the list is
// scrolled, and hands a result to the main window to listen to or keeps it as
// a station file. It stays open beside the main window; queries never block.

#include "libDirectory.h"

#include <QDialog>
#include <QList>
#include <QLocale>
#include <QPointer>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;
class TRadio;
class TSizeGrip;

// What the search window asks of the window that opened it.
class ISearchHost
{
public:
    virtual ~ISearchHost() = default;
    // Makes radio the open document, new and unsaved, and plays its link;
    // false when the listener chose to keep the open station.
    virtual bool ListenToStation(const TRadio& radio) = 0;
    // Opens a station file the search window has just written.
    virtual void OpenStationFile(const QString& fileName) = 0;
};

// The search window behind a replaceable service, so the main window's tests
// can see it opened without a directory.
class IStationSearch
{
public:
    virtual ~IStationSearch() = default;
    // Shows the search window over parent, made on first use and kept
    // (with its results) until parent goes; one already open comes to the front.
    virtual void Show(QWidget* parent, ISearchHost* host) = 0;
};

class TwinSearch : public QDialog
{
    Q_OBJECT
public:
    // The country preselected follows locale's language.
    TwinSearch(QWidget* owner, ISearchHost* host, const TDirectorySetup& setup = TDirectorySetup(),
               const QLocale& locale = QLocale::system());
    ~TwinSearch() override;

    // Results asked for at a time.
    static constexpr int PageSize = 50;

    // The results shown, in the list's order.
    const QList<TDirectoryStation>& Stations() const { return FStations; }
    // True while a page is being fetched.
    bool Searching() const { return FSearch != nullptr; }

    void btnSearchClick();
    void btnPlayClick();
    void btnSaveClick();
    // The folder Save writes into; the user's station folder unless a test
    // says otherwise.
    void SetSaveFolder(const QString& folder) { FSaveFolder = folder; }

    QLineEdit* edtText = nullptr;
    QLineEdit* edtTag = nullptr;
    QComboBox* cboCountry = nullptr;
    QComboBox* cboLanguage = nullptr;
    QPushButton* btnSearch = nullptr;
    QTreeWidget* boxResults = nullptr;
    QLabel* lblStatus = nullptr;
    QPushButton* btnPlay = nullptr;
    QPushButton* btnSave = nullptr;
    QPushButton* btnClose = nullptr;
    TSizeGrip* ctlSizeGrip = nullptr;

protected:
    // Enter in the results listens, as a double click does.
    bool eventFilter(QObject* watched, QEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void FormCreate(const QLocale& locale);
    // Asks for the next page of the current query.
    void FetchPage();
    void PageFetched();
    // Fetches more once the list is scrolled near its end, or while it is too
    // short to scroll at all.
    void MaybeFetchMore();
    void AddRow(const TDirectoryStation& station);
    void UpdateButtons();
    const TDirectoryStation* CurrentStation() const;
    QString LanguageField() const;

    ISearchHost* FHost;
    TDirectory* FDirectory;
    QPointer<TDirectorySearch> FSearch;
    TDirectoryQuery FQuery;
    bool FMore = false;
    QList<TDirectoryStation> FStations;
    QString FSaveFolder;
    // While the main window takes a result: a second one waits its turn.
    bool FHandingOver = false;
};

// The real search window, one per owner window.
class TDialogStationSearch final : public IStationSearch
{
public:
    explicit TDialogStationSearch(const TDirectorySetup& setup = TDirectorySetup()) : FSetup(setup) {}
    void Show(QWidget* parent, ISearchHost* host) override;
    // The window once shown; nullptr before, or once its owner went.
    TwinSearch* Window() const { return FWindow; }

private:
    TDirectorySetup FSetup;
    QPointer<TwinSearch> FWindow;
};
