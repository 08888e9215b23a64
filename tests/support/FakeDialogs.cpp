#include "FakeDialogs.h"

#include <QTest>

QString FakeFileDialogs::Next(bool save, const TFileDialogRequest& request)
{
    FCalls.append({save, request});
    if (FAnswers.isEmpty()) {
        QTest::qFail("a file dialog opened that the test did not expect", __FILE__, __LINE__);
        return {};
    }
    return FAnswers.dequeue();
}

QString FakeFileDialogs::Open(QWidget*, const TFileDialogRequest& request) { return Next(false, request); }
QString FakeFileDialogs::Save(QWidget*, const TFileDialogRequest& request) { return Next(true, request); }

int FakeEditors::EditLink(QWidget*, TRadioLink* link)
{
    ++LinkCalls;
    if (FLinkAnswers.isEmpty()) {
        QTest::qFail("the link editor opened unexpectedly", __FILE__, __LINE__);
        return mrCancel;
    }
    return FLinkAnswers.dequeue()(link);
}

int FakeEditors::EditRadio(QWidget*, TRadio* radio)
{
    ++RadioCalls;
    if (FRadioAnswers.isEmpty()) {
        QTest::qFail("the station editor opened unexpectedly", __FILE__, __LINE__);
        return mrCancel;
    }
    return FRadioAnswers.dequeue()(radio);
}
