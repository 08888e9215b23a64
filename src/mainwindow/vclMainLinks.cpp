// The link list, the listening commands and the status bar.
#include "vclMain.h"

#include "ctlRadioPlayer.h"
#include "ctlReconnect.h"
#include "libConst.h"
#include "libKind.h"
#include "libMsgBox.h"
#include "libRadio.h"
#include "libResolve.h"
#include "libShell.h"
#include "libText.h"
#include "vclEditors.h"

#include <QAction>
#include <QActionGroup>
#include <QClipboard>
#include <QCoreApplication>
#include <QFileInfo>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QKeySequence>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QProgressBar>
#include <QScrollArea>
#include <QStackedWidget>
#include <QStatusBar>
#include <QTreeWidget>

#include <exception>
#include <functional>

namespace {

const QString SAskAddLink = QStringLiteral("当前电台还没有设置任何可用的收听连接。您希望\r\n现在添加收听连接吗？");
const QString SAskDelLink = QStringLiteral("您确定要删除名称为%1的收听连接吗？");
const QString SHintInfo = QStringLiteral("鼠标单击查看完整信息");

enum TLinkColumn { lcName, lcBest, lcShit, lcKind, lcHref, lcCount };

constexpr int GaugeWidth = 110;
// Where a row keeps the link it shows.
constexpr int LinkRole = Qt::UserRole;

// The link list with the press, double-click, key and selection notifications
// the window needs after the list has handled them itself. The hooks are
// dropped before the list's own teardown, which may still report selection
// changes while the window is half gone.
class TLinkList final : public QTreeWidget
{
public:
    using QTreeWidget::QTreeWidget;
    ~TLinkList() override { ClearHooks(); }

    std::function<void(QMouseEvent*)> OnMouseDown;
    std::function<void()> OnDblClick;
    std::function<void()> OnEnter;
    std::function<void(QTreeWidgetItem*)> OnDeselect;
    std::function<void()> OnPaint;

    void ClearHooks()
    {
        OnMouseDown = nullptr;
        OnDblClick = nullptr;
        OnEnter = nullptr;
        OnDeselect = nullptr;
        OnPaint = nullptr;
    }

protected:
    void mousePressEvent(QMouseEvent* event) override
    {
        QTreeWidget::mousePressEvent(event);
        if (OnMouseDown)
            OnMouseDown(event);
    }
    // Letting go of the mouse over empty space would clear the selection that
    // the press kept.
    QItemSelectionModel::SelectionFlags selectionCommand(const QModelIndex& index, const QEvent* event) const override
    {
        if (!index.isValid() && event && event->type() == QEvent::MouseButtonRelease)
            return QItemSelectionModel::NoUpdate;
        return QTreeWidget::selectionCommand(index, event);
    }
    void mouseDoubleClickEvent(QMouseEvent* event) override
    {
        QTreeWidget::mouseDoubleClickEvent(event);
        if (event->button() == Qt::LeftButton && OnDblClick)
            OnDblClick();
    }
    void keyPressEvent(QKeyEvent* event) override
    {
        if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)
            && (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier && OnEnter) {
            OnEnter();
            return;
        }
        QTreeWidget::keyPressEvent(event);
    }
    void selectionChanged(const QItemSelection& selected, const QItemSelection& deselected) override
    {
        QTreeWidget::selectionChanged(selected, deselected);
        if (!OnDeselect)
            return;
        for (const QModelIndex& index : deselected.indexes()) {
            if (index.column() == 0)
                OnDeselect(itemFromIndex(index));
        }
    }
    void paintEvent(QPaintEvent* event) override
    {
        if (OnPaint)
            OnPaint();
        QTreeWidget::paintEvent(event);
    }
    // The selected row stays marked while another control has the focus. Set
    // at every paint rather than on the list's palette, so it follows the
    // theme's highlight colours when the theme changes.
    void initViewItemOption(QStyleOptionViewItem* option) const override
    {
        QTreeWidget::initViewItemOption(option);
        for (QPalette::ColorRole role : {QPalette::Highlight, QPalette::HighlightedText})
            option->palette.setColor(QPalette::Inactive, role, option->palette.color(QPalette::Active, role));
    }
};

// The first status panel: one line, cut with an ellipsis at its end. text()
// keeps the whole text for the click that shows it.
class THintPanel final : public QLabel
{
public:
    using QLabel::QLabel;
    QSize sizeHint() const override { return {0, OneLineHeight()}; }
    QSize minimumSizeHint() const override { return {0, OneLineHeight()}; }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        const QRect area = contentsRect();
        QString line = text();
        // Error descriptions come one per line; the panel has only one.
        line.replace(QStringLiteral("\r\n"), QStringLiteral(" "));
        line.replace(u'\n', u' ');
        line.replace(u'\r', u' ');
        painter.drawText(area, Qt::AlignLeft | Qt::AlignVCenter,
                         fontMetrics().elidedText(line.trimmed(), Qt::ElideRight, area.width()));
    }

private:
    int OneLineHeight() const
    {
        const QMargins margins = contentsMargins();
        return fontMetrics().height() + margins.top() + margins.bottom();
    }
};

TRadioLink* RowLink(const QTreeWidgetItem* item)
{
    return item ? static_cast<TRadioLink*>(item->data(lcName, LinkRole).value<void*>()) : nullptr;
}

void SetRowTexts(QTreeWidgetItem* item, TRadioLink* link, bool fullView)
{
    item->setData(lcName, LinkRole, QVariant::fromValue(static_cast<void*>(link)));
    item->setText(lcName, fullView ? link->DisplayText() : link->Href());
    item->setText(lcBest, link->BestKbpsText());
    item->setText(lcShit, link->ShitKbpsText());
    item->setText(lcKind, StreamKindText(link->Kind(), ktCode).toUpper());
    item->setText(lcHref, link->Href());
    for (int column : {lcBest, lcShit, lcKind})
        item->setTextAlignment(column, Qt::AlignCenter);
}

} // namespace

void TwinMain::CreateLinkList()
{
    auto* list = new TLinkList(boxClient);
    boxLinks = list;
    boxLinks->setObjectName(QStringLiteral("boxLinks"));
    boxLinks->installEventFilter(this);
    boxLinks->setAccessibleName(QStringLiteral("收听连接"));
    boxLinks->setRootIsDecorated(false);
    boxLinks->setItemsExpandable(false);
    boxLinks->setEditTriggers(QAbstractItemView::NoEditTriggers);
    boxLinks->setSelectionMode(QAbstractItemView::SingleSelection);
    boxLinks->setSelectionBehavior(QAbstractItemView::SelectRows);
    boxLinks->setAllColumnsShowFocus(true);
    boxLinks->setContextMenuPolicy(Qt::PreventContextMenu);

    boxLinks->setColumnCount(lcCount);
    boxLinks->setHeaderLabels({QStringLiteral("连接名称"), QStringLiteral("最高速率"), QStringLiteral("最低速率"),
                               QStringLiteral("编码类型"), QStringLiteral("流地址")});
    for (int column : {lcBest, lcShit, lcKind})
        boxLinks->headerItem()->setTextAlignment(column, Qt::AlignCenter);
    boxLinks->header()->setStretchLastSection(true);
    boxLinks->header()->setSectionsMovable(false);
    boxLinks->setColumnWidth(lcName, 114);
    for (int column : {lcBest, lcShit, lcKind})
        boxLinks->setColumnWidth(column, 64);

    list->OnMouseDown = [this](QMouseEvent* event) {
        Guarded([&] {
            boxLinksMouseDown(boxLinks, event->button(), event->globalPosition().toPoint(),
                              boxLinks->itemAt(event->position().toPoint()));
        });
    };
    list->OnDblClick = [this] { Guarded([&] { boxLinksDblClick(); }); };
    list->OnEnter = [this] { Guarded([&] { boxLinksDblClick(); }); };
    list->OnDeselect = [this](QTreeWidgetItem* item) { FLastItem = item; };
    list->OnPaint = [this] { boxLinksCustomDrawItem(); };

    boxClient->addWidget(boxLinks);
    popBoxs = new QMenu(this);
    popBoxs->setObjectName(QStringLiteral("popBoxs"));
}

void TwinMain::CreateStatusBar()
{
    barHint = statusBar();
    barHint->setObjectName(QStringLiteral("barHint"));
    pnlHint[0] = new THintPanel(barHint);
    pnlHint[0]->setToolTip(SHintInfo);
    for (int i = 1; i < 4; ++i)
        pnlHint[i] = new QLabel(barHint);
    for (int i = 0; i < 4; ++i) {
        pnlHint[i]->setObjectName(QStringLiteral("pnlHint%1").arg(i));
        barHint->addPermanentWidget(pnlHint[i], i == 0 ? 1 : 0);
    }
    pnlHint[2]->setFixedWidth(70);
    pnlHint[3]->setFixedWidth(100);

    barGauge = new QProgressBar(pnlHint[1]);
    barGauge->setObjectName(QStringLiteral("barGauge"));
    barGauge->setRange(0, 100);
    barGauge->setAlignment(Qt::AlignCenter);
    auto* gaugeLayout = new QHBoxLayout(pnlHint[1]);
    gaugeLayout->setContentsMargins(0, 0, 0, 0);
    gaugeLayout->addWidget(barGauge);
    SetGaugeWidth(0);
    // The player's state from the start, not only after its first report.

    popHint = new QMenu(this);
    popHint->setObjectName(QStringLiteral("popHint"));
    QAction* info = popHint->addAction(QStringLiteral("状态栏信息(&I)..."));
    connect(info, &QAction::triggered, this, [this] { Guarded([&] { barHintClick(); }); });
    popHint->addSeparator();
    popHint->addAction(actBarHint);
    barHint->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(barHint, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& pos) { popHint->popup(barHint->mapToGlobal(pos)); });
    barHint->installEventFilter(this);

    connect(ctlPlayer, &TRadioPlayer::OnChange, this, [this] { Guarded([&] { ctlPlayerChange(); }); });
}

void TwinMain::SetGaugeWidth(int width)
{
    pnlHint[1]->setFixedWidth(width);
    pnlHint[1]->setHidden(width == 0);
}

QTreeWidgetItem* TwinMain::SelectedRow() const
{
    const QList<QTreeWidgetItem*> selected = boxLinks->selectedItems();
    return selected.isEmpty() ? nullptr : selected.first();
}

TRadioLink* TwinMain::CurrentLink() const
{
    if (!FRadio || FRadio->Link() < 0)
        return nullptr;
    return FRadio->Links().Items(FRadio->Link());
}

void TwinMain::SelectRow(QTreeWidgetItem* item)
{
    if (!item)
        return;
    boxLinks->scrollToItem(item);
    boxLinks->setCurrentItem(item);
    item->setSelected(true);
}

void TwinMain::FillLinkList()
{
    boxLinks->setUpdatesEnabled(false);
    boxLinks->clear();
    // Clearing reports the old selection; those rows are gone now.
    FLastItem = nullptr;
    const bool fullView = actFullView->isChecked();
    boxLinks->setHeaderHidden(!fullView);
    for (int column = lcBest; column < lcCount; ++column)
        boxLinks->setColumnHidden(column, !fullView);
    if (FRadio) {
        QList<QTreeWidgetItem*> rows;
        const TRadioLinks& links = FRadio->Links();
        for (int i = 0; i < links.Count(); ++i) {
            auto* item = new QTreeWidgetItem;
            SetRowTexts(item, links.Items(i), fullView);
            rows.append(item);
        }
        boxLinks->addTopLevelItems(rows);
        const int current = FRadio->Link();
        if (current >= 0 && current < boxLinks->topLevelItemCount())
            SelectRow(boxLinks->topLevelItem(current));
    }
    boxLinksCustomDrawItem();
    boxLinks->setUpdatesEnabled(true);
}

void TwinMain::UpdateLinkItem(QTreeWidgetItem* item, TRadioLink* link)
{
    if (!item)
        return;
    if (!link)
        link = RowLink(item);
    if (!link)
        return;
    boxLinks->setUpdatesEnabled(false);
    // The first column shows what the view shows, so that a changed row looks
    // like its neighbours.
    SetRowTexts(item, link, actFullView->isChecked());
    boxLinks->setUpdatesEnabled(true);
}

void TwinMain::boxLinksCustomDrawItem()
{
    const int current = FRadio ? FRadio->Link() : -1;
    for (int row = 0; row < boxLinks->topLevelItemCount(); ++row) {
        QTreeWidgetItem* item = boxLinks->topLevelItem(row);
        const bool bold = row == current;
        // Only real changes: a font change repaints the list.
        if (item->font(lcName).bold() == bold)
            continue;
        QFont font = boxLinks->font();
        font.setBold(bold);
        for (int column = 0; column < lcCount; ++column)
            item->setFont(column, font);
    }
}

QString TwinMain::HintPanelText(int panel) const { return pnlHint[panel]->text(); }

int TwinMain::HintPanelWidth(int panel) const { return pnlHint[panel]->isHidden() ? 0 : pnlHint[panel]->width(); }

void TwinMain::barHintClick()
{
    QStringList texts;
    for (int i = 0; i < 4; ++i) {
        const QString text = TrimText(HintPanelText(i));
        if (!text.isEmpty())
            texts.append(text);
    }
    const QString text = texts.join(QStringLiteral("\r\n"));
    ShowInfo(text);
}

void TwinMain::actPlayExecute()
{
    if (!FRadio)
        return;
    if (FRadio->Links().Count() == 0) {
        if (AskYesNo(SAskAddLink))
            actAddLinkExecute();
        if (!FRadio || FRadio->Links().Count() == 0)
            return;
    }
    const TRadioLink* link = CurrentLink();
    // Copies: the link may be edited or deleted while its address resolves.
    const QString href = link->Href();
    const TStreamKind kind = link->Kind();
    if (isVisible()) {
        boxLinksCustomDrawItem();
        boxLinks->viewport()->update();
    }
    if (!FServices.Resolver) {
        StartStream({href}, kind);
        return;
    }
    // A playlist address is fetched first; the event loop runs meanwhile, and
    // a Stop, another Play or another station drops the request. The stamp
    // catches a document replaced by a path that does not stop.
    const quint64 stamp = FDocStamp;
    FServices.Resolver->Resolve(href, kind, [this, stamp](const TStreamCandidates& streams) {
        if (FRadio && FDocStamp == stamp)
            Guarded([&] { StartStream(streams.Addresses, streams.Kind); });
    });
}

void TwinMain::StartStream(const QStringList& candidates, TStreamKind kind)
{
    // The candidates in turn, and again after a drop; each start is a modal
    // step (the policy's starter, see the constructor).
    ctlReconnect->Play(candidates, kind);
}

void TwinMain::actStopExecute()
{
    if (FServices.Resolver)
        FServices.Resolver->Cancel();
    // Also while the player is stopped: a try may be waiting.
    ctlReconnect->Stop();
}

void TwinMain::ResumeAfterSleep() { ctlReconnect->Resume(); }

void TwinMain::ShowLinkPanel()
{
    if (!actLinks->isChecked())
        actLinks->trigger();
}

void TwinMain::actAddLinkExecute()
{
    if (!FRadio)
        return;
    ShowLinkPanel();
    TRadio* radio = FRadio.get();
    const quint64 stamp = FDocStamp;
    TRadioLink* link = radio->Links().Add();
    const int result = Modal([&] { return FServices.Editors->EditLink(this, link); });
    // Hand-overs wait while the editor is open, but another command (the
    // tray menu) may have closed the station meanwhile.
    if (FDocStamp != stamp || FRadio.get() != radio || radio->Links().IndexOf(link) < 0)
        return;
    if (result == mrCancel) {
        radio->Links().Delete(radio->Links().IndexOf(link));
        return;
    }
    FModified = true;
    auto* item = new QTreeWidgetItem(boxLinks);
    SelectRow(item);
    UpdateLinkItem(item, link);
    boxLinksCustomDrawItem();
    UpdateWindowState();
}

void TwinMain::actEditLinkExecute()
{
    QTreeWidgetItem* item = SelectedRow();
    TRadioLink* link = RowLink(item);
    if (!link || !FRadio)
        return;
    ShowLinkPanel();
    TRadio* radio = FRadio.get();
    const quint64 stamp = FDocStamp;
    if (Modal([&] { return FServices.Editors->EditLink(this, link); }) != mrOk)
        return;
    if (FDocStamp != stamp || FRadio.get() != radio || radio->Links().IndexOf(link) < 0
        || boxLinks->indexOfTopLevelItem(item) < 0)
        return;
    FModified = true;
    UpdateLinkItem(item);
    UpdateWindowState();
}

void TwinMain::actCopyLinkExecute()
{
    if (const TRadioLink* link = RowLink(SelectedRow()))
        QGuiApplication::clipboard()->setText(link->Href());
}

void TwinMain::actDelLinkExecute()
{
    QTreeWidgetItem* item = SelectedRow();
    const TRadioLink* link = RowLink(item);
    if (!link || !FRadio)
        return;
    ShowLinkPanel();
    const quint64 stamp = FDocStamp;
    const QString question = SAskDelLink.arg(item->text(lcName));
    if (!AskYesNo(question))
        return;
    // The question and the stop below let other handlers run: go on only
    // with the same document, and find the link's row afresh (a row pointer
    // may by now point at another row at the same address).
    const auto linkIndex = [&] { return FRadio && FDocStamp == stamp ? FRadio->Links().IndexOf(link) : -1; };
    if (linkIndex() < 0)
        return;
    if (linkIndex() == FRadio->Link())
        actStopExecute();
    // The player's stop report is handled while the link still exists.
    Modal([] { QCoreApplication::processEvents(); });
    const int index = linkIndex();
    if (index < 0 || index >= boxLinks->topLevelItemCount())
        return;
    item = boxLinks->topLevelItem(index);

    FRadio->Links().Delete(index);
    // A link before the current one goes: the current link stays the same
    // link. When the current one itself goes, the next one (or the first)
    // takes its place, as the station reads the index.
    if (index < FRadio->StoredLink())
        FRadio->SetLink(FRadio->StoredLink() - 1);

    const int rows = boxLinks->topLevelItemCount();
    if (rows > 1)
        SelectRow(boxLinks->topLevelItem(index + 1 < rows ? index + 1 : 0));
    delete item;
    if (FLastItem == item)
        FLastItem = nullptr;
    FModified = true;
    boxLinksCustomDrawItem();
    UpdateWindowState();
}

void TwinMain::actFullViewExecute() { FillLinkList(); }

void TwinMain::boxLinksDblClick()
{
    QTreeWidgetItem* item = SelectedRow();
    if (!item || !FRadio)
        return;
    const int index = boxLinks->indexOfTopLevelItem(item);
    if (index != FRadio->Link()) {
        FRadio->SetLink(index);
        boxLinksCustomDrawItem();
        boxLinks->viewport()->update();
        // The file remembers the current link without the document becoming modified.
        WriteBackCleanDocument();
    }
    actPlayExecute();
}

void TwinMain::boxLinksMouseDown(QWidget* sender, Qt::MouseButton button, const QPoint& globalPos,
                                 QTreeWidgetItem* itemUnderMouse)
{
    const bool onList = sender == boxLinks;
    if (onList && !itemUnderMouse && FLastItem && boxLinks->indexOfTopLevelItem(FLastItem) >= 0)
        SelectRow(FLastItem);
    if (button != Qt::RightButton)
        return;

    popBoxs->clear();
    if (onList) {
        const QList<QAction*> linkItems = subLink->actions();
        if (!itemUnderMouse) {
            if (!linkItems.isEmpty())
                popBoxs->addAction(linkItems.first());
        } else {
            popBoxs->addAction(actPlay);
            for (QAction* entry : linkItems.mid(1)) {
                if (entry->isSeparator())
                    popBoxs->addSeparator();
                else
                    popBoxs->addAction(entry);
            }
        }
        popBoxs->addSeparator();
    }
    popBoxs->addAction(actLinks);
    popBoxs->addAction(actVolume);
    popBoxs->popup(globalPos);
}

void TwinMain::subLinksPopup() { subLinks->menuAction()->setEnabled(FillLinkMenu(subLinks)); }

bool TwinMain::FillLinkMenu(QMenu* menu)
{
    if (!FRadio || FRadio->Links().Count() == 0)
        return false;
    // The old items may be the ones whose click is still running.
    if (auto* old = menu->findChild<QActionGroup*>(QStringLiteral("grpLinks"), Qt::FindDirectChildrenOnly)) {
        old->setObjectName(QString());
        old->deleteLater();
    }
    menu->clear();
    auto* group = new QActionGroup(menu);
    group->setObjectName(QStringLiteral("grpLinks"));
    const TRadioLinks& links = FRadio->Links();
    const int current = FRadio->Link();
    for (int i = 0; i < links.Count(); ++i) {
        QAction* item = group->addAction(links.Items(i)->DisplayText());
        item->setCheckable(true);
        item->setChecked(i == current);
        menu->addAction(item);
        connect(item, &QAction::triggered, this,
                [this, menu, item] { Guarded([&] { subBtnLinkClick(int(menu->actions().indexOf(item))); }); });
    }
    return true;
}

void TwinMain::PlayLink(int index)
{
    if (!FRadio || index < 0 || index >= FRadio->Links().Count())
        return;
    FRadio->SetLink(index);
    Guarded([&] { actPlayExecute(); });
}

void TwinMain::subBtnLinkClick(int index)
{
    if (!SelectedRow() || !FRadio || index < 0)
        return;
    FRadio->SetLink(index);
    actPlayExecute();
}

void TwinMain::ShowStatusPanels(const TStatusPanels& panels)
{
    barHint->setUpdatesEnabled(false);
    for (int panel : {0, 2, 3})
        pnlHint[panel]->setText(panels.Texts[panel]);
    const int gauge = panels.Gauge < 0 ? 0 : GaugeWidth;
    if (HintPanelWidth(1) != gauge)
        SetGaugeWidth(gauge);
    if (gauge != 0)
        barGauge->setValue(panels.Gauge);
    barHint->setUpdatesEnabled(true);
}

void TwinMain::ctlPlayerChange()
{
    // The status bar follows the now-playing model.
    UpdateNowPlaying();

    const int rate = ctlPlayer->BitRate();
    if (rate > 0) {
        if (TRadioLink* link = CurrentLink(); link && LearnKbps(*link, rate)) {
            const int row = FRadio->Links().IndexOf(link);
            if (row < boxLinks->topLevelItemCount())
                UpdateLinkItem(boxLinks->topLevelItem(row), link);
            WriteBackCleanDocument();
        }
    }
}

void TwinMain::ctlPlayerEngineMissing(TStreamKind kind)
{
    const QString question = Const::SEngineMissing.arg(StreamKindText(kind, ktName));
    if (AskYesNo(question))
        FServices.Browser->Open(StreamKindText(kind, ktDownloadPage));
}

void TwinMain::WriteBackCleanDocument()
{
    // An editor may hold a link that is not committed yet (a new one has no
    // address): the file is written once the last modal has closed.
    if (InModal()) {
        FWriteBackWaiting = true;
        return;
    }
    if (FRadio && !FModified && !FFileName.isEmpty() && QFileInfo::exists(FFileName))
        FRadio->SaveToFile(FFileName, sfStation);
}

bool TwinMain::eventFilter(QObject* watched, QEvent* event)
{
    // Home goes to the first row of the list and to the lowest volume of a
    // slider; the forum command's Home works everywhere else in the window.
    if (event->type() == QEvent::ShortcutOverride
        && (watched == boxLinks || watched == barPlayer || watched == barSystem)) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Home && (key->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
            event->accept();
            return true;
        }
    }
    if (watched == barHint && event->type() == QEvent::MouseButtonRelease
        && static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton
        && barHint->rect().contains(static_cast<QMouseEvent*>(event)->position().toPoint())) {
        Guarded([&] { barHintClick(); });
        return false;
    }
    if (event->type() == QEvent::MouseButtonPress
        && (watched == boxMixer || watched == boxPlayer || watched == boxSystem)) {
        auto* mouse = static_cast<QMouseEvent*>(event);
        Guarded([&] {
            boxLinksMouseDown(static_cast<QWidget*>(watched), mouse->button(), mouse->globalPosition().toPoint(),
                              nullptr);
        });
        // One menu per press, not one more for every box the press passes on its way up.
        return mouse->button() == Qt::RightButton;
    }
    return QMainWindow::eventFilter(watched, event);
}
