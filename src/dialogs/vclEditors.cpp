#include "vclEditors.h"

#include "vclLink.h"
#include "vclRadio.h"

#include <QPointer>

namespace {
// The dialog belongs to parent while it is shown; should parent go first, the
// dialog goes with it and the editor counts as cancelled.
template <class TForm, class TObject> int ShowEditor(QWidget* parent, TObject* object)
{
    QPointer<TForm> form = new TForm(parent, object);
    const int result = form->exec();
    if (!form)
        return mrCancel;
    delete form.data();
    // A loop ended from outside (the program told to stop) answers neither
    // OK nor No: that is no consent to change anything.
    return result == mrOk || result == mrNo ? result : mrCancel;
}
} // namespace

int TDialogEditors::EditLink(QWidget* parent, TRadioLink* link) { return ShowEditor<TwinLink>(parent, link); }

int TDialogEditors::EditRadio(QWidget* parent, TRadio* radio) { return ShowEditor<TwinRadio>(parent, radio); }
