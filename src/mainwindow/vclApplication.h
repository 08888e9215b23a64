#pragma once
// The program's application object.

#include <QApplication>
#include <QPointer>

class TwinMain;

// Exceptions that escape an event handler reach the main window's error box,
// and the program goes on, as for the handlers the window guards itself.
class TApplication final : public QApplication
{
public:
    using QApplication::QApplication;
    QPointer<TwinMain> Window;

    bool notify(QObject* receiver, QEvent* event) override;
};
