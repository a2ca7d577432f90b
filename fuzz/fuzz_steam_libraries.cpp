// Steam's library file: any bytes are read without a crash or a long wait,
// the libraries come without repeats, and what was read is read again the
// same from a file written for it.
#include <QSet>

#include "FuzzSupport.h"
#include "platform/GameLocator.h"
#include "support/FakeGameHome.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size > size_t(GameLocator::kMaxLibraryFileSize)) return 0;  // the locator reads no more
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const QStringList libraries = GameLocator::steamLibraries(bytes);
    if (QSet<QString>(libraries.begin(), libraries.end()).size() != libraries.size())
        FuzzSupport::broken("a library listed twice");
    for (const QString& library : libraries)
        if (library.isEmpty()) FuzzSupport::broken("an empty library");
    for (auto format : {FakeGameHome::LibraryFormat::Nested, FakeGameHome::LibraryFormat::Numbered})
        if (GameLocator::steamLibraries(FakeGameHome::libraryFile(libraries, format)) != libraries)
            FuzzSupport::broken("read differently when written again:", libraries.join(QLatin1Char('|')));
    return 0;
}
