// The one writer of the user's files: only regular files are ever replaced,
// and a folder that takes no temporary file still gets its file written.
// (A full disk is tested with the station writer.)

#include "TestSupport.h"
#include "libError.h"
#include "libText.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

QByteArray Bytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void Put(const QString& path, const QByteArray& data)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(data), data.size());
}

// A folder in which no file can be created, for root too (who ignores
// permissions): immutable while it lives.
class TSealedFolder
{
public:
    explicit TSealedFolder(QString path) : FPath(std::move(path))
    {
        if (geteuid() == 0)
            FSealed = QProcess::execute(u"chattr"_s, {u"+i"_s, FPath}) == 0;
        else
            FSealed = QFile::setPermissions(FPath, QFile::ReadOwner | QFile::ExeOwner);
    }
    ~TSealedFolder()
    {
        if (geteuid() == 0)
            QProcess::execute(u"chattr"_s, {u"-i"_s, FPath});
        else
            QFile::setPermissions(FPath, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
    bool Sealed() const { return FSealed; }

private:
    QString FPath;
    bool FSealed = false;
};

} // namespace

class TestSafeFile : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init()
    {
        FDir = std::make_unique<QTemporaryDir>();
        QVERIFY(FDir->isValid());
    }
    void cleanup() { FDir.reset(); }

    void somethingElseThanAFileIsNeverReplaced()
    {
        const QString fifo = FDir->filePath(u"fifo.radio"_s);
        QCOMPARE(mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
        const QString folder = FDir->filePath(u"folder.radio"_s);
        QVERIFY(QDir().mkdir(folder));
        for (const QString& target : {fifo, folder, u"/dev/null"_s}) {
            try {
                WriteFileSafely(target, "new");
                QFAIL(qPrintable(u"replaced "_s + target));
            } catch (const EProgramError& error) {
                QVERIFY(!error.Message().isEmpty());
            }
        }
        QVERIFY(QFileInfo(fifo).exists() && !QFileInfo(fifo).isFile());
        QVERIFY(QFileInfo(folder).isDir());
    }

    void linkStaysALink()
    {
        const QString real = FDir->filePath(u"real.radio"_s);
        const QString link = FDir->filePath(u"link.radio"_s);
        Put(real, "old");
        QVERIFY(QFile::link(real, link));
        WriteFileSafely(link, "new");
        QVERIFY(QFileInfo(link).isSymLink());
        QCOMPARE(Bytes(real), "new"_ba);
    }

    // A writable file in a folder that takes no new file: written in place.
    void readOnlyFolderWritesInPlace()
    {
        const QString file = FDir->filePath(u"a.radio"_s);
        Put(file, "old");
        {
            TSealedFolder sealed(FDir->path());
            QVERIFY(sealed.Sealed());
            WriteFileSafely(file, "new");
            QCOMPARE(Bytes(file), "new"_ba);
            // Should the write fail there, the old bytes go back.
            TFileSizeLimit limit(100);
            QVERIFY_THROWS_EXCEPTION(EProgramError, WriteFileSafely(file, QByteArray(5000, 'x')));
        }
        QCOMPARE(Bytes(file), "new"_ba);
    }

private:
    std::unique_ptr<QTemporaryDir> FDir;
};

QTEST_GUILESS_MAIN(TestSafeFile)
#include "test_safe_file.moc"
