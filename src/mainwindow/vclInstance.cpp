#include "vclInstance.h"

#include "libInstance.h"
#include "vclMain.h"
#include "vclShell.h"

#include <QLoggingCategory>

namespace {
Q_LOGGING_CATEGORY(lcInstance, "kestrel.instance", QtWarningMsg)
}

void ConnectInstance(TSingleInstance& instance, TwinMain& window)
{
    // Also a modal box of the program that the window did not open itself.
    instance.SetHold([&window] { return window.Busy(); });
    QObject::connect(&instance, &TSingleInstance::Activate, &window, [&window] {
        qCInfo(lcInstance, "activated");
        ShowMainWindow(true, &window);
    });
    QObject::connect(&instance, &TSingleInstance::HandOver, &window,
                     [&window](const QStringList& list) { window.Guarded([&] { window.OpenForwardedFiles(list); }); });
}
