#include "FakeMessageBoxes.h"

#include <QTest>

TFakeMessageBoxes::TFakeMessageBoxes() : FPrevious(SetMessageBoxes(this)) {}

TFakeMessageBoxes::~TFakeMessageBoxes() { SetMessageBoxes(FPrevious); }

QStringList TFakeMessageBoxes::Texts() const
{
    QStringList texts;
    for (const TQuestion& question : FQuestions)
        texts += question.Text;
    return texts;
}

int TFakeMessageBoxes::Next(const QString& text)
{
    if (FAnswers.isEmpty()) {
        const QByteArray message = "TFakeMessageBoxes: unexpected box: " + text.toUtf8();
        QTest::qFail(message.constData(), __FILE__, __LINE__);
        return mrCancel;
    }
    const TAnswer answer = FAnswers.dequeue();
    if (answer.Meanwhile)
        answer.Meanwhile();
    return answer.Result;
}

int TFakeMessageBoxes::AskYesNoCancel(const QString& text)
{
    FQuestions += {YesNoCancel, text, TMsgIcon::Information};
    return Next(text);
}

bool TFakeMessageBoxes::AskYesNo(const QString& text)
{
    FQuestions += {YesNo, text, TMsgIcon::Question};
    return Next(text) == mrYes;
}

void TFakeMessageBoxes::ShowMessageBox(const QString& text, TMsgIcon icon)
{
    FQuestions += {Message, text, icon};
    Next(text);
}

TFakeBrowser::TFakeBrowser(bool opens) : Opens(opens), FPrevious(SetBrowser(this)) {}

TFakeBrowser::~TFakeBrowser() { SetBrowser(FPrevious); }

bool TFakeBrowser::Open(const QString& address)
{
    Opened += address;
    return Opens;
}
