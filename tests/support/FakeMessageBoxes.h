#pragma once
// Scripted message boxes and browser for tests. Each installs itself while it
// lives and puts the previous service back when it goes.

#include "libMsgBox.h"
#include "libShell.h"

#include <QList>
#include <QQueue>
#include <QString>
#include <QStringList>

class FakeMessageBoxes final : public IMessageBoxes
{
public:
    enum TKind { YesNoCancel, YesNo, Message };
    struct TQuestion
    {
        TKind Kind;
        QString Text;
        TMsgIcon Icon;
    };

    FakeMessageBoxes();
    ~FakeMessageBoxes() override;

    // Queues the answer to the next question: mrYes, mrNo or mrCancel.
    void Answer(int result) { FAnswers.enqueue(result); }
    // Every box shown so far, questions and plain messages, in order.
    const QList<TQuestion>& Questions() const { return FQuestions; }
    QStringList Texts() const;
    int PendingAnswers() const { return int(FAnswers.size()); }
    void Clear() { FQuestions.clear(); FAnswers.clear(); }

    // A question with no queued answer fails the running test and answers Cancel/No.
    int AskYesNoCancel(const QString& text) override;
    bool AskYesNo(const QString& text) override;
    void ShowMessageBox(const QString& text, TMsgIcon icon) override;

private:
    int Next(const QString& text);

    QList<TQuestion> FQuestions;
    QQueue<int> FAnswers;
    IMessageBoxes* FPrevious;
};

class FakeBrowser final : public IBrowser
{
public:
    explicit FakeBrowser(bool opens = true);
    ~FakeBrowser() override;
    bool Open(const QString& address) override;
    // Addresses asked for, in order, whether or not they "opened".
    QStringList Opened;
    bool Opens;

private:
    IBrowser* FPrevious;
};
