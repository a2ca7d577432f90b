#include "platform/GameLocator.h"

#include <QDir>

namespace GameLocator {

Options fromEnvironment()
{
    Options o;
    o.home = QDir::homePath();
    o.winePrefix = qEnvironmentVariable("WINEPREFIX");
    return o;
}

Found find(const Options&)
{
    return {};
}

}  // namespace GameLocator
