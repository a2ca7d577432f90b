#include "support/FolderSnapshot.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>

#include "platform/FileTransaction.h"

FolderSnapshot snapshotFolder(const QString& root)
{
    FileTransaction::waitForTidying();
    FolderSnapshot result;
    const QDir base(root);
    QDirIterator it(root, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        it.next();
        const QFileInfo info = it.fileInfo();
        const QString rel = base.relativeFilePath(info.filePath());
        if (info.isSymLink()) {
            result[rel] = QByteArrayLiteral("<link>");
        } else if (info.isDir()) {
            result[rel + QLatin1Char('/')] = QByteArrayLiteral("<folder>");
        } else if (!info.isFile()) {
            result[rel] = QByteArrayLiteral("<special>");  // a pipe would block the read
        } else {
            QFile f(info.filePath());
            result[rel] = f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArrayLiteral("<unreadable>");
        }
    }
    return result;
}

void PrintTo(const QString& text, std::ostream* os) { *os << '"' << text.toStdString() << '"'; }

void PrintTo(const FolderSnapshot& snapshot, std::ostream* os)
{
    for (const auto& [path, bytes] : snapshot)
        *os << "\n  " << path.toStdString() << " = " << bytes.left(24).toStdString();
}
