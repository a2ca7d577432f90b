#include "editdb/EditTable.h"

#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <cstring>

#include "platform/CodePage.h"
#include "platform/FileOps.h"

EditTable::EditTable(qint64 tableOffset, int recordCount, int recordSize, int nameOffset, int nameLength)
    : tableOffset_(tableOffset),
      recordCount_(recordCount),
      recordSize_(recordSize),
      nameOffset_(nameOffset),
      nameLength_(nameLength)
{}

bool EditTable::File_Exists(const QString& Str_Path) const
{
    return !Str_Path.isEmpty() && QFileInfo::exists(Str_Path);
}

bool EditTable::load(const QString& Str_Path)
{
    if (!Str_Path.isEmpty()) path_ = Str_Path;
    loadError_.clear();
    if (!File_Exists(path_)) return false;

    // From here on a failure leaves the table empty but marked as loaded.
    loaded_ = true;
    count_ = 0;
    raw_ = FileOps::FillBuffer();
    names_.clear();

    // Only a regular file is opened: a named pipe would hold the window
    // until something wrote into it, a device may never end.
    QFile file;
    if (const Result opened = FileOps::openForReading(file, path_); !opened) {
        loadError_ = opened.message;
        return false;
    }

    // The whole table in one read; a short file leaves the rest zero, which
    // decodes as empty records. Only that rest is zeroed: filling the whole
    // table first would touch its megabytes twice at every start.
    raw_ = FileOps::FillBuffer(qsizetype(recordCount_) * recordSize_);
    count_ = recordCount_;
    names_.resize(recordCount_);
    qint64 got = 0;
    if (file.size() > tableOffset_) got = file.seek(tableOffset_) ? file.read(raw_.data(), raw_.size()) : -1;
    const bool readOk = got >= 0;
    std::memset(raw_.data() + std::max<qint64>(got, 0), 0, size_t(raw_.size() - std::max<qint64>(got, 0)));
    if (!readOk) loadError_ = QStringLiteral("Cannot read %1: %2").arg(FileOps::shown(path_), file.errorString());
    file.close();
    if (!readOk) return false;  // the table, zeroed above, reads as empty records

    for (int i = 0; i < recordCount_; ++i) {
        const char* field = record(i) + nameOffset_;
        // The name ends before its first NUL; a field without one keeps all its characters.
        int length = 0;
        while (length < nameLength_ && field[length] != '\0') ++length;
        names_[i] = CodePage::decode(field, length);
    }
    return true;
}

int EditTable::CheckIndex(int Index) const
{
    if (!loaded_ || count_ < 1) return -1;
    if (Index < 0) return 0;
    if (Index > count_ - 1) return count_ - 1;
    return Index;
}

QString EditTable::decodeField(int position, int offset, int length) const
{
    return CodePage::decode(record(position) + offset, length);
}
