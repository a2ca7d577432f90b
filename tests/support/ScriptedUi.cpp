#include "support/ScriptedUi.h"

#include <QDialog>

namespace {
class ScriptedProgress : public ProgressSink {
public:
    explicit ScriptedProgress(ScriptedUi& ui) : ui_(ui) {}
    void setValue(qint64) override { ++ui_.progressSteps; }
    void setLabel(const QString&) override {}
    bool wasCanceled() const override
    {
        return ui_.cancelProgressAfter >= 0 && ui_.progressSteps >= ui_.cancelProgressAfter;
    }

private:
    ScriptedUi& ui_;
};
}  // namespace

QStringList ScriptedUi::messages() const
{
    QStringList out;
    for (const auto& s : shown)
        if (s.kind == "message") out << s.text;
    return out;
}

QString ScriptedUi::openFileName(QWidget*, const QString& title, const QString& filter)
{
    shown.push_back({"open", title, filter, Icon::None});
    if (files.empty()) return QString();
    QString answer = files.front();
    files.pop_front();
    return answer;
}

QString ScriptedUi::saveFileName(QWidget*, const QString& title, const QString& suggested, const QString&)
{
    shown.push_back({"save", title, suggested, Icon::None});
    if (saveFiles.empty()) return QString();
    QString answer = saveFiles.front();
    saveFiles.pop_front();
    return answer;
}

bool ScriptedUi::runDialog(QDialog& dialog)
{
    shown.push_back({"dialog", dialog.windowTitle(), QString(), Icon::None});
    if (onDialog) onDialog(dialog);
    if (dialogs.empty()) return false;
    const bool answer = dialogs.front();
    dialogs.pop_front();
    return answer;
}

QString ScriptedUi::browseForFolder(QWidget*, const QString& prompt)
{
    shown.push_back({"folder", prompt, QString(), Icon::None});
    if (folders.empty()) return QString();
    QString answer = folders.front();
    folders.pop_front();
    return answer;
}

void ScriptedUi::message(QWidget*, const QString& text, Icon icon)
{
    shown.push_back({"message", QString::fromLatin1(kMessageTitle), text, icon});
}

bool ScriptedUi::confirm(QWidget*, const QString& text, Icon icon)
{
    shown.push_back({"confirm", QString::fromLatin1(kMessageTitle), text, icon});
    if (answers.empty()) return false;
    const bool answer = answers.front();
    answers.pop_front();
    return answer;
}

std::unique_ptr<ProgressSink> ScriptedUi::progress(QWidget*, const QString& label, qint64)
{
    shown.push_back({"progress", label, QString(), Icon::None});
    return std::make_unique<ScriptedProgress>(*this);
}

std::optional<UiSeam::Locations> ScriptedUi::chooseLocations(QWidget*, const QStringList& editFiles,
                                                             const QStringList& faceFolders)
{
    shown.push_back(
        {"locations", QString::fromLatin1(kMessageTitle), QString::fromLatin1(kUseLocationsQuestion), Icon::None});
    offeredEditFiles = editFiles;
    offeredFaceFolders = faceFolders;
    if (locationAnswers.empty()) return std::nullopt;
    const std::optional<Locations> answer = locationAnswers.front();
    locationAnswers.pop_front();
    return answer;
}
