#include "platform/AtomicOutput.h"

#include <QDir>
#include <QFileInfo>
#include <QRandomGenerator>
#include <atomic>

#include "platform/FileOps.h"
#include "platform/ProcessOwner.h"

#ifdef Q_OS_LINUX
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#endif

namespace {

using FileOps::shown;

std::atomic<bool> g_namelessAllowed{true};

AtomicOutput::StepHook& outputStepHook()
{
    static AtomicOutput::StepHook hook;
    return hook;
}

void reachStep(const char* name)
{
    if (outputStepHook()) outputStepHook()(name);
}

QString uniqueSuffix() { return QString::number(QRandomGenerator::global()->generate64(), 36); }

#ifdef Q_OS_LINUX
// Gives the nameless file open at `fd` the name `path`; never replaces a file.
int linkNameless(int fd, const QString& path)
{
    const QByteArray to = QFile::encodeName(path);
    const QByteArray self = "/proc/self/fd/" + QByteArray::number(fd);
    if (::linkat(AT_FDCWD, self.constData(), AT_FDCWD, to.constData(), AT_SYMLINK_FOLLOW) == 0) return 0;
    const int error = errno;
    // Without /proc the descriptor itself can be named, where the process may.
    if (error == ENOENT && ::linkat(fd, "", AT_FDCWD, to.constData(), AT_EMPTY_PATH) == 0) return 0;
    return error == ENOENT ? errno : error;
}
#endif

}  // namespace

const QString& AtomicOutput::scratchPrefix()
{
    static const QString prefix = QStringLiteral(".ludex-output-");
    return prefix;
}

const QString& AtomicOutput::journalPrefix()
{
    static const QString prefix = QStringLiteral(".ludex-output-journal-");
    return prefix;
}

void AtomicOutput::setNamelessAllowed(bool allowed) { g_namelessAllowed = allowed; }

void AtomicOutput::setStepHook(StepHook hook) { outputStepHook() = std::move(hook); }

AtomicOutput::AtomicOutput(const QString& target, const QString& journalFolder)
    : target_(QFileInfo(target).absoluteFilePath()), journalFolder_(journalFolder)
{}

AtomicOutput::~AtomicOutput()
{
    if (!committed_) discard();
}

int AtomicOutput::handle() const { return fd_; }

Result AtomicOutput::failure(const QString& what, int error) const
{
    return Result::failure(QStringLiteral("Cannot write %1: %2%3")
                               .arg(shown(target_), what, error ? FileOps::systemError(error) : QString()));
}

Result AtomicOutput::open()
{
    const QString folder = QFileInfo(target_).absolutePath();
    const QFileInfo dir(folder);
    if (!dir.isDir()) return Result::failure(QStringLiteral("The folder %1 does not exist.").arg(shown(folder)));
    const QFileInfo target(target_);
    if (FileOps::isLink(target))
        return Result::failure(QStringLiteral("%1 is a link; nothing is written through links.").arg(shown(target_)));
    if (target.exists() && !target.isFile())
        return Result::failure(QStringLiteral("%1 is not a file and cannot be replaced.").arg(shown(target_)));
    replacing_ = target.exists();

#if defined(Q_OS_LINUX) && defined(O_TMPFILE)
    if (g_namelessAllowed) {
        fd_ = ::open(QFile::encodeName(folder).constData(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666);
        if (fd_ >= 0) {
            nameless_ = true;
            return Result::success();
        }
        // Not every file system makes such files; a named scratch file does.
    }
#endif
    const QString scratch = folder + QLatin1Char('/') + scratchPrefix() + ProcessOwner::current() + QLatin1Char('-') +
                            uniqueSuffix() + QStringLiteral(".part");
    if (Result r = writeJournal(scratch); !r) return r;
    if (Result r = FileOps::openForWriting(file_, scratch, FileOps::WriteMode::CreateNew); !r) {
        removeJournal();
        return r;
    }
    scratch_ = scratch;
    fd_ = file_.handle();
    return Result::success();
}

void AtomicOutput::startWriteBack()
{
#ifdef Q_OS_LINUX
    if (fd_ >= 0) ::sync_file_range(fd_, 0, 0, SYNC_FILE_RANGE_WRITE);
#endif
}

Result AtomicOutput::commit()
{
    if (fd_ < 0) return failure(QStringLiteral("the file is not open."), 0);
    const QString folder = QFileInfo(target_).absolutePath();
#ifdef Q_OS_LINUX
    if (nameless_) {
        if (replacing_ && ::fsync(fd_) != 0) return failure(QString(), errno);
        int error = linkNameless(fd_, target_);
        if (error == EEXIST) {
            if (!replacing_ && ::fsync(fd_) != 0) return failure(QString(), errno);
            // A file stands at the target: the new one gets a journalled
            // scratch name, and the rename replaces the old one in one step.
            const QString scratch = folder + QLatin1Char('/') + scratchPrefix() + ProcessOwner::current() +
                                    QLatin1Char('-') + uniqueSuffix() + QStringLiteral(".part");
            if (Result r = writeJournal(scratch); !r) return r;
            error = linkNameless(fd_, scratch);
            if (error != 0) {
                removeJournal();
                return failure(QString(), error);
            }
            scratch_ = scratch;
            reachStep("named");
            if (Result r = FileOps::renameOver(scratch_, target_); !r) return r;  // discard() removes the scratch
            scratch_.clear();
            reachStep("renamed");
        } else if (error != 0) {
            return failure(QString(), error);
        }
        ::close(fd_);
        fd_ = -1;
        committed_ = true;
        FileOps::syncFolder(folder);
        removeJournal();
        return Result::success();
    }
#endif
    if (replacing_ || QFileInfo::exists(target_) || FileOps::isLink(target_))
        if (Result r = FileOps::syncFile(file_); !r) return r;
    file_.close();
    fd_ = -1;
    reachStep("named");
    if (Result r = FileOps::renameOver(scratch_, target_); !r) return r;
    scratch_.clear();
    reachStep("renamed");
    committed_ = true;
    FileOps::syncFolder(folder);
    removeJournal();
    return Result::success();
}

void AtomicOutput::discard()
{
    if (file_.isOpen()) {
        file_.close();
#ifdef Q_OS_LINUX
    } else if (fd_ >= 0) {
        ::close(fd_);
#endif
    }
    fd_ = -1;
    if (!scratch_.isEmpty()) QFile::remove(scratch_);
    scratch_.clear();
    removeJournal();
}

Result AtomicOutput::writeJournal(const QString& scratch)
{
    const QString journal = journalFolder_ + QLatin1Char('/') + journalPrefix() + ProcessOwner::current() +
                            QLatin1Char('-') + uniqueSuffix();
    QFile file;
    Result r = FileOps::openForWriting(file, journal, FileOps::WriteMode::CreateNew);
    if (r) r = FileOps::writeAll(file, scratch.toUtf8());
    if (r) r = FileOps::syncFile(file);
    file.close();
    if (r) r = FileOps::syncFolder(journalFolder_);
    if (!r) {
        QFile::remove(journal);
        return Result::failure(QStringLiteral("Cannot write %1: the program folder cannot be written (%2)")
                                   .arg(shown(target_), r.message));
    }
    journal_ = journal;
    return Result::success();
}

void AtomicOutput::removeJournal()
{
    if (journal_.isEmpty()) return;
    QFile::remove(journal_);
    journal_.clear();
}

int AtomicOutput::recover(const QString& journalFolder)
{
    int removed = 0;
    if (journalFolder.isEmpty()) return 0;
    const QFileInfoList journals =
        QDir(journalFolder)
            .entryInfoList({journalPrefix() + QLatin1Char('*')}, QDir::Files | QDir::Hidden | QDir::System);
    for (const QFileInfo& info : journals) {
        if (FileOps::isLink(info)) continue;
        const QString token = info.fileName().mid(journalPrefix().size()).section(QLatin1Char('-'), 0, 0);
        if (ProcessOwner::isAlive(token)) continue;
        QFile journal(info.filePath());
        if (!journal.open(QIODevice::ReadOnly)) continue;
        // A path, never more: a journal of another size is not one of ours.
        const QString scratch = QString::fromUtf8(journal.read(8192));
        journal.close();
        const QFileInfo s(scratch);
        // Only ever a scratch file of this kind, made by that process.
        if (s.isAbsolute() && s.fileName().startsWith(scratchPrefix() + token + QLatin1Char('-')) &&
            (s.exists() || s.isSymLink()) && !s.isDir() && QFile::remove(scratch))
            ++removed;
        QFile::remove(info.filePath());
    }
    return removed;
}
