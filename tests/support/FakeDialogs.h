#pragma once
// Scripted file dialogs and editors for the main window's tests.

#include "vclEditors.h"
#include "vclFileDialogs.h"
#include "vclSearch.h"

#include <QList>
#include <QQueue>
#include <functional>

class TFakeFileDialogs final : public IFileDialogs
{
public:
    struct TCall
    {
        bool Save;
        TFileDialogRequest Request;
    };
    // Queues the path the next dialog answers; an empty string cancels.
    void Answer(const QString& path) { FAnswers.enqueue(path); }
    const QList<TCall>& Calls() const { return FCalls; }
    int PendingAnswers() const { return int(FAnswers.size()); }

    // A dialog with no queued answer fails the running test and cancels.
    QString Open(QWidget* parent, const TFileDialogRequest& request) override;
    QString Save(QWidget* parent, const TFileDialogRequest& request) override;

private:
    QString Next(bool save, const TFileDialogRequest& request);
    QList<TCall> FCalls;
    QQueue<QString> FAnswers;
};

class TFakeEditors final : public IEditors
{
public:
    // Each answer may change the object before it returns its result, as the
    // user would in the dialog.
    using TLinkAnswer = std::function<int(TRadioLink*)>;
    using TRadioAnswer = std::function<int(TRadio*)>;
    void AnswerLink(TLinkAnswer answer) { FLinkAnswers.enqueue(std::move(answer)); }
    void AnswerRadio(TRadioAnswer answer) { FRadioAnswers.enqueue(std::move(answer)); }
    int LinkCalls = 0;
    int RadioCalls = 0;
    int PendingAnswers() const { return int(FLinkAnswers.size() + FRadioAnswers.size()); }

    // An editor with no queued answer fails the running test and cancels.
    int EditLink(QWidget* parent, TRadioLink* link) override;
    int EditRadio(QWidget* parent, TRadio* radio) override;

private:
    QQueue<TLinkAnswer> FLinkAnswers;
    QQueue<TRadioAnswer> FRadioAnswers;
};

// The search window as a record of its openings; a test plays the window's
// part through the host it was handed.
class TFakeStationSearch final : public IStationSearch
{
public:
    int Shows = 0;
    QWidget* Parent = nullptr;
    ISearchHost* Host = nullptr;
    void Show(QWidget* parent, ISearchHost* host) override
    {
        ++Shows;
        Parent = parent;
        Host = host;
    }
};
