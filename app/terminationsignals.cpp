#include "terminationsignals.h"

#include <QApplication>
#include <QDialog>

namespace mulo {

namespace {

bool requested = false;

} // namespace

void endOnRequest()
{
    requested = true;
    // A message box may be waiting for its OK, even before the main loop has started.
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (auto* dialog = qobject_cast<QDialog*>(widget); dialog && dialog->isVisible())
            dialog->reject();
    }
    QCoreApplication::exit(0);
}

bool terminationRequested()
{
    return requested;
}

} // namespace mulo
