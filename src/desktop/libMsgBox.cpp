#include "libMsgBox.h"

#include "libConst.h"
#include <exception>

#include <cstdio>

namespace {
IMessageBoxes* Service = nullptr;

void WriteToStderr(const QString& text)
{
    std::fprintf(stderr, "%s\n", text.toLocal8Bit().constData());
    std::fflush(stderr);
}
} // namespace

IMessageBoxes* SetMessageBoxes(IMessageBoxes* service)
{
    IMessageBoxes* previous = Service;
    Service = service;
    return previous;
}

IMessageBoxes* MessageBoxes() { return Service; }

int AskYesNoCancel(const QString& text)
{
    if (Service)
        return Service->AskYesNoCancel(text);
    WriteToStderr(text);
    return mrCancel;
}

bool AskYesNo(const QString& text)
{
    if (Service)
        return Service->AskYesNo(text);
    WriteToStderr(text);
    return false;
}

void ShowMessageBox(const QString& text, TMsgIcon icon)
{
    if (Service)
        Service->ShowMessageBox(text, icon);
    else
        WriteToStderr(text);
}

void ShowInfo(const QString& text) { ShowMessageBox(text, TMsgIcon::Information); }

QString UnexpectedErrorText(const QString& message)
{
    return Const::SUnexpectedError + QStringLiteral(":\r\n") + message;
}

void ShowUnexpectedError(const QString& message) { ShowMessageBox(UnexpectedErrorText(message), TMsgIcon::Error); }

void TEverySteps::Step(const std::function<void()>& step)
{
    try {
        step();
    } catch (const std::exception& error) {
        // The program's own errors carry their message as UTF-8 in what().
        if (!FError)
            FError = QString::fromUtf8(error.what());
    }
}

void TEverySteps::Report() const
{
    if (FError)
        ShowUnexpectedError(*FError);
}
