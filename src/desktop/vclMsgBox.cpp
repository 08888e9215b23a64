#include "vclMsgBox.h"

#include "libShell.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QMessageBox>
#include <QThread>
#include <QTranslator>

namespace {
QMessageBox::Icon BoxIcon(TMsgIcon icon)
{
    switch (icon) {
    case TMsgIcon::Information: return QMessageBox::Information;
    case TMsgIcon::Question: return QMessageBox::Question;
    case TMsgIcon::Warning: return QMessageBox::Warning;
    case TMsgIcon::Error: return QMessageBox::Critical;
    }
    return QMessageBox::NoIcon;
}

int ModalResult(int button)
{
    switch (button) {
    case QMessageBox::Yes: return mrYes;
    case QMessageBox::No: return mrNo;
    case QMessageBox::Ok: return mrOk;
    default: return mrCancel;
    }
}
} // namespace

int TQtMessageBoxes::Show(const QString& text, TMsgIcon icon, int buttons)
{
    // Widgets live on the user-interface thread only; a question from another
    // thread waits there for the answer.
    QCoreApplication* app = QCoreApplication::instance();
    if (app && QThread::currentThread() != app->thread()) {
        int result = mrCancel;
        QMetaObject::invokeMethod(
            app, [&] { result = Show(text, icon, buttons); }, Qt::BlockingQueuedConnection);
        return result;
    }
    QWidget* owner = FOwner ? FOwner.data() : QApplication::activeWindow();
    // The program's texts break lines with CR LF; a bare CR would show as a box.
    QString shown = text;
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    QMessageBox box(BoxIcon(icon), ApplicationTitle(), shown, QMessageBox::StandardButtons(buttons), owner);
    if (buttons & QMessageBox::Cancel)
        box.setEscapeButton(QMessageBox::Cancel);
    else if (buttons & QMessageBox::No)
        box.setEscapeButton(QMessageBox::No);
    if (IsTopMost())
        box.setWindowFlag(Qt::WindowStaysOnTopHint, true);
    box.show();
    box.raise();
    box.activateWindow();
    return ModalResult(box.exec());
}

int TQtMessageBoxes::AskYesNoCancel(const QString& text)
{
    return Show(text, TMsgIcon::Information, QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
}

bool TQtMessageBoxes::AskYesNo(const QString& text)
{
    return Show(text, TMsgIcon::Question, QMessageBox::Yes | QMessageBox::No) == mrYes;
}

void TQtMessageBoxes::ShowMessageBox(const QString& text, TMsgIcon icon) { Show(text, icon, QMessageBox::Ok); }

bool LoadQtTranslations(QCoreApplication& app)
{
    auto* translator = new QTranslator(&app);
    if (!translator->load(QStringLiteral("qtbase_zh_CN"), QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        delete translator;
        return false;
    }
    return QCoreApplication::installTranslator(translator);
}
