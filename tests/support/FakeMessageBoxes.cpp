#include "FakeMessageBoxes.h"

#include <QTest>

FakeMessageBoxes::FakeMessageBoxes() : FPrevious(SetMessageBoxes(this)) {}

FakeMessageBoxes::~FakeMessageBoxes()
{
    SetMessageBoxes(FPrevious);
}

QStringList FakeMessageBoxes::Texts() const
{
    QStringList texts;
    for (const TQuestion& question : FQuestions)
        texts += question.Text;
    return texts;
}

int FakeMessageBoxes::Next(const QString& text)
{
    if (FAnswers.isEmpty()) {
        const QByteArray message = "FakeMessageBoxes: unexpected box: " + text.toUtf8();
        QTest::qFail(message.constData(), __FILE__, __LINE__);
        return mrCancel;
    }
    const TAnswer answer = FAnswers.dequeue();
    if (answer.Meanwhile)
        answer.Meanwhile();
    return answer.Result;
}

int FakeMessageBoxes::AskYesNoCancel(const QString& text)
{
    FQuestions += {YesNoCancel, text, TMsgIcon::Information};
    return Next(text);
}

bool FakeMessageBoxes::AskYesNo(const QString& text)
{
    FQuestions += {YesNo, text, TMsgIcon::Question};
    return Next(text) == mrYes;
}

void FakeMessageBoxes::ShowMessageBox(const QString& text, TMsgIcon icon)
{
    FQuestions += {Message, text, icon};
    Next(text);
}

FakeBrowser::FakeBrowser(bool opens) : Opens(opens), FPrevious(SetBrowser(this)) {}

FakeBrowser::~FakeBrowser()
{
    SetBrowser(FPrevious);
}

bool FakeBrowser::Open(const QString& address)
{
    Opened += address;
    return Opens;
}
