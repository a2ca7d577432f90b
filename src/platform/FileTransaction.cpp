#include "platform/FileTransaction.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSet>
#include <QUuid>
#include <algorithm>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

#include "platform/FileOps.h"
#include "platform/ProcessOwner.h"
#include "platform/Progress.h"

using FileOps::shown;

namespace {

FileTransaction::StepHook& stepHook()
{
    static FileTransaction::StepHook hook;
    return hook;
}

// Removes the scratch of committed transactions on a thread of its own.
// Removing the backup of a replaced file frees that file's space, the
// slowest step of a small install, and nothing needs to wait for it: the
// transaction is whole and on disk before it is handed over. Work that could
// meet the scratch (a new transaction, a recovery) waits for it first; so
// does the end of the program.
class Tidier {
public:
    static Tidier& instance()
    {
        static Tidier tidier;
        return tidier;
    }

    void add(std::function<void()> job)
    {
        std::lock_guard lock(mutex_);
        jobs_.push_back(std::move(job));
        if (!worker_.joinable()) worker_ = std::thread([this] { run(); });
        wake_.notify_all();
    }

    void wait()
    {
        std::unique_lock lock(mutex_);
        idle_.wait(lock, [this] { return jobs_.empty() && !busy_; });
    }

    ~Tidier()
    {
        {
            std::unique_lock lock(mutex_);
            idle_.wait(lock, [this] { return jobs_.empty() && !busy_; });
            stopping_ = true;
            wake_.notify_all();
        }
        if (worker_.joinable()) worker_.join();
    }

private:
    void run()
    {
        std::unique_lock lock(mutex_);
        for (;;) {
            wake_.wait(lock, [this] { return stopping_ || !jobs_.empty(); });
            if (jobs_.empty()) return;
            std::function<void()> job = std::move(jobs_.front());
            jobs_.pop_front();
            busy_ = true;
            lock.unlock();
            job();
            lock.lock();
            busy_ = false;
            if (jobs_.empty()) idle_.notify_all();
        }
    }

    std::mutex mutex_;
    std::condition_variable wake_, idle_;
    std::deque<std::function<void()>> jobs_;
    bool busy_ = false;
    bool stopping_ = false;
    std::thread worker_;
};

const QString kDone = QStringLiteral(".done");

bool present(const QString& path)
{
    const QFileInfo info(path);
    return info.exists() || info.isSymLink();
}

QString folderOf(const QString& path) { return QFileInfo(path).absolutePath(); }

QString uniqueName() { return QUuid::createUuid().toString(QUuid::Id128); }

// The bytes of a file from `offset` on, at most `limit` of them; null when
// it cannot be read.
QByteArray tailOf(const QString& path, qint64 offset, qint64 limit)
{
    QFile f;
    if (!FileOps::openForReading(f, path) || !f.seek(offset)) return QByteArray();
    QByteArray bytes = f.read(limit);
    if (bytes.isNull()) bytes = QByteArray("");
    return bytes;
}

// True when the append has been made in full.
bool appended(const FileTransaction::Append& a)
{
    const QFileInfo info(a.file);
    if (FileOps::isLink(info) || !info.isFile()) return false;
    const qint64 from = qMax<qint64>(0, a.oldSize);
    return info.size() >= from + a.bytes.size() && tailOf(a.file, from, a.bytes.size()) == a.bytes;
}

// Takes an append back: the file is cut back to its old size when what
// follows it is (a part of) what was appended, and removed when the
// transaction made it. Empty, or the problem.
QString undoAppend(const FileTransaction::Append& a)
{
    const QFileInfo info(a.file);
    if (FileOps::isLink(info) || !info.exists()) return QString();
    const qint64 from = qMax<qint64>(0, a.oldSize);
    const qint64 size = info.size();
    if (size <= from && a.oldSize >= 0) return QString();
    const QByteArray tail = tailOf(a.file, from, size - from);
    if (tail.isNull() || size - from > a.bytes.size() || !a.bytes.startsWith(tail))
        return QStringLiteral("%1 was changed meanwhile; the line added to it was left there").arg(shown(a.file));
    if (a.oldSize < 0) {
        if (QFile::remove(a.file)) return QString();
    } else {
        QFile f;
        if (FileOps::openForWriting(f, a.file, FileOps::WriteMode::Append) && f.resize(a.oldSize)) return QString();
    }
    return QStringLiteral("%1 could not be cut back to its old end").arg(shown(a.file));
}

// True when both files hold the same bytes.
bool sameContent(const QString& a, const QString& b)
{
    QFile x, y;
    if (!FileOps::openForReading(x, a) || !FileOps::openForReading(y, b) || x.size() != y.size()) return false;
    while (!x.atEnd())
        if (x.read(1 << 20) != y.read(1 << 20)) return false;
    return true;
}

// Puts a file back as it was before the transaction. Empty, or the problem.
QString undoFile(const FileTransaction::File& f)
{
    QString problem;
    const bool backedUp = !f.backup.isEmpty() && present(f.backup);
    if (f.existed && backedUp) {
        // A target that never took its new file keeps its own, and a rename
        // between two names of one file would do nothing: the backup only
        // loses its name. Otherwise the backup takes its place back (and
        // where that fails on a target that holds the very same bytes,
        // nothing is lost either).
        if (!f.placed || FileOps::sameFile(f.backup, f.target)) {
            QFile::remove(f.backup);
        } else if (const Result r = FileOps::renameOver(f.backup, f.target); !r) {
            if (sameContent(f.backup, f.target))
                QFile::remove(f.backup);
            else
                problem = QStringLiteral("%1 could not be put back: %2").arg(shown(f.target), r.message);
        }
    } else if (!f.existed && f.placed && present(f.target) && !FileOps::removeAll(f.target)) {
        problem = QStringLiteral("%1 could not be removed again").arg(shown(f.target));
    }
    if (!f.temp.isEmpty()) FileOps::removeAll(f.temp);
    if (!f.backup.isEmpty()) QFile::remove(f.backup + QStringLiteral(".part"));
    return problem;
}

// Hands the backup of a replaced file over to its kept name: a rename where
// both share a disk, a copy where they do not (a copy cut short before is
// made again). True when the kept file stands.
bool handOverBackup(const QString& backup, const QString& kept, bool durable)
{
    if (backup.isEmpty() || kept.isEmpty() || !present(backup)) return false;
    const QString folder = folderOf(kept);
    if (!QFileInfo(folder).isDir() && !QDir().mkpath(folder)) return false;
    bool otherDisk = false;
    Result r = FileOps::renameOver(backup, kept, &otherDisk);
    if (!r && otherDisk) {
        FileOps::removeAll(kept);
        r = FileOps::copyToNew(backup, kept, durable);
    }
    return r.ok;
}

// Completes a file after the transaction got to its end: a new file that a
// power cut kept under its scratch name takes its place, a replaced file to
// be kept goes where it is kept, the backup goes.
QString finishFile(const FileTransaction::File& f)
{
    QString problem;
    if (!f.temp.isEmpty() && present(f.temp)) {
        if (const Result r = FileOps::renameOver(f.temp, f.target); !r)
            problem = QStringLiteral("%1 could not be put in place: %2").arg(shown(f.target), r.message);
    }
    // A kill between the end and the hand-over: the journal knows the name.
    if (!f.kept.isEmpty() && present(f.backup)) handOverBackup(f.backup, f.kept, true);
    if (!f.backup.isEmpty()) {
        QFile::remove(f.backup);
        QFile::remove(f.backup + QStringLiteral(".part"));
    }
    return problem;
}

// Takes back, appends first: a journal whose lines all stand counts as
// finished, so the lines must go before any file is put back.
QStringList undoAll(const std::vector<FileTransaction::File>& files,
                    const std::vector<FileTransaction::Append>& appends)
{
    QStringList problems;
    for (auto it = appends.rbegin(); it != appends.rend(); ++it)
        if (const QString p = undoAppend(*it); !p.isEmpty()) problems << p;
    for (auto it = files.rbegin(); it != files.rend(); ++it)
        if (const QString p = undoFile(*it); !p.isEmpty()) problems << p;
    return problems;
}

QByteArray journalText(const std::vector<FileTransaction::File>& files,
                       const std::vector<FileTransaction::Append>& appends)
{
    QJsonArray fileList, appendList;
    for (const auto& f : files)
        fileList.append(QJsonObject{{"target", f.target},
                                    {"temp", f.temp},
                                    {"backup", f.backup},
                                    {"existed", f.existed},
                                    {"folder", f.folder},
                                    {"kept", f.kept}});
    for (const auto& a : appends)
        appendList.append(QJsonObject{
            {"file", a.file}, {"oldSize", double(a.oldSize)}, {"bytes", QString::fromLatin1(a.bytes.toBase64())}});
    return QJsonDocument(QJsonObject{{"owner", ProcessOwner::current()}, {"files", fileList}, {"appends", appendList}})
        .toJson(QJsonDocument::Compact);
}

bool readJournal(const QString& path, std::vector<FileTransaction::File>& files,
                 std::vector<FileTransaction::Append>& appends)
{
    QFile f;
    if (!FileOps::openForReading(f, path)) return false;
    QJsonParseError error;
    const QJsonDocument doc = QJsonDocument::fromJson(f.read(16 << 20), &error);
    if (error.error != QJsonParseError::NoError || !doc.isObject()) return false;
    for (const QJsonValue v : doc.object().value("files").toArray()) {
        const QJsonObject o = v.toObject();
        FileTransaction::File file;
        file.target = o.value("target").toString();
        file.temp = o.value("temp").toString();
        file.backup = o.value("backup").toString();
        file.existed = o.value("existed").toBool();
        file.folder = o.value("folder").toBool();
        file.kept = o.value("kept").toString();
        if (file.target.isEmpty()) return false;
        files.push_back(file);
    }
    for (const QJsonValue v : doc.object().value("appends").toArray()) {
        const QJsonObject o = v.toObject();
        FileTransaction::Append a;
        a.file = o.value("file").toString();
        a.oldSize = qint64(o.value("oldSize").toDouble(-1));
        a.bytes = QByteArray::fromBase64(o.value("bytes").toString().toLatin1());
        if (a.file.isEmpty()) return false;
        appends.push_back(a);
    }
    return true;
}

}  // namespace

const QString& FileTransaction::journalPrefix()
{
    static const QString prefix = QStringLiteral(".ludex-journal-");
    return prefix;
}

const QString& FileTransaction::scratchPrefix()
{
    static const QString prefix = QStringLiteral(".ludex-");
    return prefix;
}

void FileTransaction::setStepHook(StepHook hook) { stepHook() = std::move(hook); }

void FileTransaction::waitForTidying() { Tidier::instance().wait(); }

FileTransaction::FileTransaction(const QString& journalFolder, bool durable)
    : journalFolder_(journalFolder), durable_(durable)
{}

void FileTransaction::place(const QString& source, const QString& target, How how)
{
    File f;
    f.source = source;
    f.target = QFileInfo(target).absoluteFilePath();
    f.how = how;
    files_.push_back(f);
}

void FileTransaction::write(const QString& target, const QByteArray& bytes)
{
    File f;
    f.target = QFileInfo(target).absoluteFilePath();
    f.kind = Kind::Write;
    f.bytes = bytes;
    files_.push_back(f);
}

void FileTransaction::write(const QString& target, Composer compose)
{
    File f;
    f.target = QFileInfo(target).absoluteFilePath();
    f.kind = Kind::Write;
    f.compose = std::move(compose);
    files_.push_back(f);
}

void FileTransaction::remove(const QString& target)
{
    File f;
    f.target = QFileInfo(target).absoluteFilePath();
    f.kind = Kind::Remove;
    files_.push_back(f);
}

void FileTransaction::appendLine(const QString& file, const QByteArray& line)
{
    const QString path = QFileInfo(file).absoluteFilePath();
    for (Append& a : appends_) {
        if (a.file == path) {
            a.bytes += line + "\r\n";
            return;
        }
    }
    appends_.push_back({path, line + "\r\n", -1});
}

Result FileTransaction::step(const QString& what)
{
    ++steps_;
    if (stepHook() && !stepHook()(steps_))
        return Result::failure(QStringLiteral("Cannot %1: stopped by a test").arg(what));
    return Result::success();
}

Result FileTransaction::cancelled() const
{
    if (progress_ && progress_->wasCanceled()) return Result::failure(QStringLiteral("The work was cancelled."));
    return Result::success();
}

Result FileTransaction::plan()
{
    if (journalFolder_.isEmpty() || !QFileInfo(journalFolder_).isDir())
        return Result::failure(QStringLiteral("The program folder %1 is missing; the work cannot be made safe.")
                                   .arg(shown(journalFolder_)));
    // Nothing to remove where nothing is: such a target is left out, so that
    // taking back can never remove what appears there later.
    std::erase_if(files_, [](const File& f) { return f.kind == Kind::Remove && !present(f.target); });
    for (File& f : files_) {
        const QFileInfo target(f.target);
        f.existed = target.exists() || target.isSymLink();
        f.folder = f.how == How::Move && QFileInfo(f.source).isDir() && !FileOps::isLink(f.source);
        if (f.existed && (f.folder || (target.isDir() && !FileOps::isLink(target))))
            return Result::failure(
                QStringLiteral("Cannot put %1 in place: a %2 of that name is in the way.")
                    .arg(shown(f.target), target.isDir() ? QStringLiteral("folder") : QStringLiteral("file")));
        const QString scratch = target.absolutePath() + QLatin1Char('/') + scratchPrefix() + uniqueName();
        f.temp = scratch + QStringLiteral(".tmp");
        if (f.existed) f.backup = scratch + QStringLiteral(".bak");
        if (f.existed && f.kind == Kind::Place && !keepFolder_.isEmpty())
            f.kept = QDir(keepFolder_).absoluteFilePath(uniqueName() + QStringLiteral(".bak"));
        f.placed = false;
    }
    for (Append& a : appends_) {
        const QFileInfo info(a.file);
        if (FileOps::isLink(info))
            return Result::failure(
                QStringLiteral("%1 is a link; files are never written through links. Put the file itself there.")
                    .arg(shown(a.file)));
        if (!info.exists()) continue;
        QFile f;
        if (Result r = FileOps::openForReading(f, a.file); !r) return r;
        a.oldSize = f.size();
        // A last line without its line end would run into the new one.
        char last = '\n';
        if (a.oldSize > 0 && (!f.seek(a.oldSize - 1) || f.read(&last, 1) != 1))
            return Result::failure(QStringLiteral("Cannot read %1: %2").arg(shown(a.file), f.errorString()));
        if (last == '\r')
            a.bytes.prepend('\n');
        else if (last != '\n')
            a.bytes.prepend("\r\n");
    }
    // Files whose bytes tell what the transaction does, now that it is known.
    for (File& f : files_) {
        if (!f.compose) continue;
        f.bytes = f.compose(*this);
        f.compose = nullptr;
        if (f.bytes.isNull()) f.kind = Kind::Remove;
    }
    std::erase_if(files_, [](const File& f) { return f.kind == Kind::Remove && !f.existed; });
    journal_ =
        journalFolder_ + QLatin1Char('/') + journalPrefix() + ProcessOwner::current() + QLatin1Char('-') + uniqueName();
    return Result::success();
}

Result FileTransaction::apply()
{
    QSet<QString> folders;
    for (const File& f : files_) folders.insert(folderOf(f.target));
    auto syncFolders = [&]() -> Result {
        if (!durable_) return Result::success();
        for (const QString& folder : folders)
            if (Result r = FileOps::syncFolder(folder); !r) return r;
        return Result::success();
    };

    // 1. The journal, whole before anything else is written.
    if (Result r = step(QStringLiteral("write the journal")); !r) return r;
    {
        QFile out;
        if (Result r = FileOps::openForWriting(out, journal_, FileOps::WriteMode::CreateNew); !r) return r;
        Result r = FileOps::writeAll(out, journalText(files_, appends_));
        if (!r) r = Result::failure(QStringLiteral("Cannot write the journal %1: %2").arg(shown(journal_), r.message));
        if (!r) return r;
        FileOps::startWriteBack(out);
    }

    // 2. Copies and written files in under their scratch names.
    qint64 copied = 0;
    for (const File& f : files_) {
        if (f.kind == Kind::Remove || (f.kind == Kind::Place && f.how != How::Copy)) continue;
        if (Result r = cancelled(); !r) return r;
        if (f.kind == Kind::Write) {
            if (Result r = step(QStringLiteral("write %1").arg(shown(f.target))); !r) return r;
            QFile out;
            Result r = FileOps::openForWriting(out, f.temp, FileOps::WriteMode::CreateNew);
            if (r) r = FileOps::writeAll(out, f.bytes);
            if (!r) return Result::failure(QStringLiteral("Cannot write %1: %2").arg(shown(f.target), r.message));
            copied += f.bytes.size();
        } else {
            if (Result r = step(QStringLiteral("copy %1").arg(shown(f.source))); !r) return r;
            if (Result r = FileOps::copyToNew(f.source, f.temp, false); !r) return r;
            copied += QFileInfo(f.temp).size();
        }
        if (progress_) progress_->setValue(copied);
    }
    // 3. A second name for every file about to be replaced.
    for (const File& f : files_) {
        if (!f.existed) continue;
        if (Result r = step(QStringLiteral("keep %1").arg(shown(f.target))); !r) return r;
        if (Result r = FileOps::keepSecondName(f.target, f.backup, false); !r) return r;
    }
    // The journal, the copies and the backups reach the disk before any
    // target changes. Synced together, they share the wait: their data has
    // been on its way since each was written.
    if (durable_) {
        QStringList written = {journal_};
        for (const File& f : files_) {
            if (f.kind == Kind::Write || (f.kind == Kind::Place && f.how == How::Copy)) written << f.temp;
            // A backup that is a second name of its target has nothing to write.
            if (f.existed && !FileOps::sameFile(f.backup, f.target)) written << f.backup;
        }
        for (const QString& path : written)
            if (Result r = FileOps::syncPath(path); !r) return r;
        if (Result r = FileOps::syncFolder(journalFolder_); !r) return r;
    }
    if (Result r = syncFolders(); !r) return r;
    // The last moment at which a cancel leaves everything as it was at once.
    if (Result r = cancelled(); !r) return r;

    // 4. Each target takes its new file in one step.
    for (File& f : files_) {
        if (Result r = step(QStringLiteral("replace %1").arg(shown(f.target))); !r) return r;
        Result r;
        if (f.kind == Kind::Remove) {
            // Its backup holds it until the end.
            QFile target(f.target);
            if (!target.remove())
                return Result::failure(
                    QStringLiteral("Cannot remove %1: %2").arg(shown(f.target), target.errorString()));
            f.placed = true;
            continue;
        }
        if (f.kind == Kind::Place && f.how == How::Move) {
            bool otherDisk = false;
            r = FileOps::renameOver(f.source, f.target, &otherDisk);
            if (!r && otherDisk) {
                // From another disk: copied in beside the target first.
                r = f.folder ? FileOps::copyTreeToNew(f.source, f.temp, durable_)
                             : FileOps::copyToNew(f.source, f.temp, durable_);
                if (!r) return r;
                r = FileOps::renameOver(f.temp, f.target);
            }
        } else {
            r = FileOps::renameOver(f.temp, f.target);
        }
        if (!r) return Result::failure(QStringLiteral("Cannot replace %1: %2").arg(shown(f.target), r.message));
        f.placed = true;
    }
    if (Result r = syncFolders(); !r) return r;

    // 5. The lines, only once every file they name is in place.
    for (const Append& a : appends_) {
        if (Result r = step(QStringLiteral("add to %1").arg(shown(a.file))); !r) return r;
        QFile out;
        if (Result r = FileOps::openForWriting(out, a.file, FileOps::WriteMode::Append); !r) return r;
        if (out.size() != qMax<qint64>(0, a.oldSize))
            return Result::failure(QStringLiteral("Cannot add to %1: it was changed meanwhile").arg(shown(a.file)));
        Result r = FileOps::writeAll(out, a.bytes);
        if (!r) r = Result::failure(QStringLiteral("Cannot add to %1: %2").arg(shown(a.file), r.message));
        if (r && durable_) r = FileOps::syncFile(out);
        if (r && durable_ && a.oldSize < 0) r = FileOps::syncFolder(folderOf(a.file));
        if (!r) return r;
    }
    return Result::success();
}

Result FileTransaction::commit()
{
    recover(journalFolder_);  // which waits for the scratch of earlier commits to go
    steps_ = 0;
    if (Result r = plan(); !r) return r;
    if (const Result r = apply(); !r) {
        const QStringList problems = undoAll(files_, appends_);
        if (problems.isEmpty()) {
            QFile::remove(journal_);
            return r;
        }
        unfinished_ = true;
        return Result::failure(r.message + QStringLiteral("\n\nTaking back what was done failed too: ") +
                               problems.join(QStringLiteral("; ")) +
                               QStringLiteral(". It is tried again at the next start of the program."));
    }

    // The end. Lines that stand in full mark it themselves; without lines,
    // the journal's name does. Then the scratch goes. From here on nothing
    // is taken back; a step that fails leaves its scratch to the next recovery.
    if (step(QStringLiteral("mark the journal done")) && appends_.empty()) {
        const QString done = journal_ + kDone;
        if (FileOps::renameOver(journal_, done)) {
            journal_ = done;
            if (durable_) FileOps::syncFolder(journalFolder_);
        }
    }
    // What may go is settled here; the replaced files are handed over here
    // too, since the caller reads where they went. Removing the rest is the
    // tidier's when the transaction was made durable (its files are the
    // user's, and the user waits for it); otherwise it is done here.
    std::vector<File> finished;
    bool journalGoes = true;
    for (File& f : files_) {
        if (f.existed && !step(QStringLiteral("remove %1").arg(shown(f.backup)))) {
            journalGoes = false;
            break;
        }
        if (!f.kept.isEmpty()) handOver(f);
        finished.push_back(f);
    }
    if (durable_ && !keepFolder_.isEmpty() && QFileInfo(keepFolder_).isDir()) FileOps::syncFolder(keepFolder_);
    journalGoes = journalGoes && step(QStringLiteral("remove the journal"));
    auto tidy = [finished = std::move(finished), journal = journalGoes ? journal_ : QString()] {
        for (const File& f : finished) finishFile(f);
        if (!journal.isEmpty()) QFile::remove(journal);
    };
    if (durable_)
        Tidier::instance().add(std::move(tidy));
    else
        tidy();
    return Result::success();
}

void FileTransaction::handOver(File& f)
{
    // Where it fails, the backup goes as usual and the file is not kept.
    if (!handOverBackup(f.backup, f.kept, durable_)) f.kept.clear();
}

FileTransaction::Recovery FileTransaction::recover(const QString& journalFolder)
{
    waitForTidying();
    Recovery result;
    if (journalFolder.isEmpty()) return result;
    const QFileInfoList journals =
        QDir(journalFolder).entryInfoList({journalPrefix() + QLatin1Char('*')}, QDir::Files | QDir::Hidden, QDir::Name);
    for (const QFileInfo& info : journals) {
        const QString owner = info.fileName().mid(journalPrefix().size()).section(QLatin1Char('-'), 0, 0);
        if (owner != ProcessOwner::current() && ProcessOwner::isAlive(owner)) continue;  // still at work

        std::vector<File> files;
        std::vector<Append> appends;
        if (!readJournal(info.filePath(), files, appends)) {
            // Cut short while it was written: nothing it would name was touched yet.
            QFile::remove(info.filePath());
            continue;
        }
        // A folder it names that is not there (a drive not plugged in) may
        // come back: the journal waits for it.
        const bool reachable = std::all_of(files.begin(), files.end(),
                                           [](const File& f) { return QFileInfo(folderOf(f.target)).isDir(); }) &&
                               std::all_of(appends.begin(), appends.end(),
                                           [](const Append& a) { return QFileInfo(folderOf(a.file)).isDir(); });
        if (!reachable) continue;
        const bool done = info.fileName().endsWith(kDone) ||
                          (!appends.empty() && std::all_of(appends.begin(), appends.end(), appended));
        QStringList problems;
        if (done) {
            for (const File& f : files)
                if (const QString p = finishFile(f); !p.isEmpty()) problems << p;
        } else {
            problems = undoAll(files, appends);
        }
        if (problems.isEmpty()) {
            QFile::remove(info.filePath());
            ++(done ? result.finished : result.rolledBack);
        } else {
            result.problems << problems;
        }
    }
    return result;
}
