#include "appearance.h"
#include "fakes.h"
#include "form1.h"
#include "qtcontrols.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QListView>
#include <QMenuBar>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QStyleOption>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolTip>
#include <cmath>
#include <cstdio>
#include <cstring>

using namespace mulo;
using namespace mulo::test;

namespace {

constexpr char childMode[] = "--measure-the-window";

double contrast(const QColor& a, const QColor& b)
{
    const auto luminance = [](const QColor& c) {
        const auto linear = [](double v) {
            return v <= 0.04045 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
        };
        return 0.2126 * linear(c.redF()) + 0.7152 * linear(c.greenF()) + 0.0722 * linear(c.blueF());
    };
    const double la = luminance(a), lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

// The real window under the desktop settings the parent gave through the environment;
// prints one line for each thing that does not fit or cannot be read, then "done".
int measureTheWindow(int argc, char* argv[])
{
    QApplication app(argc, argv);
    installQtChineseTranslation(app);
    const int desktopPoints = std::atoi(argv[2]);
    QStringList faults;
    const auto fault = [&](const QString& what) { faults.append(what); };
    // The desktop's settings really reach a plain Qt program here.
    if (QApplication::font().pointSize() != desktopPoints)
        fault(QStringLiteral("the desktop font is %1 pt").arg(QApplication::font().pointSize()));

    ScriptedRandom random;
    FakeAppInfo info;
    RecordingMessageBox messageBox;
    Form1 form({random, info, &messageBox, [](const QString&) {
                    QByteArray lessons;
                    for (int i = 0; i < 12; ++i)
                        lessons += QStringLiteral("天地人和\n").toUtf8();
                    return FileBytes{lessons, {}};
                }});
    form.show();
    QTest::qWait(300); // a platform theme applies its settings once the event loop runs

    const auto fits = [&](QWidget* w, const QString& caption, int room) {
        const int needed = QFontMetrics(w->font()).horizontalAdvance(QString(caption).remove(u'&'));
        if (needed > room)
            fault(QStringLiteral("%1 needs %2 px, has %3").arg(caption).arg(needed).arg(room));
    };
    const auto readable = [&](const QString& what, const QColor& text, const QColor& back,
                              double least) {
        if (contrast(text, back) < least)
            fault(QStringLiteral("%1: contrast %2").arg(what).arg(contrast(text, back)));
    };
    const auto simplifiedChinese = [&](QWidget* w) {
        if (!QFontInfo(w->font()).family().contains(QStringLiteral("CJK SC")))
            fault(w->objectName() + QStringLiteral(" is drawn in ") +
                  QFontInfo(w->font()).family());
    };

    for (QAbstractButton* b : form.findChildren<QAbstractButton*>()) {
        QStyleOptionButton option;
        option.initFrom(b);
        option.text = b->text();
        const QStyle::SubElement contents =
            qobject_cast<QCheckBox*>(b)      ? QStyle::SE_CheckBoxContents
            : qobject_cast<QRadioButton*>(b) ? QStyle::SE_RadioButtonContents
                                             : QStyle::SE_PushButtonContents;
        fits(b, b->text(), b->style()->subElementRect(contents, &option, b).width());
        simplifiedChinese(b);
        const QPalette::ColorRole back =
            qobject_cast<QPushButton*>(b) ? QPalette::Button : QPalette::Window;
        readable(b->text(), b->palette().color(b->foregroundRole()), b->palette().color(back), 4.5);
    }
    for (QGroupBox* box : form.findChildren<QGroupBox*>()) {
        fits(box, box->title(), box->width() - 16);
        readable(box->title(), box->palette().color(QPalette::WindowText),
                 box->palette().color(QPalette::Window), 4.5);
    }
    QMenuBar* bar = form.menuBar();
    for (QAction* a : bar->actions()) {
        const QRect place = bar->actionGeometry(a);
        if (place.isEmpty() || place.right() >= bar->width())
            fault(a->text() + QStringLiteral(" is not on the menu bar"));
        readable(a->text(), bar->palette().color(QPalette::ButtonText),
                 bar->palette().color(QPalette::Window), 4.5);
        if (QMenu* menu = a->menu()) {
            simplifiedChinese(menu);
            readable(menu->title(), menu->palette().color(QPalette::Text),
                     menu->palette().color(QPalette::Window), 4.5);
        }
    }
    auto* list = form.findChild<QListView*>(QStringLiteral("lstAllWords"));
    auto* txtTi = form.findChild<QLineEdit*>(QStringLiteral("txtTi"));
    simplifiedChinese(list);
    if (list->viewport()->height() < 8 * list->sizeHintForRow(0))
        fault(QStringLiteral("the list shows fewer than 8 rows"));
    if (list->horizontalScrollBar()->isVisible())
        fault(QStringLiteral("the list scrolls sideways"));
    readable(QStringLiteral("the list"), list->palette().color(QPalette::Text),
             list->palette().color(QPalette::Base), 4.5);
    readable(QStringLiteral("the current lesson"), list->palette().color(QPalette::Text),
             QColor(180, 200, 224), 4.5);
    // The question is large text (42 points): 3:1 is enough for it.
    readable(QStringLiteral("the question"), txtTi->palette().color(QPalette::Text),
             txtTi->palette().color(QPalette::Base), 3.0);
    // Tips and message boxes are windows of their own: a tip about to show, and the box
    // the window shows.
    QHelpEvent hover(QEvent::ToolTip, QPoint(5, 5), txtTi->mapToGlobal(QPoint(5, 5)));
    QApplication::sendEvent(txtTi, &hover);
    if (!QFontInfo(QToolTip::font()).family().contains(QStringLiteral("CJK SC")))
        fault(QStringLiteral("tips are drawn in ") + QFontInfo(QToolTip::font()).family());
    readable(QStringLiteral("a tip"), QToolTip::palette().color(QPalette::ToolTipText),
             QToolTip::palette().color(QPalette::ToolTipBase), 4.5);
    if (QToolTip::palette().color(QPalette::ToolTipBase).lightness() < 200)
        fault(QStringLiteral("tips are dark"));
    QTimer::singleShot(0, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box)
            return fault(QStringLiteral("no message box"));
        simplifiedChinese(box);
        if (box->palette().color(QPalette::Window).lightness() < 200)
            fault(QStringLiteral("message boxes are dark"));
        readable(QStringLiteral("a message"), box->palette().color(QPalette::WindowText),
                 box->palette().color(QPalette::Window), 4.5);
        box->accept();
    });
    WidgetMessageBox(&form, QStringLiteral("Mulo"))
        .show(QStringLiteral("出现异常错误,请与作者联系!"), 48);
    if (QCoreApplication::translate("QPlatformTheme", "OK") != QStringLiteral("确定"))
        fault(QStringLiteral("the OK button says ") +
              QCoreApplication::translate("QPlatformTheme", "OK"));

    for (const QString& f : faults)
        std::printf("%s\n", qPrintable(f));
    std::printf("done\n");
    return 0;
}

} // namespace

// The window on desktops set up differently, through a real platform theme (qt6ct) with its
// settings in a private folder: every caption fits, the list shows its rows, every text can
// be read and the characters have their Simplified-Chinese shapes.
class TestLook : public QObject {
    Q_OBJECT

private slots:
    void theWindowKeepsItsLookOnAnyDesktop_data();
    void theWindowKeepsItsLookOnAnyDesktop();
};

void TestLook::theWindowKeepsItsLookOnAnyDesktop_data()
{
    QTest::addColumn<int>("points");
    QTest::addColumn<QString>("colours"); // a qt6ct colour scheme, or none
    QTest::addColumn<QString>("locale");
    QTest::newRow("a 9-point desktop font") << 9 << QString() << "zh_CN.UTF-8";
    QTest::newRow("GNOME's 11 points") << 11 << QString() << "zh_CN.UTF-8";
    QTest::newRow("12 points") << 12 << QString() << "zh_CN.UTF-8";
    QTest::newRow("14 points") << 14 << QString() << "zh_CN.UTF-8";
    QTest::newRow("a dark desktop") << 11 << "darker"
                                    << "zh_CN.UTF-8";
    QTest::newRow("an English locale") << 11 << QString() << "C";
}

void TestLook::theWindowKeepsItsLookOnAnyDesktop()
{
    QFETCH(int, points);
    QFETCH(QString, colours);
    QFETCH(QString, locale);
#if !defined(Q_OS_LINUX)
    QSKIP("desktops set up through qt6ct are Linux's");
#endif
    if (!QFile::exists(QStringLiteral("/usr/share/qt6ct/colors/darker.conf")))
        QSKIP("qt6ct is not installed");
    QTemporaryDir config;
    QDir(config.path()).mkpath(QStringLiteral("qt6ct"));
    QFile settings(config.filePath(QStringLiteral("qt6ct/qt6ct.conf")));
    QVERIFY(settings.open(QIODevice::WriteOnly));
    settings.write("[Appearance]\nstyle=Fusion\n");
    if (!colours.isEmpty())
        settings.write("custom_palette=true\ncolor_scheme_path=/usr/share/qt6ct/colors/" +
                       colours.toUtf8() + ".conf\n");
    settings.write(QStringLiteral("[Fonts]\ngeneral=\"DejaVu Sans,%1,-1,5,50,0,0,0,0,0\"\n")
                       .arg(points)
                       .toUtf8());
    settings.close();

    QProcess child;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), config.path());
    environment.insert(QStringLiteral("QT_QPA_PLATFORMTHEME"), QStringLiteral("qt6ct"));
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    environment.insert(QStringLiteral("LANG"), locale);
    environment.insert(QStringLiteral("LC_ALL"), locale);
    child.setProcessEnvironment(environment);
    child.start(QCoreApplication::applicationFilePath(),
                {QLatin1String(childMode), QString::number(points)});
    QVERIFY(child.waitForFinished(30000));
    QCOMPARE(QString::fromUtf8(child.readAllStandardOutput()), QStringLiteral("done\n"));
}

int main(int argc, char* argv[])
{
    if (argc > 2 && std::strcmp(argv[1], childMode) == 0)
        return measureTheWindow(argc, argv);
    QApplication app(argc, argv);
    TestLook test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_look.moc"
