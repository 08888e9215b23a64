#pragma once
// The program's message boxes behind one replaceable service. The main window
// asks through the service it is handed; the editors and file dialogs through
// the helpers below, which forward to the installed one. The program installs
// the QMessageBox service, tests a scripted fake.

#include <QString>

#include <functional>
#include <optional>

enum class TMsgIcon { Information, Question, Warning, Error };

// Dialog and message-box answers, with the values callers compare against.
enum TModalResult : int { mrNone = 0, mrOk = 1, mrCancel = 2, mrYes = 6, mrNo = 7 };

class IMessageBoxes
{
public:
    virtual ~IMessageBoxes() = default;
    // Yes, No and Cancel with the information icon; answers mrYes, mrNo or mrCancel.
    virtual int AskYesNoCancel(const QString& text) = 0;
    // Yes and No with the question icon; true for Yes.
    virtual bool AskYesNo(const QString& text) = 0;
    // An OK box with the given icon.
    virtual void ShowMessageBox(const QString& text, TMsgIcon icon) = 0;
};

// Installs the service used by the helpers below and returns the previous one.
// Without a service the helpers write the text to stderr and answer No/Cancel,
// which is what a headless tool needs.
IMessageBoxes* SetMessageBoxes(IMessageBoxes* service);
IMessageBoxes* MessageBoxes();

int AskYesNoCancel(const QString& text);
bool AskYesNo(const QString& text);
void ShowMessageBox(const QString& text, TMsgIcon icon);
void ShowInfo(const QString& text);

// "发生未预料的错误:" and the message in the error box: a failure nothing else
// handled. The program goes on.
void ShowUnexpectedError(const QString& message);
QString UnexpectedErrorText(const QString& message);

// Runs every step of a sequence (a window's start or closing) even after one
// fails, so one damaged or unwritable file cannot cost the rest; Report shows
// the first failure once as an unexpected error.
class TEverySteps
{
public:
    void Step(const std::function<void()>& step);
    void Report() const;
    bool Failed() const { return FError.has_value(); }
    const std::optional<QString>& Error() const { return FError; }

private:
    std::optional<QString> FError;
};
