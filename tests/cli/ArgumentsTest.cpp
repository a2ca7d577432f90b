// What the executable decides on its own before any display or command
// runs, and the JSON writer of the commands whose output grows with the face folder.
#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include "cli/JsonWriter.h"
#include "platform/ProgramOptions.h"

namespace {

TEST(ArgumentsTest, TheWindowTakesItsOwnAndTheWindowSystemsOptionsOnly)
{
    const struct {
        QStringList arguments;
        QString refusal;  // empty: the window opens
    } cases[] = {
        {{}, {}},
        {{"--demo"}, {}},
        {{"-platform", "offscreen", "--demo"}, {}},
        {{"--style=Fusion"}, {}},
        {{"-reverse"}, {}},
        {{"--anything-unknown"}, "unknown option '--anything-unknown'"},
        {{"--demo=yes"}, "unknown option '--demo=yes'"},
        {{"-platform"}, "option '-platform' needs a value"},
        {{"stray"}, "unknown command 'stray'"},
        {{"--demo", "--", "anything"}, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.arguments.join(' ').toStdString());
        EXPECT_EQ(ProgramOptions::refuseWindowArguments(c.arguments), c.refusal);
    }
}

TEST(ArgumentsTest, JsonWriterEscapesWhatJsonMustAndReadsBack)
{
    const QString awkward = QStringLiteral("Team\\P \"Q\"\t\x01\n\u00e9\u4e2d");
    Cli::JsonWriter json;
    json.beginObject()
        .value("text", awkward)
        .value("number", qint64(-12345))
        .value("flag", true)
        .null("none")
        .strings("list", {QStringLiteral("a"), QString()})
        .beginArray("objects")
        .beginObject()
        .value("line", qint64(1))
        .endObject()
        .beginObject()
        .endObject()
        .endArray()
        .beginArray("empty")
        .endArray()
        .endObject();
    QJsonParseError error;
    const QJsonObject doc = QJsonDocument::fromJson(json.finish(), &error).object();
    ASSERT_EQ(error.error, QJsonParseError::NoError) << error.errorString().toStdString();
    EXPECT_EQ(doc["text"].toString(), awkward);
    EXPECT_EQ(doc["number"].toInt(), -12345);
    EXPECT_TRUE(doc["flag"].toBool());
    EXPECT_TRUE(doc["none"].isNull());
    EXPECT_EQ(doc["list"].toArray().size(), 2);
    EXPECT_EQ(doc["objects"].toArray()[0].toObject()["line"].toInt(), 1);
    EXPECT_TRUE(doc["objects"].toArray()[1].toObject().isEmpty());
    EXPECT_TRUE(doc["empty"].toArray().isEmpty());
}

}  // namespace
