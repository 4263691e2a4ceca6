#pragma once

#include "core/services.h"

namespace mulo {

// The running program: its directory, and the title and version it was built with.
class BuildAppInfo : public AppInfo {
public:
    QString Path() const override;
    QString Title() const override;
    qint16 Major() const override;
    qint16 Minor() const override;
    qint16 Revision() const override;
};

} // namespace mulo
