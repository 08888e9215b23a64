// The real save dialog, typed into as a user would: it asks about the file
// that will really be written and takes only an existing folder.

#include "FakeMessageBoxes.h"
#include "TestHome.h"
#include "libConst.h"
#include "vclFileDialogs.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QPointer>
#include <QTest>
#include <QTimer>

using namespace Qt::StringLiterals;

namespace {

// Types each name into the next save dialog that opens and accepts it; an
// empty name cancels the dialog.
class TDialogTyper : public QObject
{
public:
    explicit TDialogTyper(QStringList names) : FNames(std::move(names))
    {
        connect(&FTimer, &QTimer::timeout, this, [this] { Tick(); });
        FTimer.start(10);
    }
    int Shown = 0;

private:
    void Tick()
    {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        if (!dialog || dialog == FLast)
            return;
        FLast = dialog;
        ++Shown;
        // One showing more than the script has is counted and cancelled, so
        // the test fails instead of waiting on an open dialog.
        const QString name = FNames.isEmpty() ? QString() : FNames.takeFirst();
        if (name.isEmpty()) {
            dialog->reject();
            return;
        }
        QLineEdit* edit = dialog->findChild<QLineEdit*>(u"fileNameEdit"_s);
        edit->setText(name);
        QTest::keyClick(edit, Qt::Key_Return);
    }

    QStringList FNames;
    QTimer FTimer;
    QPointer<QFileDialog> FLast;
};

} // namespace

class TestFileDialogs : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void saveAsksAboutTheWrittenFile_data();
    void saveAsksAboutTheWrittenFile();
};

void TestFileDialogs::saveAsksAboutTheWrittenFile_data()
{
    QTest::addColumn<QString>("suffix");
    QTest::addColumn<QString>("existing");   // a file already in the folder
    QTest::addColumn<QStringList>("typed");  // one name per showing, "" cancels
    QTest::addColumn<QList<int>>("answers"); // to the boxes, in order
    QTest::addColumn<QStringList>("boxes");  // what they said; %1 is the folder
    QTest::addColumn<QString>("chosen");     // relative to the folder, "" for none

    const QString replaceAbc = Const::SAskReplaceFile.arg(u"abc.radio"_s);
    QTest::newRow("other extension, replace refused")
        << u"radio"_s << u"abc.radio"_s << QStringList{u"abc.txt"_s, u""_s} << QList<int>{mrNo}
        << QStringList{replaceAbc} << QString();
    QTest::newRow("other extension, replace agreed") << u"radio"_s << u"abc.radio"_s << QStringList{u"abc.txt"_s}
                                                     << QList<int>{mrYes} << QStringList{replaceAbc} << u"abc.radio"_s;
    QTest::newRow("a dotted station name")
        << u"radio"_s << u"CRI.radio"_s << QStringList{u"CRI.FM"_s} << QList<int>{mrYes}
        << QStringList{Const::SAskReplaceFile.arg(u"CRI.radio"_s)} << u"CRI.radio"_s;
    QTest::newRow("export under a sister extension")
        << u"wax"_s << u"keep.wax"_s << QStringList{u"keep.asx"_s, u""_s} << QList<int>{mrNo}
        << QStringList{Const::SAskReplaceFile.arg(u"keep.wax"_s)} << QString();
    QTest::newRow("new file, no question")
        << u"radio"_s << u"other.radio"_s << QStringList{u"abc"_s} << QList<int>{} << QStringList{} << u"abc.radio"_s;
    QTest::newRow("missing folder refused")
        << u"radio"_s << QString() << QStringList{u"没有/abc"_s, u"abc"_s} << QList<int>{mrOk}
        << QStringList{Const::SFolderMissing.arg(u"%1/没有"_s)} << u"abc.radio"_s;
}

void TestFileDialogs::saveAsksAboutTheWrittenFile()
{
    QFETCH(QString, suffix);
    QFETCH(QString, existing);
    QFETCH(QStringList, typed);
    QFETCH(QList<int>, answers);
    QFETCH(QStringList, boxes);
    QFETCH(QString, chosen);

    TTestHome home;
    TFakeMessageBoxes messages;
    const QString folder = home.Path();
    if (!existing.isEmpty()) {
        QFile file(folder + u'/' + existing);
        QVERIFY(file.open(QIODevice::WriteOnly));
    }
    for (int answer : answers)
        messages.Answer(answer);

    TFileDialogRequest request;
    request.Title = u"另存为"_s;
    request.Filter = u"电台文件 (*.radio)"_s;
    request.StartFolder = folder;
    request.DefaultSuffix = suffix;
    TDialogTyper typer(typed);
    TQtFileDialogs dialogs;
    const QString name = dialogs.Save(nullptr, request);

    QCOMPARE(typer.Shown, typed.size());
    QStringList expected;
    for (const QString& box : boxes)
        expected << (box.contains(u"%1"_s) ? QString(box).replace(u"%1"_s, folder) : box);
    QCOMPARE(messages.Texts(), expected);
    QCOMPARE(name, chosen.isEmpty() ? QString() : folder + u'/' + chosen);
    QCOMPARE(messages.PendingAnswers(), 0);
}

QTEST_MAIN(TestFileDialogs)
#include "test_file_dialogs.moc"
