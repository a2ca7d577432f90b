// ludex-manager texture-export: a model's texture as a picture.
#include <QDir>
#include <QFileInfo>

#include "cli/Command.h"
#include "models/TextureEdit.h"

namespace {

class TextureExportCommand : public Cli::Command {
public:
    QString name() const override { return QStringLiteral("texture-export"); }
    QString description() const override { return QStringLiteral("Save the texture of a model file as PNG or DDS."); }
    QString arguments() const override { return QStringLiteral("MODEL OUT.png|OUT.dds"); }
    QString details() const override
    {
        return QStringLiteral(
            "OUT.png: the texture as a PNG picture, alpha kept, for an image editor. OUT.dds: the DDS exactly "
            "as the model holds it. The file is written whole or not at all. Exit status 1 when the texture "
            "cannot be read or written.");
    }
    int execute(const Cli::Context& context) override
    {
        if (context.arguments.size() != 2) return context.usage(QStringLiteral("texture-export: give MODEL and OUT"));
        const QString model = context.arguments.at(0), out = context.arguments.at(1);
        if (!QFileInfo(model).isFile() || !QFileInfo(model).isReadable())
            return context.usage(
                QStringLiteral("texture-export: %1 cannot be read").arg(QDir::toNativeSeparators(model)));
        if (const Result done = TextureEdit::exportTexture(model, out); !done) return context.failed(done.message);
        context.term().line(QStringLiteral("The texture of %1 was saved as %2")
                                .arg(QDir::toNativeSeparators(model), QDir::toNativeSeparators(out)));
        return Cli::Exit::Ok;
    }
};

}  // namespace

LUDEX_COMMAND("texture-export", TextureExportCommand)
