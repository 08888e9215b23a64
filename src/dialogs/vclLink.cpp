#include "vclLink.h"

#include "libKind.h"
#include "libMsgBox.h"
#include "libRadio.h"
#include "libText.h"
#include "vclDialogFrame.h"
#include "vclGrip.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace {
const QString SEmptyHref = QStringLiteral("收听连接的流地址不可以为空");
const QString SBadHref = QStringLiteral("收听连接的流地址不是合法的URL");

} // namespace

TwinLink::TwinLink(QWidget* owner, TRadioLink* link) : TEditorDialog(owner), FLink(link)
{
    setObjectName(QStringLiteral("winLink"));
    edtText = new QLineEdit(this);
    edtText->setObjectName(QStringLiteral("edtText"));
    cboKind = new QComboBox(this);
    cboKind->setObjectName(QStringLiteral("cboKind"));
    cboKind->setFixedWidth(120);
    edtLink = new QLineEdit(this);
    edtLink->setObjectName(QStringLiteral("edtLink"));
    edtBest = new QLineEdit(this);
    edtBest->setObjectName(QStringLiteral("edtBest"));
    edtShit = new QLineEdit(this);
    edtShit->setObjectName(QStringLiteral("edtShit"));
    for (QLineEdit* rate : {edtBest, edtShit}) {
        // The bit rates are learnt while the link plays, never typed in.
        rate->setReadOnly(true);
        rate->setFixedWidth(60);
    }
    btnOK = NewDialogButton(QStringLiteral("确定(&Y)"), this);
    btnOK->setObjectName(QStringLiteral("btnOK"));
    btnNO = NewDialogButton(QStringLiteral("取消(&N)"), this);
    btnNO->setObjectName(QStringLiteral("btnNO"));

    auto* grid = new QGridLayout;
    grid->setHorizontalSpacing(5);
    grid->setVerticalSpacing(8);
    grid->addWidget(NewBuddyLabel(QStringLiteral("连接名称(&C):"), edtText, this, 72), 0, 0);
    grid->addWidget(edtText, 0, 1);
    grid->addWidget(NewBuddyLabel(QStringLiteral("编码类型(&T):"), cboKind, this, 0), 0, 2);
    grid->addWidget(cboKind, 0, 3);
    grid->addWidget(NewBuddyLabel(QStringLiteral("连接地址(&L):"), edtLink, this, 72), 1, 0);
    grid->addWidget(edtLink, 1, 1, 1, 3);
    auto* rates = new QHBoxLayout;
    rates->addWidget(edtBest);
    rates->addWidget(new QLabel(QStringLiteral("千比特/秒"), this));
    rates->addSpacing(10);
    rates->addWidget(NewBuddyLabel(QStringLiteral("最低速率(&N):"), edtShit, this, 0));
    rates->addWidget(edtShit);
    rates->addWidget(new QLabel(QStringLiteral("千比特/秒"), this));
    rates->addStretch();
    grid->addWidget(NewBuddyLabel(QStringLiteral("最高速率(&X):"), edtBest, this, 72), 2, 0);
    grid->addLayout(rates, 2, 1, 1, 3);
    grid->setColumnStretch(1, 1);

    LayOutEditorForm(this, grid, btnOK, btnNO);

    connect(btnOK, &QPushButton::clicked, this, &TwinLink::btnOKClick);
    connect(btnNO, &QPushButton::clicked, this, &TwinLink::reject);
    connect(edtText, &QLineEdit::textChanged, this, [this] { FChanged = true; });
    connect(edtLink, &QLineEdit::textChanged, this, [this] { FChanged = true; });
    connect(cboKind, &QComboBox::activated, this, [this] { FChanged = true; });

    FormCreate();
    // The editor is shown once, right after it is made, so its fields are
    // filled here rather than on every show.
    FormShow();
}

TwinLink::~TwinLink()
{
    TEverySteps steps;
    steps.Step([this] { SaveDialogPlacement(this); });
    steps.Report();
}

void TwinLink::FormCreate()
{
    ctlSizeGrip = SetupResizableDialog(this, QSize(440, 159));
    cboKind->addItem(StreamKindText(skWindowsMedia, ktName));
    cboKind->addItem(StreamKindText(skRealMedia, ktName));
}

void TwinLink::FormShow()
{
    const QString name = FLink->DisplayText();
    setWindowTitle(name);
    edtText->setText(name);
    edtLink->setText(FLink->Href());
    edtBest->setText(FLink->BestKbpsText());
    edtShit->setText(FLink->ShitKbpsText());
    cboKind->setCurrentIndex(FLink->Kind());
    FChanged = false;
}

void TwinLink::btnOKClick()
{
    const QString href = TrimText(edtLink->text());
    if (href.isEmpty()) {
        Refuse(SEmptyHref);
        return;
    }
    TStreamKind kind = skWindowsMedia;
    switch (StreamKindOfURL(href)) {
    case 0: kind = skWindowsMedia; break;
    case 1: kind = skRealMedia; break;
    case -1:
        // A web address either engine may play: the user's choice decides.
        kind = cboKind->currentIndex() == skRealMedia ? skRealMedia : skWindowsMedia;
        break;
    default: Refuse(SBadHref); return;
    }
    if (!FChanged) {
        done(mrNo);
        return;
    }
    // Name before address: a name field that only showed the old address
    // must leave the link unnamed, so that it follows its new address.
    FLink->SetText(edtText->text());
    FLink->SetHref(href);
    FLink->SetKind(kind);
    done(mrOk);
}

void TwinLink::Refuse(const QString& text)
{
    ShowMessageBox(text, TMsgIcon::Error);
    edtLink->setFocus();
}
