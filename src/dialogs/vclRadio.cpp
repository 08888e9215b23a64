#include "vclRadio.h"

#include "libConst.h"
#include "libError.h"
#include "libMsgBox.h"
#include "libRadio.h"
#include "libRegistry.h"
#include "libText.h"
#include "vclDialogFrame.h"
#include "vclGrip.h"

#include <QComboBox>
#include <QFileInfo>
#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace {
// Histories match regardless of the case of Latin letters only: "Pop" and
// "POP" are one entry, other scripts compare exactly.
QString FoldLatin(QStringView text)
{
    QString folded = text.toString();
    for (QChar& c : folded) {
        if (c >= u'A' && c <= u'Z')
            c = QChar(c.unicode() + (u'a' - u'A'));
    }
    return folded;
}

QComboBox* NewHistoryCombo(const QString& name, QWidget* parent)
{
    auto* combo = new QComboBox(parent);
    combo->setObjectName(name);
    combo->setEditable(true);
    // Entries are kept as the user typed them; the histories decide the order.
    combo->setInsertPolicy(QComboBox::NoInsert);
    combo->setMinimumWidth(80);
    return combo;
}

QLineEdit* NewEdit(const QString& name, QWidget* parent)
{
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(name);
    return edit;
}
} // namespace

TwinRadio::TwinRadio(QWidget* owner, TRadio* radio) : TEditorDialog(owner), FRadio(radio)
{
    setObjectName(QStringLiteral("winRadio"));
    edtText = NewEdit(QStringLiteral("edtText"), this);
    cboKind = NewHistoryCombo(QStringLiteral("cboKind"), this);
    edtMenu = NewEdit(QStringLiteral("edtMenu"), this);
    cboLand = NewHistoryCombo(QStringLiteral("cboLand"), this);
    edtHome = NewEdit(QStringLiteral("edtHome"), this);
    cboLang = NewHistoryCombo(QStringLiteral("cboLang"), this);
    btnOK = NewDialogButton(QStringLiteral("确定(&Y)"), this);
    btnOK->setObjectName(QStringLiteral("btnOK"));
    btnNO = NewDialogButton(QStringLiteral("取消(&N)"), this);
    btnNO->setObjectName(QStringLiteral("btnNO"));

    auto* grid = new QGridLayout;
    grid->setHorizontalSpacing(5);
    grid->setVerticalSpacing(8);
    const struct
    {
        QString EditCaption;
        QLineEdit* Edit;
        QString ComboCaption;
        QComboBox* Combo;
    } rows[] = {
        {QStringLiteral("名　称(&C):"), edtText, QStringLiteral("类型(&T):"), cboKind},
        {QStringLiteral("节目单(&M):"), edtMenu, QStringLiteral("地区(&A):"), cboLand},
        {QStringLiteral("主　页(&H):"), edtHome, QStringLiteral("语种(&L):"), cboLang},
    };
    for (int row = 0; row < 3; ++row) {
        grid->addWidget(NewBuddyLabel(rows[row].EditCaption, rows[row].Edit, this, 60), row, 0);
        grid->addWidget(rows[row].Edit, row, 1);
        QLabel* right = NewBuddyLabel(rows[row].ComboCaption, rows[row].Combo, this, 48);
        // Ten pixels between an edit and the label to its right.
        right->setContentsMargins(5, 0, 0, 0);
        grid->addWidget(right, row, 2);
        grid->addWidget(rows[row].Combo, row, 3);
        connect(rows[row].Edit, &QLineEdit::textChanged, this, [this] { FChanged = true; });
        connect(rows[row].Combo, &QComboBox::editTextChanged, this, [this] { FChanged = true; });
        connect(rows[row].Combo, &QComboBox::activated, this, [this] { FChanged = true; });
    }
    grid->setColumnStretch(1, 1);

    LayOutEditorForm(this, grid, btnOK, btnNO);

    connect(btnOK, &QPushButton::clicked, this, &TwinRadio::btnOKClick);
    connect(btnNO, &QPushButton::clicked, this, &TwinRadio::reject);

    FormCreate();
    // The editor is shown once, right after it is made.
    FormShow();
}

TwinRadio::~TwinRadio()
{
    // Every step is tried: an unwritable history file must not cost the
    // others, nor the placement. The first failure is shown once.
    TEverySteps steps;
    steps.Step([this] { SaveDialogPlacement(this); });
    for (QComboBox* combo : {cboKind, cboLang, cboLand})
        steps.Step([this, combo] { SaveHistory(combo); });
    steps.Report();
}

QString TwinRadio::HistoryFile(const QComboBox* combo)
{
    return ComponentFilePath(QStringLiteral("winRadio"), combo->objectName());
}

void TwinRadio::FormCreate()
{
    ctlSizeGrip = SetupResizableDialog(this, QSize(440, 166));
}

void TwinRadio::FormShow()
{
    const QString name = FRadio->DisplayText();
    setWindowTitle(name);
    edtText->setText(name);
    edtHome->setText(FRadio->Href());
    edtMenu->setText(FRadio->Menu());
    FillHistory(cboKind, FRadio->Kind());
    FillHistory(cboLang, FRadio->Lang());
    FillHistory(cboLand, FRadio->Land());
    FChanged = false;
    edtText->setFocus();
}

void TwinRadio::FillHistory(QComboBox* combo, const QString& value)
{
    const QString file = HistoryFile(combo);
    if (QFileInfo::exists(file)) {
        combo->clear();
        combo->addItems(ReadListFile(file));
    }
    // Adding items selects the first; a station without a value shows none.
    combo->setCurrentIndex(-1);
    combo->setEditText(QString());
    if (!value.isEmpty()) {
        // The entry nearest the end wins, so the station keeps the letter
        // case of the oldest spelling in the history.
        const QString wanted = FoldLatin(value);
        int found = -1;
        for (int i = combo->count() - 1; i >= 0 && found < 0; --i) {
            if (FoldLatin(combo->itemText(i)) == wanted)
                found = i;
        }
        if (found < 0) {
            combo->insertItem(0, TrimText(value));
            found = 0;
        }
        combo->setCurrentIndex(found);
    }
    if (combo->lineEdit())
        combo->lineEdit()->deselect();
}

void TwinRadio::SaveHistory(QComboBox* combo)
{
    const QString text = TrimText(combo->currentText());
    if (!text.isEmpty()) {
        const QString wanted = FoldLatin(text);
        bool known = false;
        for (int i = 0; i < combo->count() && !known; ++i)
            known = FoldLatin(combo->itemText(i)) == wanted;
        if (!known)
            combo->insertItem(0, text);
    }
    while (combo->count() > HistoryCount)
        combo->removeItem(combo->count() - 1);
    QStringList lines;
    for (int i = 0; i < combo->count(); ++i)
        lines += combo->itemText(i);
    try {
        WriteListFile(HistoryFile(combo), lines);
    } catch (const EProgramError& error) {
        throw EProgramError(Const::SCannotCreateFile.arg(HistoryFile(combo), error.Message()));
    }
}

void TwinRadio::btnOKClick()
{
    if (!FChanged) {
        done(mrNo);
        return;
    }
    FRadio->SetText(edtText->text());
    FRadio->SetHref(edtHome->text());
    FRadio->SetMenu(edtMenu->text());
    FRadio->SetKind(cboKind->currentText());
    FRadio->SetLang(cboLang->currentText());
    FRadio->SetLand(cboLand->currentText());
    done(mrOk);
}

