// The command line, driven as a user's script drives it: the real program
// as a process of its own, without a display, on sample worlds.
#include <gtest/gtest.h>

#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRandomGenerator>
#include <QThread>

#include "archive/PackFixtures.h"
#include "facefolder/MapLine.h"
#include "models/ModelFileBuilder.h"
#include "platform/SettingsStore.h"
#include "sample/SampleWorld.h"
#include "support/FakeGameHome.h"
#include "support/FolderSnapshot.h"

namespace {

struct Outcome {
    int code = -1;
    QByteArray out, err;
    QJsonObject json() const { return QJsonDocument::fromJson(out).object(); }
};

// A sample world, the program started on it with a home of its own (so the
// settings it reads by default are the world's) and without a display.
class CliWorld {
public:
    CliWorld() : world_(SampleWorld::create())
    {
        if (!world_) throw std::runtime_error("no sample world");
        QDir().mkpath(home());
        // The window's settings, where the program looks for them by default.
        const QString config = home() + QStringLiteral("/.config/ludex-manager");
        QDir().mkpath(config);
        QFile::copy(world_->settingsFile(), config + QLatin1Char('/') + kSettingsApp + QStringLiteral(".ini"));
    }

    const SampleWorld& world() const { return *world_; }
    QString home() const { return world_->root() + QStringLiteral("/home"); }
    QString face() const { return world_->faceFolder(); }
    QString map() const { return face() + QStringLiteral("/map.txt"); }

    QProcessEnvironment environment() const
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const char* name : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY", "XDG_CONFIG_HOME", "WINEPREFIX"})
            env.remove(QString::fromLatin1(name));
        env.insert(QStringLiteral("HOME"), home());
        return env;
    }

    QStringList command(const QStringList& arguments) const
    {
        QStringList all = arguments;
        if (!all.isEmpty() && !all.first().startsWith(QLatin1Char('-')))
            all << QStringLiteral("--program-folder") << world_->programFolder();
        return all;
    }

    Outcome run(const QStringList& arguments) const
    {
        QProcess process;
        process.setProcessEnvironment(environment());
        process.start(QStringLiteral(LUDEX_MANAGER_EXE), command(arguments));
        process.closeWriteChannel();
        Outcome r;
        if (!process.waitForFinished(60000)) return r;
        r.code = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
        r.out = process.readAllStandardOutput();
        r.err = process.readAllStandardError();
        return r;
    }

    QByteArray read(const QString& path) const
    {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    void write(const QString& path, const QByteArray& bytes) const
    {
        QDir().mkpath(QFileInfo(path).path());
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }

private:
    std::unique_ptr<SampleWorld> world_;
};

// What a crash or a kill may leave in the program folder before the next start.
QStringList scratchIn(const QString& folder)
{
    QStringList found;
    for (const QString& name : QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot))
        if (name.startsWith(QLatin1String(".facepack-")) || name.startsWith(QLatin1String(".ludex-journal")))
            found << name;
    return found;
}

// Puts a folder back as a snapshot took it.
void restore(const QString& root, const FolderSnapshot& snapshot)
{
    QDir(root).removeRecursively();
    QDir().mkpath(root);
    for (const auto& [path, bytes] : snapshot) {
        if (path.endsWith('/')) {
            QDir().mkpath(root + '/' + path);
            continue;
        }
        QDir().mkpath(QFileInfo(root + '/' + path).path());
        QFile f(root + '/' + path);
        if (f.open(QIODevice::WriteOnly)) f.write(bytes);
    }
}

TEST(CliTest, CommandsNeedNoDisplayAndLoadNoWidgetLibrary)
{
    const CliWorld w;
    const Outcome check = w.run({"check", "--loaded-libraries"});
    EXPECT_EQ(check.code, 0) << check.err.constData();
    EXPECT_TRUE(check.err.contains("libQt6Core")) << check.err.constData();
    for (const char* library : {"libQt6Widgets", "libQt6Gui", "libQt6WebEngine", "ludex_window"})
        EXPECT_FALSE(check.err.contains(library)) << library;

    // Refused in one line before any display is asked for.
    const Outcome unknown = w.run({"--anything-unknown"});
    EXPECT_EQ(unknown.code, 2);
    EXPECT_TRUE(unknown.err.contains("unknown option '--anything-unknown'")) << unknown.err.constData();
    EXPECT_EQ(unknown.err.count('\n'), 1);
    EXPECT_EQ(w.run({"no-such-command"}).code, 2);
    const Outcome badOption = w.run({"check", "--no-such-option"});
    EXPECT_EQ(badOption.code, 2);
    EXPECT_EQ(badOption.err.count('\n'), 1);
    EXPECT_EQ(w.run({"--version"}).out.trimmed(), "ludex-manager 1.0.2");
    // The shared options may come before the command's name.
    const Outcome before = w.run({"--json", "check", "--program-folder", w.world().programFolder()});
    EXPECT_EQ(before.code, 0) << before.err.constData();
    EXPECT_EQ(before.json()["entries"].toInt(), 2);
    EXPECT_TRUE(w.run({"--help", "verify-pack"}).out.startsWith("Usage: ludex-manager verify-pack"));
    const Outcome help = w.run({"--help"});
    for (const char* name : {"--demo", "check", "list", "install", "remove", "undo", "verify-pack", "locate"})
        EXPECT_TRUE(help.out.contains(name)) << name;

    // A face folder that is not there is an unreadable input.
    const Outcome missing = w.run({"check", "--face-folder", w.world().root() + "/nowhere"});
    EXPECT_EQ(missing.code, 2);
    EXPECT_TRUE(missing.err.contains("The face folder does not exist")) << missing.err.constData();
}

TEST(CliTest, CompletionAndManualPageKnowEveryCommand)
{
    const CliWorld w;
    const QByteArray help = w.run({"--help"}).out;
    QStringList commands;
    bool inList = false;
    for (const QByteArray& line : help.split('\n')) {
        if (line.startsWith("Commands"))
            inList = true;
        else if (inList && line.startsWith("  "))
            commands << QString::fromUtf8(line.trimmed().split(' ').first());
        else if (inList)
            break;
    }
    ASSERT_GE(commands.size(), 7) << help.constData();
    const QByteArray completion = w.read(QStringLiteral(LUDEX_SOURCE_DIR "/packaging/ludex-manager.bash-completion"));
    const QByteArray manual = w.read(QStringLiteral(LUDEX_SOURCE_DIR "/packaging/ludex-manager.1"));
    const qsizetype from = completion.indexOf("commands=\"") + 10;
    QStringList completed = QString::fromUtf8(completion.mid(from, completion.indexOf('"', from) - from)).split(' ');
    completed.sort();
    EXPECT_EQ(completed, commands);
    for (const QString& command : commands)
        EXPECT_TRUE(manual.contains(".B " + QString(command).replace("-", "\\-").toUtf8()) ||
                    manual.contains(".BR " + QString(command).replace("-", "\\-").toUtf8()) ||
                    manual.contains(".BI " + QString(command).replace("-", "\\-").toUtf8()))
            << command.toStdString();
}

TEST(CliTest, CheckFindsExactlyThePlantedFaults)
{
    const CliWorld w;
    EXPECT_EQ(w.run({"check"}).code, 0);

    // Planted: a line whose face file is missing, a second line for a player,
    // a line that is no entry, a line that leaves the face folder, and a model
    // file no line names.
    QByteArray map = w.read(w.map());
    map += "30001, \"Gone Player_Face.bin\", \"Sample Player_Hair.bin\"\r\n";     // line 3
    map += map.left(map.indexOf('\n') + 1);                                       // line 4, as line 1
    map += "this is not an entry\r\n";                                            // line 5
    map += "30002, \"..\\..\\escape_Face.bin\", \"Sample Player_Hair.bin\"\r\n";  // line 6
    w.write(w.map(), map);
    w.write(w.face() + "/Millbrook Athletic/Stray_Face.bin", ModelFileBuilder().bytes());

    const Outcome human = w.run({"check"});
    EXPECT_EQ(human.code, 1);
    EXPECT_TRUE(human.out.contains("Millbrook Athletic/Stray_Face.bin")) << human.out.constData();

    const Outcome run = w.run({"check", "--json"});
    EXPECT_EQ(run.code, 1);
    const QJsonObject doc = run.json();
    EXPECT_EQ(doc["lines"].toInt(), 6);
    EXPECT_EQ(doc["entries"].toInt(), 5);
    std::map<int, QString> kinds;
    for (const QJsonValue& v : doc["problemLines"].toArray()) {
        const QJsonObject p = v.toObject();
        EXPECT_FALSE(p["text"].toString().isEmpty());
        kinds[p["line"].toInt()] = p["kinds"].toVariant().toStringList().join(',');
        EXPECT_EQ(p["kind"].toString(), p["kinds"].toArray().first().toString());
    }
    const std::map<int, QString> planted = {
        {1, "duplicate"}, {3, "face-missing"}, {4, "duplicate"}, {5, "not-understood"}, {6, "outside"}};
    EXPECT_EQ(kinds, planted);
    EXPECT_EQ(doc["orphanFiles"].toVariant().toStringList(), QStringList{"Millbrook Athletic/Stray_Face.bin"});
}

TEST(CliTest, ListNamesThePlayersFromTheEditFile)
{
    const CliWorld w;
    QByteArray map = w.read(w.map()) + "99999, \"Sample Player_Face.bin\", \"Sample Player_Hair.bin\"\r\n";
    w.write(w.map(), map);
    const Outcome run = w.run({"list", "--json"});
    ASSERT_EQ(run.code, 0) << run.err.constData();
    const QJsonArray entries = run.json()["entries"].toArray();
    ASSERT_EQ(entries.size(), 3);
    EXPECT_EQ(entries[0].toObject()["player"].toString(), "Sample Player");
    EXPECT_EQ(entries[1].toObject()["id"].toInt(), 20102);
    EXPECT_EQ(entries[1].toObject()["face"].toString(), "Harbour Rovers\\Oren Vasko_Face.bin");
    EXPECT_EQ(entries[2].toObject()["player"].toString(), "not in the edit file");
    EXPECT_EQ(entries[2].toObject()["state"].toString(), "OK");

    const Outcome human = w.run({"list"});
    EXPECT_TRUE(human.out.contains("Oren Vasko")) << human.out.constData();
    // An edit file given that cannot be read is an unreadable input.
    EXPECT_EQ(w.run({"list", "--edit-file", w.world().root() + "/none.bin"}).code, 2);
}

TEST(CliTest, DryRunWritesNothing)
{
    const CliWorld w;
    const FolderSnapshot before = snapshotFolder(w.world().root());
    const Outcome run = w.run({"install", "--dry-run", w.world().facePack()});
    EXPECT_EQ(run.code, 0) << run.err.constData();
    EXPECT_TRUE(run.out.contains("Lasse Quinlow")) << run.out.constData();
    EXPECT_TRUE(run.out.contains("install")) << run.out.constData();
    EXPECT_EQ(w.run({"remove", "--dry-run", "12345"}).code, 0);
    EXPECT_EQ(snapshotFolder(w.world().root()), before);
}

TEST(CliTest, InstallAPackThenUndoIt)
{
    const CliWorld w;
    const QByteArray original = w.read(w.map());
    // The pack's second team folder is not in the face folder: those rows cannot go there.
    const Outcome teams = w.run({"install", "--keep-team-folders", "--json", w.world().facePack()});
    EXPECT_EQ(teams.code, 1) << teams.err.constData();
    int installed = 0;
    for (const QJsonValue& row : teams.json()["rows"].toArray()) installed += row.toObject()["install"].toBool();
    EXPECT_EQ(installed, 2);
    EXPECT_TRUE(QFileInfo::exists(w.face() + "/Millbrook Athletic/Lasse Quinlow_Face.bin"));
    EXPECT_EQ(w.run({"check"}).code, 0);
    EXPECT_EQ(scratchIn(w.world().programFolder()), QStringList());

    const Outcome undo = w.run({"undo"});
    EXPECT_EQ(undo.code, 0) << undo.err.constData();
    EXPECT_EQ(w.read(w.map()), original);
    EXPECT_FALSE(QFileInfo::exists(w.face() + "/Millbrook Athletic/Lasse Quinlow_Face.bin"));
    EXPECT_EQ(w.run({"undo"}).code, 1);

    const Outcome all = w.run({"install", w.world().facePack()});
    EXPECT_EQ(all.code, 0) << all.err.constData();
    EXPECT_EQ(w.read(w.map()).count('\n'), 6);
}

TEST(CliTest, OnePlayerAndConflictsSkippedUnlessReplace)
{
    const CliWorld w;
    const Outcome one = w.run({"install", "--player", "20203", w.world().faceModel(), w.world().hairModel()});
    EXPECT_EQ(one.code, 0) << one.err.constData();
    const QString line = MapLine::compose("20203", "Tibo Marek", MapLine::Content::FaceAndHair);
    EXPECT_TRUE(w.read(w.map()).endsWith(line.toLatin1() + "\r\n")) << w.read(w.map()).constData();
    EXPECT_TRUE(QFileInfo::exists(w.face() + "/Tibo Marek_Hair.bin"));

    // The player has a line now: skipped, and nothing written, unless --replace.
    const QByteArray before = w.read(w.map());
    const Outcome again = w.run({"install", "--player", "20203", w.world().faceModel()});
    EXPECT_EQ(again.code, 1);
    EXPECT_TRUE(again.out.contains("already")) << again.out.constData();
    EXPECT_EQ(w.read(w.map()), before);
    EXPECT_EQ(w.run({"install", "--replace", "--player", "20203", w.world().faceModel()}).code, 0);
    EXPECT_EQ(w.read(w.map()).count("20203,"), 2);

    EXPECT_EQ(w.run({"install", "--player", "77777", w.world().faceModel()}).code, 2);
    EXPECT_EQ(w.run({"install", "--player", "20203", w.world().editFile()}).code, 2);
    EXPECT_EQ(w.run({"install", w.world().root() + "/missing.zip"}).code, 2);
}

TEST(CliTest, RemoveTakesTheLinesAndTheirFiles)
{
    const CliWorld w;
    const QByteArray before = w.read(w.map());
    const Outcome run = w.run({"remove", "20102", "55555"});
    EXPECT_EQ(run.code, 1);  // 55555 has no line
    EXPECT_TRUE(run.err.contains("55555")) << run.err.constData();
    EXPECT_EQ(w.read(w.face() + "/map.txt.bak"), before);
    EXPECT_FALSE(w.read(w.map()).contains("20102"));
    EXPECT_FALSE(QFileInfo::exists(w.face() + "/Harbour Rovers/Oren Vasko_face.bin"));
    EXPECT_EQ(w.run({"remove", "abc"}).code, 2);
    EXPECT_EQ(w.run({"check"}).code, 0);
}

// A face folder handed on as a pack comes back line for line in an empty one.
TEST(CliTest, ExportedPackInstallsBackIntoAnEmptyFaceFolder)
{
    const CliWorld w;
    ASSERT_EQ(w.run({"install", w.world().facePack()}).code, 0);
    const QString pack = w.world().root() + "/Shared/All faces.zip";
    QDir().mkpath(w.world().root() + "/Shared");
    const Outcome exported = w.run({"export-pack", "--all", pack});
    EXPECT_EQ(exported.code, 0) << exported.err.constData();
    const QString empty = w.world().root() + "/Other/Ludex/Face";
    QDir().mkpath(empty);
    const Outcome installed = w.run({"install", "--face-folder", empty, pack});
    EXPECT_EQ(installed.code, 0) << installed.err.constData() << installed.out.constData();
    EXPECT_EQ(w.read(empty + "/map.txt"), w.read(w.map()));
    EXPECT_EQ(w.read(empty + "/Millbrook Athletic/Lasse Quinlow_Face.bin"),
              w.read(w.face() + "/Millbrook Athletic/Lasse Quinlow_Face.bin"));

    EXPECT_EQ(w.run({"export-pack", pack}).code, 2);  // nothing chosen
    const Outcome unknown = w.run({"export-pack", "--player", "55555", w.world().root() + "/Shared/none.zip"});
    EXPECT_EQ(unknown.code, 1);
    EXPECT_TRUE(unknown.err.contains("55555")) << unknown.err.constData();
    EXPECT_FALSE(QFileInfo::exists(w.world().root() + "/Shared/none.zip"));
}

// A face maker's round trip: the texture out as it is, back in, the same model.
TEST(CliTest, TextureExportedAsDdsGoesBackInUnchanged)
{
    const CliWorld w;
    const QString dds = w.world().root() + "/face.dds", out = w.world().root() + "/New Face.bin";
    const Outcome exported = w.run({"texture-export", w.world().faceModel(), dds});
    EXPECT_EQ(exported.code, 0) << exported.err.constData();
    const Outcome replaced = w.run({"texture-replace", w.world().faceModel(), dds, out});
    EXPECT_EQ(replaced.code, 0) << replaced.err.constData();
    EXPECT_EQ(w.read(out), w.read(w.world().faceModel()));

    // A picture of another size is refused, saying so, and nothing is written.
    const QString png = w.world().root() + "/small.png", refused = w.world().root() + "/Refused.bin";
    QImage small(12, 12, QImage::Format_ARGB32);
    small.fill(Qt::red);
    ASSERT_TRUE(small.save(png));
    const Outcome other = w.run({"texture-replace", w.world().faceModel(), png, refused});
    EXPECT_EQ(other.code, 1);
    EXPECT_TRUE(other.err.contains("12")) << other.err.constData();
    EXPECT_FALSE(QFileInfo::exists(refused));
    EXPECT_EQ(w.run({"texture-export", w.world().root() + "/missing.bin", png}).code, 2);
    EXPECT_EQ(w.run({"texture-replace", w.world().faceModel(), dds}).code, 2);
}

TEST(CliTest, VerifyPackNamesTheDamagedModel)
{
    const CliWorld w;
    const Outcome good = w.run({"verify-pack", w.world().facePack()});
    EXPECT_EQ(good.code, 0) << good.out.constData() << good.err.constData();
    EXPECT_EQ(good.out.count("OK "), 8) << good.out.constData();

    QByteArray damaged = w.read(w.world().hairModel());
    damaged.truncate(damaged.size() / 2);
    const QString pack = w.world().root() + "/Damaged Pack.zip";
    ASSERT_TRUE(PackFixtures::write(
        pack, "zip", {{"Team/20203_face.bin", w.read(w.world().faceModel())}, {"Team/20203_hair.bin", damaged}}));
    const Outcome bad = w.run({"verify-pack", "--json", pack});
    EXPECT_EQ(bad.code, 1) << bad.out.constData() << bad.err.constData();
    const QJsonArray models = bad.json()["models"].toArray();
    ASSERT_EQ(models.size(), 2);
    EXPECT_TRUE(models[0].toObject()["ok"].toBool());
    EXPECT_EQ(models[1].toObject()["path"].toString(), "Team/20203_hair.bin");
    EXPECT_FALSE(models[1].toObject()["ok"].toBool());

    // A pack split in two is read through either part; without its second part it fails.
    const QByteArray zip = w.read(w.world().facePack());
    const QString split = w.world().root() + "/Split Pack.zip";
    w.write(split + ".001", zip.left(zip.size() / 2));
    w.write(split + ".002", zip.mid(zip.size() / 2));
    const Outcome parts = w.run({"verify-pack", "--json", split + ".002"});
    EXPECT_EQ(parts.code, 0) << parts.err.constData();
    EXPECT_EQ(parts.json()["parts"].toInt(), 2);
    QFile::remove(split + ".001");
    const Outcome missing = w.run({"verify-pack", split + ".002"});
    EXPECT_EQ(missing.code, 1);
    EXPECT_TRUE(missing.err.contains("Split Pack.zip.001")) << missing.err.constData();

    EXPECT_EQ(w.run({"verify-pack", w.world().editFile()}).code, 2);
    // The preview's scratch files and the unpacked pack are gone.
    EXPECT_EQ(scratchIn(w.world().programFolder()), QStringList());
    for (const QString& name : QDir(w.world().programFolder()).entryList(QDir::Files | QDir::Hidden))
        EXPECT_FALSE(name.endsWith(".dds") || name.endsWith(".bmp") || name == "temp.bin") << name.toStdString();
}

TEST(CliTest, InstallKilledAtRandomInstantsLeavesNothingHalfDone)
{
    const CliWorld w;
    const QString program = w.world().programFolder();
    const FolderSnapshot before = snapshotFolder(w.face());
    // How long an install takes here, to kill within it.
    QElapsedTimer timer;
    timer.start();
    ASSERT_EQ(w.run({"install", w.world().facePack()}).code, 0);
    const qint64 full = std::max<qint64>(timer.elapsed(), 5);
    const FolderSnapshot after = snapshotFolder(w.face());
    ASSERT_EQ(w.run({"undo"}).code, 0);
    ASSERT_EQ(snapshotFolder(w.face()), before);

    QRandomGenerator random(20261207);
    for (int attempt = 0; attempt < 12; ++attempt) {
        QProcess process;
        process.setProcessEnvironment(w.environment());
        process.start(QStringLiteral(LUDEX_MANAGER_EXE), w.command({"install", w.world().facePack()}));
        ASSERT_TRUE(process.waitForStarted());
        QThread::msleep(random.bounded(quint32(full)));
        process.kill();
        process.waitForFinished();
        // The next command puts right what was cut short.
        EXPECT_NE(w.run({"check"}).code, 2);
        const FolderSnapshot now = snapshotFolder(w.face());
        EXPECT_TRUE(now == before || now == after) << "attempt " << attempt;
        EXPECT_EQ(scratchIn(program), QStringList()) << "attempt " << attempt;
        // A kill after the install but before its undo record leaves nothing to undo.
        if (now == after && w.run({"undo"}).code != 0) restore(w.face(), before);
        ASSERT_EQ(snapshotFolder(w.face()), before);
    }
}

// A Linux player's home: the game in Wine's prefix and in a Steam library
// that Steam's library file lists, a link loop inside the prefix.
TEST(CliTest, LocateFindsWhatWasPlantedInWineAndSteamAndNeverWrites)
{
    const CliWorld w;
    FakeGameHome h(w.home());
    const QString wine = h.prefix(".wine");
    h.faceFolder(wine, FakeGameHome::programFolder() + "/Visagery/LUDEX/face");
    h.editFile(wine, FakeGameHome::documentsFolder("alder") + "/save/folder1/EDIT.bin");
    ASSERT_TRUE(FakeGameHome::link(wine + "/drive_c", wine + "/drive_c/Program Files (x86)/loop"));
    const QString library = h.path("Games Library");
    h.steamRoot(".local/share/Steam", {h.path(".local/share/Steam"), library}, FakeGameHome::LibraryFormat::Nested);
    h.editFile(h.steamPrefix(library, 2011), FakeGameHome::documentsFolder() + "/save/EDIT.bin");

    const FolderSnapshot before = snapshotFolder(w.home());
    const Outcome run = w.run({"locate", "--json"});
    EXPECT_EQ(run.code, 0) << run.err.constData();
    const QJsonObject doc = run.json();
    const auto strings = [](const QJsonValue& v) {
        QStringList list;
        for (const QJsonValue& item : v.toArray()) list << item.toString();
        return list;
    };
    EXPECT_EQ(strings(doc["faceFolders"]), h.plantedFaceFolders);
    EXPECT_EQ(strings(doc["editFiles"]), h.plantedEditFiles);
    EXPECT_FALSE(doc["timedOut"].toBool());
    EXPECT_TRUE(doc.contains("roots"));
    EXPECT_EQ(snapshotFolder(w.home()), before);
}

}  // namespace
