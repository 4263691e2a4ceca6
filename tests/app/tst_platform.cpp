#include "core/platform.h"
#include "platform/readtoend.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <cstdio>

using namespace mulo;

class TestPlatform : public QObject {
    Q_OBJECT
private slots:
    void aReadThatFailsMidwayIsAFailureWithWhatWasRead();
    void librariesOpenFilesWhateverTheirPathHolds_data();
    void librariesOpenFilesWhateverTheirPathHolds();
};

// The lesson file's later lessons are not silently lost: a failure after some bytes is a
// failure, and the bytes read before it are kept for the lessons they hold.
void TestPlatform::aReadThatFailsMidwayIsAFailureWithWhatWasRead()
{
    const QByteArray file = QByteArrayLiteral("春夏秋冬\n东南西北\n");
    qsizetype at = 0;
    QByteArray bytes;
    const auto failAfterTen = [&](char* into, qint64 most) -> qint64 {
        if (at >= 10)
            return -1;
        const qint64 n = std::min<qint64>({most, 4, 10 - at});
        std::copy_n(file.constData() + at, n, into);
        at += n;
        return n;
    };
    QCOMPARE(mulo::platform::readToEnd(bytes, file.size(), 1 << 20, failAfterTen),
             mulo::platform::RegularFile::Status::ReadFailed);
    QCOMPARE(bytes, file.left(10));
}

void TestPlatform::librariesOpenFilesWhateverTheirPathHolds_data()
{
    QTest::addColumn<QString>("folder");
    QTest::newRow("plain") << QStringLiteral("voices");
    QTest::newRow("Chinese, as a user's folder may be") << QStringLiteral("张三");
    QTest::newRow("capitals and a plus, which libraries change or cut at")
        << QStringLiteral("Zhang+Li");
}

// The speech library opens its data and our voice with fopen(), by a name it may lower-case
// or cut at a "+".
void TestPlatform::librariesOpenFilesWhateverTheirPathHolds()
{
    QFETCH(QString, folder);
    QTemporaryDir dir;
    QVERIFY(QDir(dir.path()).mkdir(folder));
    const QString path = dir.filePath(folder + QStringLiteral("/mulo.voice"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("name Mulo\n");
    file.close();

    // As the library will have it: lower-cased.
    const QByteArray name = platform::nameForLibraries(path).toLower();
    QVERIFY(!name.isEmpty());
    QVERIFY2(!name.contains('+'), name.constData());
    FILE* opened = std::fopen(name.constData(), "rb");
    QVERIFY2(opened, name.constData());
    char text[16] = {};
    const std::size_t got = std::fread(text, 1, sizeof text - 1, opened);
    std::fclose(opened);
    QCOMPARE(QByteArray(text, qsizetype(got)), QByteArray("name Mulo\n"));

    QVERIFY(platform::nameForLibraries(dir.filePath(QStringLiteral("missing"))).isEmpty());
}

QTEST_GUILESS_MAIN(TestPlatform)
#include "tst_platform.moc"
