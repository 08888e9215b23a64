#include "vclApplication.h"

#include "vclMain.h"

#include <exception>

bool TApplication::notify(QObject* receiver, QEvent* event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception& error) {
        if (Window)
            Window->AppException(error);
        return false;
    }
}
