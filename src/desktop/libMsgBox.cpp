#include "libMsgBox.h"

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
