#include "vclSearch.h"

#include "libConst.h"
#include "libError.h"
#include "libMsgBox.h"
#include "libRadio.h"
#include "libShell.h"
#include "libText.h"
#include "vclDialogFrame.h"
#include "vclGrip.h"

#include <QComboBox>
#include <QEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTimer>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

const QString SSearching = QStringLiteral("正在搜索...");
const QString SFound = QStringLiteral("找到%1个电台");
const QString SFoundMore = QStringLiteral("已列出%1个电台，向下滚动可以看到更多");
const QString SNothingFound = QStringLiteral("没有找到符合条件的电台");
const QString SSaved = QStringLiteral("已保存到 %1");
const QString SKbps = QStringLiteral("%1 kbps");

// The languages offered, with the directory's word for each; anything else
// typed into the box is searched for as typed.
struct TLanguage
{
    const char16_t* Word;
    const char16_t* Name;
};
constexpr TLanguage CLanguages[] = {
    {u"", u"全部语言"},      {u"chinese", u"中文"}, {u"mandarin", u"普通话"}, {u"cantonese", u"粤语"},
    {u"hokkien", u"闽南语"}, {u"english", u"英语"}, {u"japanese", u"日语"},   {u"korean", u"韩语"},
};

enum TColumn { colName, colCountry, colCodec, colBitrate, colVotes };

// Rows within this many of the list's end ask for the next page.
constexpr int FetchAhead = 5;

// The country as the listener calls it where the window knows the name.
QString CountryText(const TDirectoryStation& station)
{
    for (const TDirectoryCountry& country : DirectoryCountries())
        if (!country.Code.isEmpty() && country.Code == station.CountryCode)
            return country.Name;
    return station.Country;
}

} // namespace

TwinSearch::TwinSearch(QWidget* owner, ISearchHost* host, const TDirectorySetup& setup, const QLocale& locale)
    : QDialog(owner), FHost(host), FDirectory(new TDirectory(setup, this))
{
    setObjectName(QStringLiteral("winSearch"));
    setWindowTitle(QStringLiteral("搜索在线电台"));
    edtText = new QLineEdit(this);
    edtText->setObjectName(QStringLiteral("edtText"));
    edtTag = new QLineEdit(this);
    edtTag->setObjectName(QStringLiteral("edtTag"));
    cboCountry = new QComboBox(this);
    cboCountry->setObjectName(QStringLiteral("cboCountry"));
    cboLanguage = new QComboBox(this);
    cboLanguage->setObjectName(QStringLiteral("cboLanguage"));
    cboLanguage->setEditable(true);
    cboLanguage->setInsertPolicy(QComboBox::NoInsert);
    btnSearch = NewDialogButton(QStringLiteral("搜索(&S)"), this);
    btnSearch->setObjectName(QStringLiteral("btnSearch"));
    boxResults = new QTreeWidget(this);
    boxResults->setObjectName(QStringLiteral("boxResults"));
    boxResults->setAccessibleName(QStringLiteral("搜索结果"));
    boxResults->setRootIsDecorated(false);
    boxResults->setUniformRowHeights(true);
    boxResults->setHeaderLabels({QStringLiteral("名称"), QStringLiteral("国家/地区"), QStringLiteral("编码"),
                                 QStringLiteral("比特率"), QStringLiteral("票数")});
    lblStatus = new QLabel(this);
    lblStatus->setObjectName(QStringLiteral("lblStatus"));
    btnPlay = NewDialogButton(QStringLiteral("播放(&P)"), this);
    btnPlay->setObjectName(QStringLiteral("btnPlay"));
    btnSave = NewDialogButton(QStringLiteral("保存(&A)"), this);
    btnSave->setObjectName(QStringLiteral("btnSave"));
    btnClose = NewDialogButton(QStringLiteral("关闭"), this);
    btnClose->setObjectName(QStringLiteral("btnClose"));

    auto* fields = new QGridLayout;
    fields->setHorizontalSpacing(5);
    fields->setVerticalSpacing(8);
    fields->addWidget(NewBuddyLabel(QStringLiteral("名称(&N):"), edtText, this, 72), 0, 0);
    fields->addWidget(edtText, 0, 1);
    fields->addWidget(NewBuddyLabel(QStringLiteral("标签(&T):"), edtTag, this, 0), 0, 2);
    fields->addWidget(edtTag, 0, 3);
    fields->addWidget(NewBuddyLabel(QStringLiteral("国家和地区(&C):"), cboCountry, this, 72), 1, 0);
    fields->addWidget(cboCountry, 1, 1);
    fields->addWidget(NewBuddyLabel(QStringLiteral("语言(&L):"), cboLanguage, this, 0), 1, 2);
    fields->addWidget(cboLanguage, 1, 3);
    fields->addWidget(btnSearch, 1, 4);
    fields->setColumnStretch(1, 1);
    fields->setColumnStretch(3, 1);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(btnPlay);
    buttons->addSpacing(8);
    buttons->addWidget(btnSave);
    buttons->addStretch();
    buttons->addWidget(btnClose);

    auto* form = new QVBoxLayout(this);
    form->setContentsMargins(15, 15, 15, 15);
    form->setSpacing(8);
    form->addLayout(fields);
    form->addWidget(boxResults, 1);
    form->addWidget(lblStatus);
    form->addLayout(buttons);

    connect(btnSearch, &QPushButton::clicked, this, &TwinSearch::btnSearchClick);
    for (QLineEdit* edit : {edtText, edtTag, cboLanguage->lineEdit()})
        connect(edit, &QLineEdit::returnPressed, this, &TwinSearch::btnSearchClick);
    connect(btnPlay, &QPushButton::clicked, this, &TwinSearch::btnPlayClick);
    connect(btnSave, &QPushButton::clicked, this, &TwinSearch::btnSaveClick);
    connect(btnClose, &QPushButton::clicked, this, &TwinSearch::close);
    connect(boxResults, &QTreeWidget::itemDoubleClicked, this, &TwinSearch::btnPlayClick);
    connect(boxResults, &QTreeWidget::currentItemChanged, this, &TwinSearch::UpdateButtons);
    QScrollBar* bar = boxResults->verticalScrollBar();
    connect(bar, &QScrollBar::valueChanged, this, &TwinSearch::MaybeFetchMore);
    connect(bar, &QScrollBar::rangeChanged, this, &TwinSearch::MaybeFetchMore);
    boxResults->installEventFilter(this);

    FormCreate(locale);
}

TwinSearch::~TwinSearch()
{
    delete FSearch.data();
    // Still open when its owner goes (the program exits): no hide comes.
    if (isVisible()) {
        TEverySteps steps;
        steps.Step([this] { SaveDialogPlacement(this); });
        steps.Report();
    }
}

void TwinSearch::FormCreate(const QLocale& locale)
{
    for (const TDirectoryCountry& country : DirectoryCountries())
        cboCountry->addItem(country.Name, country.Code);
    cboCountry->setCurrentIndex(std::max(0, cboCountry->findData(DefaultDirectoryCountry(locale))));
    for (const TLanguage& language : CLanguages)
        cboLanguage->addItem(QString::fromUtf16(language.Name), QString::fromUtf16(language.Word));
    cboLanguage->setCurrentIndex(0);
    ctlSizeGrip = SetupResizableDialog(this, QSize(620, 420));
    // Kept beside the main window rather than over it: the listener goes on
    // using the window while the results stay.
    setModal(false);
    boxResults->header()->resizeSection(colName, 260);
    UpdateButtons();
}

bool TwinSearch::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == boxResults && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            btnPlayClick();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void TwinSearch::hideEvent(QHideEvent* event)
{
    TEverySteps steps;
    steps.Step([this] { SaveDialogPlacement(this); });
    steps.Report();
    QDialog::hideEvent(event);
}

QString TwinSearch::LanguageField() const
{
    const QString typed = TrimText(cboLanguage->currentText());
    const int index = cboLanguage->findText(typed, Qt::MatchFixedString);
    return index >= 0 ? cboLanguage->itemData(index).toString() : typed;
}

void TwinSearch::btnSearchClick()
{
    // A new query replaces the one still running.
    delete FSearch.data();
    FQuery = TDirectoryQuery();
    FQuery.Name = TrimText(edtText->text());
    FQuery.Tag = TrimText(edtTag->text());
    FQuery.CountryCode = cboCountry->currentData().toString();
    FQuery.Language = LanguageField();
    FQuery.Limit = PageSize;
    FMore = false;
    FStations.clear();
    boxResults->clear();
    FetchPage();
}

void TwinSearch::FetchPage()
{
    lblStatus->setText(SSearching);
    FSearch = FDirectory->Search(FQuery);
    connect(FSearch, &TDirectorySearch::Finished, this, &TwinSearch::PageFetched);
    UpdateButtons();
}

void TwinSearch::PageFetched()
{
    TDirectorySearch* search = FSearch;
    if (!search)
        return;
    FSearch = nullptr;
    search->deleteLater();
    if (!search->Succeeded()) {
        // The rows of earlier pages stay; only the paging stops.
        FMore = false;
        lblStatus->setText(Const::SDirectoryUnreachable);
        UpdateButtons();
        return;
    }
    for (const TDirectoryStation& station : search->Page().Stations)
        AddRow(station);
    FMore = search->HasMore();
    FQuery.Offset += search->Page().Received;
    if (FStations.isEmpty())
        lblStatus->setText(SNothingFound);
    else
        lblStatus->setText((FMore ? SFoundMore : SFound).arg(FStations.size()));
    if (!boxResults->currentItem() && boxResults->topLevelItemCount() > 0)
        boxResults->setCurrentItem(boxResults->topLevelItem(0));
    UpdateButtons();
    // A list too short to scroll never sends a scroll; look once it is laid out.
    QTimer::singleShot(0, this, &TwinSearch::MaybeFetchMore);
}

void TwinSearch::MaybeFetchMore()
{
    if (!FMore || FSearch || !isVisible())
        return;
    // The last row's place, not the scroll bar: the bar's range is stale
    // until the list has laid out the rows just added.
    const int count = boxResults->topLevelItemCount();
    if (count == 0) {
        FetchPage();
        return;
    }
    const QRect last = boxResults->visualItemRect(boxResults->topLevelItem(count - 1));
    if (last.isValid() && last.top() < boxResults->viewport()->height() + FetchAhead * last.height())
        FetchPage();
}

void TwinSearch::AddRow(const TDirectoryStation& station)
{
    auto* item = new QTreeWidgetItem;
    item->setText(colName, station.Name);
    item->setText(colCountry, CountryText(station));
    item->setText(colCodec, station.Codec);
    item->setText(colBitrate, station.Bitrate > 0 ? SKbps.arg(station.Bitrate) : QString());
    item->setText(colVotes, QString::number(station.Votes));
    item->setTextAlignment(colBitrate, Qt::AlignRight | Qt::AlignVCenter);
    item->setTextAlignment(colVotes, Qt::AlignRight | Qt::AlignVCenter);
    item->setToolTip(colName, station.Url);
    item->setData(colName, Qt::UserRole, int(FStations.size()));
    FStations.append(station);
    boxResults->addTopLevelItem(item);
}

const TDirectoryStation* TwinSearch::CurrentStation() const
{
    const QTreeWidgetItem* item = boxResults->currentItem();
    if (!item)
        return nullptr;
    const int index = item->data(colName, Qt::UserRole).toInt();
    return index >= 0 && index < FStations.size() ? &FStations[index] : nullptr;
}

void TwinSearch::UpdateButtons()
{
    const bool chosen = CurrentStation() != nullptr;
    btnPlay->setEnabled(chosen && !FHandingOver);
    btnSave->setEnabled(chosen && !FHandingOver);
}

void TwinSearch::btnPlayClick()
{
    const TDirectoryStation* current = CurrentStation();
    if (!current || FHandingOver || !FHost)
        return;
    // A copy: the main window runs the event loop while it asks and plays,
    // and a new search may replace the results meanwhile.
    const TDirectoryStation station = *current;
    TRadio radio;
    MakeDirectoryRadio(station, radio);
    const QPointer<TwinSearch> self(this);
    FHandingOver = true;
    UpdateButtons();
    const bool playing = FHost->ListenToStation(radio);
    if (!self)
        return;
    FHandingOver = false;
    UpdateButtons();
    if (playing)
        FDirectory->RegisterClick(station.Uuid);
}

void TwinSearch::btnSaveClick()
{
    const TDirectoryStation* current = CurrentStation();
    if (!current || FHandingOver || !FHost)
        return;
    const TDirectoryStation station = *current;
    QString fileName;
    try {
        fileName = SaveDirectoryStation(station, FSaveFolder.isEmpty() ? StationFolder() : FSaveFolder);
    } catch (const EProgramError& error) {
        lblStatus->setText(error.Message());
        return;
    }
    lblStatus->setText(SSaved.arg(fileName));
    const QPointer<TwinSearch> self(this);
    FHandingOver = true;
    UpdateButtons();
    FHost->OpenStationFile(fileName);
    if (!self)
        return;
    FHandingOver = false;
    UpdateButtons();
}

void TDialogStationSearch::Show(QWidget* parent, ISearchHost* host)
{
    if (!FWindow || FWindow->parentWidget() != parent) {
        delete FWindow.data();
        FWindow = new TwinSearch(parent, host, FSetup);
    }
    FWindow->show();
    FWindow->raise();
    FWindow->activateWindow();
    FWindow->edtText->setFocus();
}
