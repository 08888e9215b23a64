#pragma once
// Scripted message boxes and browser for tests. Each installs itself while it
// lives and puts the previous service back when it goes.

#include "libMsgBox.h"
#include "libShell.h"

#include <QList>
#include <QQueue>
#include <QString>
#include <QStringList>

#include <functional>

class TFakeMessageBoxes final : public IMessageBoxes
{
public:
    enum TKind { YesNoCancel, YesNo, Message };
    struct TQuestion
    {
        TKind Kind;
        QString Text;
        TMsgIcon Icon;
    };

    TFakeMessageBoxes();
    ~TFakeMessageBoxes() override;

    // Queues the answer to the next box: mrYes, mrNo or mrCancel for a
    // question, mrOk for a plain message. meanwhile runs while the box is
    // open, as the event loop would run other handlers then.
    void Answer(int result, std::function<void()> meanwhile = {}) { FAnswers.enqueue({result, std::move(meanwhile)}); }
    // Every box shown so far, questions and plain messages, in order.
    const QList<TQuestion>& Questions() const { return FQuestions; }
    QStringList Texts() const;
    int PendingAnswers() const { return int(FAnswers.size()); }
    void Clear()
    {
        FQuestions.clear();
        FAnswers.clear();
    }

    // A box with no queued answer fails the running test (a question then
    // answers Cancel/No): an error box nobody expected is a fault too.
    int AskYesNoCancel(const QString& text) override;
    bool AskYesNo(const QString& text) override;
    void ShowMessageBox(const QString& text, TMsgIcon icon) override;

private:
    int Next(const QString& text);

    QList<TQuestion> FQuestions;
    struct TAnswer
    {
        int Result;
        std::function<void()> Meanwhile;
    };
    QQueue<TAnswer> FAnswers;
    IMessageBoxes* FPrevious;
};

class TFakeBrowser final : public IBrowser
{
public:
    explicit TFakeBrowser(bool opens = true);
    ~TFakeBrowser() override;
    bool Open(const QString& address) override;
    // Addresses asked for, in order, whether or not they "opened".
    QStringList Opened;
    bool Opens;

private:
    IBrowser* FPrevious;
};
