#include "vclToolbar.h"

#include "libMsgBox.h"
#include "libRegistry.h"
#include "libToolbar.h"
#include "vclDialogFrame.h"
#include "vclShell.h"
#include "vclToolbarBuild.h"

#include <QAction>
#include <QComboBox>
#include <QDrag>
#include <QDragEnterEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QMimeData>
#include <QPixmap>
#include <QPushButton>
#include <QToolBar>
#include <QVBoxLayout>

namespace {

const QString SSeparator = QStringLiteral("分隔符");
// Drags of entries carry nothing: the selected entry of the source list is the one dragged.
const QString CEntryFormat = QStringLiteral("application/x-kestrel-toolbar-entry");

QPushButton* NewButton(const char* name, const QString& caption, QSize size, QWidget* parent)
{
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setAutoDefault(false);
    button->setMinimumSize(size);
    return button;
}

} // namespace

TToolbarList::TToolbarList(TwinToolbar* owner, QWidget* parent) : QListWidget(parent), FOwner(owner)
{
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setIconSize(QSize(16, 16));
    setUniformItemSizes(true);
    setDragEnabled(true);
    setAcceptDrops(true);
    setDropIndicatorShown(false);
    setDragDropMode(QAbstractItemView::DragDrop);
    // 180 × 150 at design; wider where the desktop's font needs it.
    setFixedSize(180, 150);
}

void TToolbarList::startDrag(Qt::DropActions)
{
    const QListWidgetItem* entry = TwinToolbar::SelectedEntry(this);
    if (!entry)
        return;
    // The drop does the work on the bar and on both lists; the drag itself
    // never removes an entry, as QAbstractItemView's move would.
    auto* drag = new QDrag(this);
    auto* mime = new QMimeData;
    mime->setData(CEntryFormat, QByteArray());
    drag->setMimeData(mime);
    if (!entry->icon().isNull())
        drag->setPixmap(entry->icon().pixmap(16, 16));
    drag->exec(Qt::MoveAction);
}

void TToolbarList::dragEnterEvent(QDragEnterEvent* event)
{
    if (FOwner->boxDragOver(this, event->source()))
        event->acceptProposedAction();
    else
        event->ignore();
}

void TToolbarList::dragMoveEvent(QDragMoveEvent* event)
{
    if (FOwner->boxDragOver(this, event->source()))
        event->acceptProposedAction();
    else
        event->ignore();
}

void TToolbarList::dropEvent(QDropEvent* event)
{
    FOwner->boxDragDrop(this, event->source(), event->position().toPoint());
    event->acceptProposedAction();
    setState(NoState);
}

TwinToolbar::TwinToolbar(QWidget* owner, const QList<QAction*>& commands, QToolBar* toolbar)
    : QDialog(owner), FCommands(commands), FToolbar(toolbar)
{
    setObjectName(QStringLiteral("winToolbar"));
    QPixmap blank(16, 16);
    blank.fill(Qt::transparent);
    FBlank = QIcon(blank);
    setWindowTitle(QStringLiteral("自定义工具栏"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                   | Qt::WindowCloseButtonHint);

    boxHide = new TToolbarList(this, this);
    boxHide->setObjectName(QStringLiteral("boxHide"));
    boxShow = new TToolbarList(this, this);
    boxShow->setObjectName(QStringLiteral("boxShow"));
    btnSelect = NewButton("btnSelect", QStringLiteral("添加(&A) ->"), QSize(74, 23), this);
    btnDelete = NewButton("btnDelete", QStringLiteral("<- 删除(&R)"), QSize(74, 23), this);
    btnOK = NewButton("btnOK", QStringLiteral("关闭(&C)"), QSize(70, 23), this);
    btnOK->setDefault(true);
    btnReset = NewButton("btnReset", QStringLiteral("重置(&E)"), QSize(70, 23), this);
    btnUp = NewButton("btnUp", QStringLiteral("上移(&U)"), QSize(70, 23), this);
    btnDn = NewButton("btnDn", QStringLiteral("下移(&D)"), QSize(70, 23), this);
    cboText = new QComboBox(this);
    cboText->setObjectName(QStringLiteral("cboText"));
    cboText->setEditable(false);
    cboText->setFixedWidth(201);

    auto* middle = new QVBoxLayout;
    middle->addStretch();
    middle->addWidget(btnSelect);
    middle->addWidget(btnDelete);
    middle->addStretch();
    auto* right = new QVBoxLayout;
    right->addWidget(btnOK);
    right->addWidget(btnReset);
    right->addSpacing(23);
    right->addWidget(btnUp);
    right->addWidget(btnDn);
    right->addStretch();
    auto* text = new QHBoxLayout;
    text->addWidget(NewBuddyLabel(QStringLiteral("文字选项(&X)："), cboText, this, 0));
    text->addWidget(cboText);
    text->addStretch();

    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(15, 15, 15, 15);
    grid->setHorizontalSpacing(8);
    grid->setVerticalSpacing(4);
    grid->addWidget(NewBuddyLabel(QStringLiteral("可用工具栏按钮(&V)："), boxHide, this, 0), 0, 0);
    grid->addWidget(boxHide, 1, 0);
    grid->addLayout(middle, 1, 1);
    grid->addWidget(NewBuddyLabel(QStringLiteral("当前工具栏按钮(&T)："), boxShow, this, 0), 0, 2);
    grid->addWidget(boxShow, 1, 2);
    grid->addLayout(right, 0, 3, 2, 1);
    grid->addLayout(text, 2, 0, 1, 3);
    grid->setRowMinimumHeight(2, 32);
    // A fixed size, as its contents need on this desktop.
    grid->setSizeConstraint(QLayout::SetFixedSize);

    connect(btnSelect, &QPushButton::clicked, this, &TwinToolbar::btnSelectClick);
    connect(btnDelete, &QPushButton::clicked, this, &TwinToolbar::btnDeleteClick);
    connect(btnUp, &QPushButton::clicked, this, &TwinToolbar::btnUpClick);
    connect(btnDn, &QPushButton::clicked, this, &TwinToolbar::btnDnClick);
    connect(btnReset, &QPushButton::clicked, this, &TwinToolbar::btnResetClick);
    connect(btnOK, &QPushButton::clicked, this, &QDialog::accept);
    // activated, not currentIndexChanged: only the user's choice sets the bar.
    connect(cboText, &QComboBox::activated, this, &TwinToolbar::cboTextChange);
    connect(boxHide, &QListWidget::itemDoubleClicked, this, &TwinToolbar::btnSelectClick);
    connect(boxShow, &QListWidget::itemDoubleClicked, this, &TwinToolbar::btnDeleteClick);
    connect(boxHide, &QListWidget::itemSelectionChanged, this, &TwinToolbar::UpdateButtons);
    connect(boxShow, &QListWidget::itemSelectionChanged, this, &TwinToolbar::UpdateButtons);

    cboText->addItems(ToolbarTextOptionNames());
    cboText->setCurrentIndex(ToolbarTextOption(FToolbar));
    Populate();

    adjustSize();
    TExeRegistry registry;
    RestorePlacement(registry, this);
}

TwinToolbar::~TwinToolbar()
{
    TEverySteps steps;
    steps.Step([this] { SaveDialogPlacement(this); });
    steps.Report();
}

QAction* TwinToolbar::EntryItem(const QListWidgetItem* entry)
{
    if (!entry)
        return nullptr;
    return qobject_cast<QAction*>(entry->data(Qt::UserRole).value<QObject*>());
}

QListWidgetItem* TwinToolbar::SelectedEntry(const QListWidget* list)
{
    const QList<QListWidgetItem*> selected = list->selectedItems();
    return selected.isEmpty() ? nullptr : selected.first();
}

QListWidgetItem* TwinToolbar::NewEntry(QAction* item) const
{
    auto* entry = new QListWidgetItem;
    entry->setData(Qt::UserRole, QVariant::fromValue<QObject*>(item));
    if (item && !item->isSeparator()) {
        entry->setText(item->iconText());
        entry->setIcon(item->icon());
    } else {
        entry->setText(SSeparator);
        // No picture, but the caption lines up with those that have one.
        entry->setIcon(FBlank);
    }
    return entry;
}

QListWidgetItem* TwinToolbar::EndMarker() const { return boxShow->item(boxShow->count() - 1); }

void TwinToolbar::SelectEntry(QListWidget* list, QListWidgetItem* entry)
{
    if (!entry) {
        list->selectionModel()->clear();
        return;
    }
    list->setCurrentItem(entry);
    list->scrollToItem(entry);
}

void TwinToolbar::Populate()
{
    boxHide->clear();
    boxShow->clear();
    QListWidgetItem* source = NewEntry(nullptr);
    boxHide->addItem(source);
    SelectEntry(boxHide, source);
    const QList<QAction*> items = FToolbar->actions();
    {
        TToolbarUpdate update(FToolbar);
        for (qsizetype i = items.size() - 1; i >= 0; --i) {
            QAction* item = items[i];
            if (item->isVisible()) {
                boxShow->insertItem(0, NewEntry(item));
            } else if (item->isSeparator()) {
                FToolbar->removeAction(item);
                delete item;
            } else {
                boxHide->insertItem(1, NewEntry(item));
            }
        }
    }
    QListWidgetItem* end = NewEntry(nullptr);
    // It stands for the end of the bar: it is neither dragged nor removed.
    end->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
    end->setForeground(palette().color(QPalette::Disabled, QPalette::Text));
    boxShow->addItem(end);
    SelectEntry(boxShow, end);
    UpdateButtons();
}

void TwinToolbar::Add(QListWidgetItem* source, QListWidgetItem* target)
{
    if (!source)
        return;
    QAction* item = EntryItem(source);
    const bool separatorSource = !item;
    {
        TToolbarUpdate update(FToolbar);
        if (separatorSource)
            item = NewToolbarSeparator(FToolbar);
        else
            FToolbar->removeAction(item);
        target = PutOnBar(item, target);
        item->setVisible(true);
    }
    QListWidgetItem* entry = NewEntry(item);
    boxShow->insertItem(boxShow->row(target), entry);
    SelectEntry(boxShow, entry);
    if (!separatorSource) {
        QListWidgetItem* next = boxHide->item(boxHide->row(source) + 1);
        SelectEntry(boxHide, next);
        delete source;
        // Taking the last entry leaves nothing selected, so a further Add does
        // nothing until the user picks one.
        if (!next)
            SelectEntry(boxHide, nullptr);
    }
    // Deleting an entry moves the rows under a selection that stays put.
    UpdateButtons();
    boxHide->setFocus();
}

QListWidgetItem* TwinToolbar::PutOnBar(QAction* item, QListWidgetItem* target)
{
    if (QAction* before = EntryItem(target)) {
        FToolbar->insertAction(before, item);
        return target;
    }
    FToolbar->addAction(item);
    return EndMarker();
}

void TwinToolbar::Remove(QListWidgetItem* entry)
{
    QAction* item = EntryItem(entry);
    if (!item)
        return;
    {
        TToolbarUpdate update(FToolbar);
        if (item->isSeparator()) {
            FToolbar->removeAction(item);
            delete item;
        } else {
            item->setVisible(false);
            QListWidgetItem* copy = NewEntry(item);
            boxHide->addItem(copy);
            SelectEntry(boxHide, copy);
        }
    }
    SelectEntry(boxShow, boxShow->item(boxShow->row(entry) + 1));
    delete entry;
    UpdateButtons();
    boxShow->setFocus();
}

void TwinToolbar::Move(QListWidgetItem* entry, QListWidgetItem* target)
{
    QAction* item = EntryItem(entry);
    if (!item || target == entry)
        return;
    {
        TToolbarUpdate update(FToolbar);
        FToolbar->removeAction(item);
        target = PutOnBar(item, target);
    }
    boxShow->takeItem(boxShow->row(entry));
    boxShow->insertItem(boxShow->row(target), entry);
    SelectEntry(boxShow, entry);
    UpdateButtons();
    boxShow->setFocus();
}

void TwinToolbar::UpdateButtons()
{
    btnSelect->setEnabled(boxHide->count() > 0 && SelectedEntry(boxHide));
    const QListWidgetItem* selected = SelectedEntry(boxShow);
    const int i = selected ? boxShow->row(selected) : -1;
    const int n = boxShow->count();
    const bool real = n >= 2 && i >= 0 && i < n - 1;
    btnDelete->setEnabled(real);
    btnDn->setEnabled(real && i < n - 2);
    btnUp->setEnabled(real && i > 0);
}

bool TwinToolbar::boxDragOver(const QListWidget* target, const QObject* source) const
{
    if (target == boxShow) {
        if (source == boxHide)
            return true;
        return source == boxShow && EntryItem(SelectedEntry(boxShow));
    }
    return target == boxHide && source == boxShow && btnDelete->isEnabled();
}

void TwinToolbar::boxDragDrop(QListWidget* target, const QObject* source, const QPoint& pos)
{
    if (!boxDragOver(target, source))
        return;
    if (target == boxHide) {
        Remove(SelectedEntry(boxShow));
        return;
    }
    QListWidgetItem* under = boxShow->itemAt(pos);
    if (source == boxHide)
        Add(SelectedEntry(boxHide), under);
    else
        Move(SelectedEntry(boxShow), under);
}

void TwinToolbar::btnSelectClick() { Add(SelectedEntry(boxHide), SelectedEntry(boxShow)); }
void TwinToolbar::btnDeleteClick() { Remove(SelectedEntry(boxShow)); }

void TwinToolbar::btnUpClick()
{
    QListWidgetItem* entry = SelectedEntry(boxShow);
    if (entry)
        Move(entry, boxShow->item(boxShow->row(entry) - 1));
}

void TwinToolbar::btnDnClick()
{
    QListWidgetItem* entry = SelectedEntry(boxShow);
    if (entry)
        Move(entry, boxShow->item(boxShow->row(entry) + 2));
}

void TwinToolbar::btnResetClick()
{
    ResetToolbar(FToolbar, FCommands);
    cboText->setCurrentIndex(ToolbarTextOption(FToolbar));
    Populate();
}

void TwinToolbar::cboTextChange(int index) { SetToolbarTextOption(index, FToolbar); }
