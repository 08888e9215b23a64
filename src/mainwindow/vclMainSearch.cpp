// The search window over the online station directory: the command that opens
// it, and the window's side of listening to or keeping a result.
#include "vclMain.h"

#include "libRadio.h"
#include "vclPictures.h"

#include <QAction>
#include <QMenu>

void TwinMain::CreateSearchItem()
{
    subRadio->addAction(actSearchLib);
    actSearchLib->setIcon(NamedPicture(QStringLiteral("edit-find")));
    if (!FServices.Search)
        actSearchLib->setEnabled(false);
}

void TwinMain::actSearchLibExecute()
{
    if (FServices.Search)
        FServices.Search->Show(this, this);
}

bool TwinMain::ListenToStation(const TRadio& radio)
{
    // The search window stays usable while the window asks or plays; a
    // result picked meanwhile would replace the document under that step.
    if (Busy())
        return false;
    bool playing = false;
    Guarded([&] {
        if (!CheckModified())
            return;
        // New and unsaved, like a station typed in: saving it asks where.
        ReplaceDocument(&radio, QString(), true);
        playing = true;
        actPlay->trigger();
    });
    return playing;
}

void TwinMain::OpenStationFile(const QString& fileName)
{
    if (Busy())
        return;
    Guarded([&] { OpenRadioFile(fileName, false); });
}
