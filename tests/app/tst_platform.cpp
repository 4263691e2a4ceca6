#include "core/platform.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <cstdio>

using namespace mulo;

class TestPlatform : public QObject {
    Q_OBJECT
private slots:
    void librariesOpenFilesWhateverTheirPathHolds_data();
    void librariesOpenFilesWhateverTheirPathHolds();
};

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
