#include "vclRadio.h"

#include "libConst.h"
#include "libError.h"
#include "libMsgBox.h"
#include "libRadio.h"
#include "libRegistry.h"
#include "vclDialogFrame.h"
#include "vclGrip.h"

#include <QComboBox>
#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <utility>

namespace {
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
    for (const auto& [combo, history] :
         {std::pair{cboKind, &FKindHistory}, std::pair{cboLang, &FLangHistory}, std::pair{cboLand, &FLandHistory}})
        steps.Step([this, combo, history] { SaveHistory(combo, *history); });
    steps.Report();
}

QString TwinRadio::HistoryFile(const QComboBox* combo)
{
    return ComponentFilePath(QStringLiteral("winRadio"), combo->objectName());
}

void TwinRadio::FormCreate() { ctlSizeGrip = SetupResizableDialog(this, QSize(440, 166)); }

void TwinRadio::FormShow()
{
    const QString name = FRadio->DisplayText();
    setWindowTitle(name);
    edtText->setText(name);
    edtHome->setText(FRadio->Href());
    edtMenu->setText(FRadio->Menu());
    FillHistory(cboKind, FKindHistory, FRadio->Kind());
    FillHistory(cboLang, FLangHistory, FRadio->Lang());
    FillHistory(cboLand, FLandHistory, FRadio->Land());
    FChanged = false;
    edtText->setFocus();
}

void TwinRadio::FillHistory(QComboBox* combo, THistoryList& history, const QString& value)
{
    history.Load(HistoryFile(combo));
    const int selected = history.Select(value);
    combo->clear();
    combo->addItems(history.Entries());
    // Adding items selects the first; a station without a value shows none.
    combo->setCurrentIndex(-1);
    combo->setEditText(QString());
    if (selected >= 0)
        combo->setCurrentIndex(selected);
    if (combo->lineEdit())
        combo->lineEdit()->deselect();
}

void TwinRadio::SaveHistory(QComboBox* combo, THistoryList& history)
{
    history.Commit(combo->currentText());
    try {
        history.Save(HistoryFile(combo));
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
