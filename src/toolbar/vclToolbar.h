#pragma once
// The customisation dialog of a tool bar: which buttons it shows, in which
// order, with which separators, and its text option. It works on the live bar:
// every operation changes the bar at once, nothing is rolled back, and the
// layout reaches its file only when the main window closes.

#include <QDialog>
#include <QIcon>
#include <QList>
#include <QListWidget>

class QAction;
class QComboBox;
class QLabel;
class QPushButton;
class QToolBar;
class TwinToolbar;

// A list of the dialog that starts drags of its entries and hands drags and
// drops to the dialog.
class TToolbarList : public QListWidget
{
public:
    TToolbarList(TwinToolbar* owner, QWidget* parent);

protected:
    void startDrag(Qt::DropActions supportedActions) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    TwinToolbar* FOwner;
};

class TwinToolbar : public QDialog
{
    Q_OBJECT
public:
    // Restores the placement stored under winToolbar and fills the lists.
    TwinToolbar(QWidget* owner, const QList<QAction*>& commands, QToolBar* toolbar);
    // Stores the placement.
    ~TwinToolbar() override;

    // boxHide: the separator source, then the hidden buttons; boxShow: the
    // bar's shown items in order, then the end marker. Rebuilds both from the bar.
    void Populate();
    // Puts source's item (a new separator for the separator source) on the bar
    // in front of target's item, at the end without a real target.
    void Add(QListWidgetItem* source, QListWidgetItem* target);
    // Hides a button (it goes back to boxHide) or discards a separator.
    void Remove(QListWidgetItem* entry);
    // Moves entry's item in front of target's item, to the end without a real target.
    void Move(QListWidgetItem* entry, QListWidgetItem* target);
    // Enables the buttons for the entries selected.
    void UpdateButtons();

    // Whether target takes a drag that started in source.
    bool boxDragOver(const QListWidget* target, const QObject* source) const;
    // A drop on target at pos (the list's viewport coordinates).
    void boxDragDrop(QListWidget* target, const QObject* source, const QPoint& pos);

    // The bar's item an entry stands for; nullptr for the separator source and the end marker.
    static QAction* EntryItem(const QListWidgetItem* entry);
    // The selected entry of a list, or nullptr.
    static QListWidgetItem* SelectedEntry(const QListWidget* list);

    TToolbarList* boxHide = nullptr;
    TToolbarList* boxShow = nullptr;
    QPushButton* btnSelect = nullptr;
    QPushButton* btnDelete = nullptr;
    QPushButton* btnOK = nullptr;
    QPushButton* btnReset = nullptr;
    QPushButton* btnUp = nullptr;
    QPushButton* btnDn = nullptr;
    QComboBox* cboText = nullptr;

private:
    void btnSelectClick();
    void btnDeleteClick();
    void btnUpClick();
    void btnDnClick();
    void btnResetClick();
    void cboTextChange(int index);
    // An entry for item; the separator source or the end marker without one.
    QListWidgetItem* NewEntry(QAction* item) const;
    // Selects entry and scrolls it into view; nullptr leaves nothing selected.
    static void SelectEntry(QListWidget* list, QListWidgetItem* entry);
    QListWidgetItem* EndMarker() const;
    // Puts item on the bar in front of target's item, or at the end without a
    // real target; answers the entry the new one goes in front of.
    QListWidgetItem* PutOnBar(QAction* item, QListWidgetItem* target);

    QList<QAction*> FCommands;
    QToolBar* FToolbar;
    // The picture of the entries without one: empty, so all captions line up.
    QIcon FBlank;
};
