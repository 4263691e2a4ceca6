#include "appearance.h"

#include <QCoreApplication>
#include <QDir>
#include <QFontDatabase>
#include <QLibraryInfo>
#include <QToolTip>
#include <QTranslator>
#include <QWidget>

namespace mulo {

QFont interfaceFont()
{
    QFont font;
    font.setFamilies({QStringLiteral("Noto Sans CJK SC"), QStringLiteral("Source Han Sans SC"),
                      QStringLiteral("Microsoft YaHei"), QStringLiteral("WenQuanYi Micro Hei"),
                      QStringLiteral("sans-serif")});
    // 9 points at 96 dpi, whatever the desktop's resolution: the layout is in pixels.
    font.setPixelSize(12);
    return font;
}

QPalette windowPalette()
{
    const QColor face(240, 240, 240), text(Qt::black), white(Qt::white);
    QPalette palette(text, face, white, QColor(160, 160, 160), QColor(160, 160, 160), text, white);
    for (const auto group : {QPalette::Active, QPalette::Inactive}) {
        palette.setColor(group, QPalette::Midlight, QColor(227, 227, 227));
        palette.setColor(group, QPalette::Shadow, QColor(105, 105, 105));
        palette.setColor(group, QPalette::Highlight, QColor(0, 120, 215));
        palette.setColor(group, QPalette::HighlightedText, white);
        palette.setColor(group, QPalette::AlternateBase, QColor(247, 247, 247));
        palette.setColor(group, QPalette::ToolTipBase, QColor(255, 255, 225));
        palette.setColor(group, QPalette::ToolTipText, text);
        palette.setColor(group, QPalette::PlaceholderText, QColor(109, 109, 109));
        palette.setColor(group, QPalette::Link, QColor(0, 0, 238));
        palette.setColor(group, QPalette::LinkVisited, QColor(85, 26, 139));
    }
    const QColor disabledText(109, 109, 109);
    for (const auto role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
        palette.setColor(QPalette::Disabled, role, disabledText);
    palette.setColor(QPalette::Disabled, QPalette::Base, face);
    return palette;
}

void applyWindowLook(QWidget* window)
{
    window->setFont(interfaceFont());
    window->setPalette(windowPalette());
    // Message boxes and other windows opened from it take its font and palette too.
    window->setAttribute(Qt::WA_WindowPropagation);
    applyTipLook();
}

void applyTipLook()
{
    // Tips are windows of their own, drawn with the application's tip font and palette, not
    // the window's: give them the window's Chinese families (their size may follow the
    // desktop's, for those who need larger text) and its light palette. Each change sends
    // every widget a notice, so only what differs is set.
    QFont tipFont = QToolTip::font();
    tipFont.setFamilies(interfaceFont().families());
    if (QToolTip::font() != tipFont)
        QToolTip::setFont(tipFont);
    if (QToolTip::palette() != windowPalette())
        QToolTip::setPalette(windowPalette());
}

void addFontsBesideProgram()
{
    const QDir fonts(QCoreApplication::applicationDirPath() + QStringLiteral("/fonts"));
    for (const QString& name : fonts.entryList(QDir::Files))
        QFontDatabase::addApplicationFont(fonts.filePath(name));
}

bool installQtChineseTranslation(QCoreApplication& app)
{
    auto* translator = new QTranslator(&app);
    if (!translator->load(QStringLiteral("qtbase_zh_CN"),
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        delete translator;
        return false;
    }
    return QCoreApplication::installTranslator(translator);
}

} // namespace mulo
