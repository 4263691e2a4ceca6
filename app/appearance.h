#pragma once

// The window's own look. Its layout is fixed in pixels and its colours go with its picture,
// so it brings its own user-interface font and light palette instead of the desktop's: a
// larger desktop font would clip the captions, a dark theme would put white text on the
// light list, and a non-Chinese locale would draw Japanese character shapes.

#include <QColor>
#include <QFont>
#include <QPalette>

class QCoreApplication;
class QWidget;

namespace mulo {

// The caption colour of an inactive window, behind the question and the lesson list; light
// enough that the big red question stands out from it.
inline const QColor inactiveCaptionColour(221, 230, 240);

// A Simplified-Chinese sans-serif at the pixel size the layout was drawn for.
QFont interfaceFont();

// Light, with every text at least 4.5:1 against its background.
QPalette windowPalette();

// Gives window the interface font and palette. Widgets with a font or colours of their own
// keep them; windows opened from it (menus, message boxes) inherit them too, and so do the
// tips of its controls.
void applyWindowLook(QWidget* window);

// Gives the tips the window's Chinese font families and light palette; called again as a
// tip is about to show, since the desktop may have changed the application's since.
void applyTipLook();

// A Windows without Chinese fonts still shows the lessons: the Windows version brings one,
// in fonts/ beside the program, which comes last in the families asked for.
void addFontsBesideProgram();

// Qt's own Chinese texts for its standard buttons ("确定"), whatever the locale. Returns
// whether they were found.
bool installQtChineseTranslation(QCoreApplication& app);

} // namespace mulo
