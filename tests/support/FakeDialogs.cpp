#include "FakeDialogs.h"

#include <QTest>

QString TFakeFileDialogs::Next(bool save, const TFileDialogRequest& request)
{
    FCalls.append({save, request});
    if (FAnswers.isEmpty()) {
        QTest::qFail("a file dialog opened that the test did not expect", __FILE__, __LINE__);
        return {};
    }
    return FAnswers.dequeue();
}

QString TFakeFileDialogs::Open(QWidget*, const TFileDialogRequest& request) { return Next(false, request); }
QString TFakeFileDialogs::Save(QWidget*, const TFileDialogRequest& request) { return Next(true, request); }

int TFakeEditors::EditLink(QWidget*, TRadioLink* link)
{
    ++LinkCalls;
    if (FLinkAnswers.isEmpty()) {
        QTest::qFail("the link editor opened unexpectedly", __FILE__, __LINE__);
        return mrCancel;
    }
    return FLinkAnswers.dequeue()(link);
}

int TFakeEditors::EditRadio(QWidget*, TRadio* radio)
{
    ++RadioCalls;
    if (FRadioAnswers.isEmpty()) {
        QTest::qFail("the station editor opened unexpectedly", __FILE__, __LINE__);
        return mrCancel;
    }
    return FRadioAnswers.dequeue()(radio);
}
