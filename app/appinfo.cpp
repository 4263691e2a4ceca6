#include "appinfo.h"

#include "buildinfo.h"

#include <QCoreApplication>

namespace mulo {

QString BuildAppInfo::Path() const
{
    // Qt finds the executable through /proc/self/exe, so symbolic links are resolved and
    // the lesson file is looked for beside the real program.
    return QCoreApplication::applicationDirPath();
}

QString BuildAppInfo::Title() const
{
    return QStringLiteral(MULO_TITLE);
}

qint16 BuildAppInfo::Major() const
{
    return MULO_VERSION_MAJOR;
}

qint16 BuildAppInfo::Minor() const
{
    return MULO_VERSION_MINOR;
}

qint16 BuildAppInfo::Revision() const
{
    return MULO_VERSION_PATCH;
}

} // namespace mulo
