#include "vclAbout.h"

#include "libError.h"
#include "libMsgBox.h"
#include "libRegistry.h"
#include "vclDialogFrame.h"
#include "vclShell.h"

#include <QAction>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {
const QString SDeveloperCredit = QStringLiteral("程序设计与界面：Kestrel Radio Works 开发组");
const QString SLibraryCredit = QStringLiteral("电台资料整理：Kestrel Radio Works 电台库编辑组");

// The designed client area; a larger desktop font may need more.
constexpr QSize CDesignSize(344, 220);
constexpr int CBannerHeight = 68;
} // namespace

QString AboutProductLine(const TExeInfo& info)
{
    return info.ProductName + u'(' + info.InternalName + QStringLiteral(") ") + info.VersionText;
}

TwinAbout::TwinAbout(QWidget* owner, QAction* help) : QDialog(owner), FHelp(help)
{
    setObjectName(QStringLiteral("winAbout"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                   | Qt::WindowCloseButtonHint);

    Image1 = new QLabel(this);
    Image1->setObjectName(QStringLiteral("Image1"));
    // Unscaled from the left edge; what does not fit is cut at the right.
    Image1->setPixmap(QPixmap(QStringLiteral(":/about/about-banner.png")));
    Image1->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    Image1->setFixedHeight(CBannerHeight);
    Image1->setMinimumWidth(0);
    Image1->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
    Image1->setAccessibleName(QStringLiteral("标志图片"));

    const TExeInfo info = OwnExeInfo();
    lblProduct = new QLabel(AboutProductLine(info), this);
    lblProduct->setObjectName(QStringLiteral("lblProduct"));
    lblCopyright = new QLabel(info.LegalCopyright, this);
    lblCopyright->setObjectName(QStringLiteral("lblCopyright"));
    boxMemo = new QPlainTextEdit(this);
    boxMemo->setObjectName(QStringLiteral("boxMemo"));
    boxMemo->setReadOnly(true);
    boxMemo->setPlainText(QStringList{info.Comments, SDeveloperCredit, SLibraryCredit}.join(u'\n'));
    boxMemo->setAccessibleName(QStringLiteral("说明"));

    btnOK = new QPushButton(QStringLiteral("确定(&Y)"), this);
    btnOK->setObjectName(QStringLiteral("btnOK"));
    btnOK->setDefault(true);
    btnHelp = new QPushButton(QStringLiteral("帮助(&H)"), this);
    btnHelp->setObjectName(QStringLiteral("btnHelp"));
    btnHelp->setAutoDefault(false);
    for (QPushButton* button : {btnOK, btnHelp})
        button->setMinimumSize(75, 23);

    auto* panel = new QVBoxLayout;
    panel->setContentsMargins(15, 8, 15, 0);
    panel->setSpacing(5);
    panel->addWidget(lblProduct);
    panel->addWidget(lblCopyright);
    panel->addWidget(boxMemo, 1);

    auto* line = new QFrame(this);
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);
    auto* buttons = new QHBoxLayout;
    buttons->setContentsMargins(15, 0, 15, 8);
    buttons->addStretch();
    buttons->addWidget(btnOK);
    buttons->addSpacing(8);
    buttons->addWidget(btnHelp);

    auto* form = new QVBoxLayout(this);
    form->setContentsMargins(0, 0, 0, 0);
    form->setSpacing(8);
    form->addWidget(Image1);
    form->addLayout(panel, 1);
    form->addWidget(line);
    form->addLayout(buttons);

    connect(btnOK, &QPushButton::clicked, this, &QDialog::accept);
    connect(btnHelp, &QPushButton::clicked, this, [this] {
        if (FHelp)
            FHelp->trigger();
    });

    setFixedSize(CDesignSize.expandedTo(minimumSizeHint()));
    try {
        TExeRegistry registry;
        RestorePlacement(registry, this);
    } catch (const EProgramError&) {
        // A damaged placement must not keep the box from opening; the next
        // close writes a sound one.
    }
    btnOK->setFocus();
    // Whatever the window's caption says now: the station's name, or the program's.
    setWindowTitle(owner ? owner->window()->windowTitle() : info.ProductName);
}

TwinAbout::~TwinAbout()
{
    TEverySteps steps;
    steps.Step([this] { SaveDialogPlacement(this); });
    steps.Report();
}
