#include "platform/ProgramOptions.h"

#include <QCommandLineParser>

namespace ProgramOptions {

namespace {

// What QGuiApplication and QApplication take out of the arguments for
// themselves, with one dash or two, and whether the next argument is their value.
struct GuiOption {
    const char* name;
    bool takesValue;
};
constexpr GuiOption kGuiOptions[] = {
    {"platform", true},
    {"platformpluginpath", true},
    {"platformtheme", true},
    {"plugin", true},
    {"qwindowgeometry", true},
    {"qwindowicon", true},
    {"qwindowtitle", true},
    {"geometry", true},
    {"title", true},
    {"display", true},
    {"name", true},
    {"session", true},
    {"style", true},
    {"stylesheet", true},
    {"reverse", false},
    {"widgetcount", false},
    {"nograb", false},
    {"dograb", false},
    {"sync", false},
    {"testability", false},
    {"qmljsdebugger", false},
    {"visual", true},
    {"ncols", true},
    {"cmap", false},
    {"im", true},
    {"inputstyle", true},
};

}  // namespace

WindowOptions addWindowOptions(QCommandLineParser& parser)
{
    parser.setApplicationDescription(
        QStringLiteral("Visagery Ludex Manager: installs player faces and hair into the face folder of the "
                       "Visagery add-on for Kickvale Football 2011.\n\n"
                       "Without options it opens on the edit file and face folder stored at the last run "
                       "(File > Location - Edit.bin, File > Location - Ludex\\Face)."));
    WindowOptions options{
        parser.addHelpOption(), parser.addVersionOption(),
        QCommandLineOption(QStringLiteral("demo"),
                           QStringLiteral("Open on a fresh sample world in a temporary folder: an edit file of "
                                          "invented players and teams, a face folder, two model files and a "
                                          "face pack. It has settings of its own, so your stored locations are "
                                          "neither read nor changed, and it is removed when the window "
                                          "closes."))};
    parser.addOption(options.demo);
    return options;
}

QString refuseWindowArguments(const QStringList& arguments)
{
    static const QStringList own = {QStringLiteral("demo"), QStringLiteral("help"),     QStringLiteral("h"),
                                    QStringLiteral("?"),    QStringLiteral("help-all"), QStringLiteral("version"),
                                    QStringLiteral("v")};
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString& argument = arguments[i];
        if (argument == QLatin1String("--")) break;
        if (!argument.startsWith(QLatin1Char('-')) || argument == QLatin1String("-"))
            return QStringLiteral("unknown command '%1'").arg(argument);
        QString name = argument.mid(argument.startsWith(QLatin1String("--")) ? 2 : 1);
        const qsizetype equals = name.indexOf(QLatin1Char('='));
        const bool hasValue = equals >= 0;
        if (hasValue) name.truncate(equals);
        if (own.contains(name) && !hasValue) continue;
        bool known = false;
        for (const GuiOption& gui : kGuiOptions) {
            if (name != QLatin1String(gui.name)) continue;
            known = true;
            if (gui.takesValue && !hasValue) {
                if (i + 1 >= arguments.size()) return QStringLiteral("option '%1' needs a value").arg(argument);
                ++i;
            }
            break;
        }
        if (!known) return QStringLiteral("unknown option '%1'").arg(argument);
    }
    return QString();
}

}  // namespace ProgramOptions
