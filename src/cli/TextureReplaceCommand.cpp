// ludex-manager texture-replace: a new model file with an edited texture.
#include <QDir>
#include <QFileInfo>

#include "cli/Command.h"
#include "models/TextureEdit.h"

namespace {

class TextureReplaceCommand : public Cli::Command {
public:
    QString name() const override { return QStringLiteral("texture-replace"); }
    QString description() const override
    {
        return QStringLiteral("Write a new model file with an edited picture as its texture.");
    }
    QString arguments() const override { return QStringLiteral("MODEL PICTURE OUT.bin"); }
    QString details() const override
    {
        return QStringLiteral(
            "PICTURE (PNG, BMP, TGA or DDS) must have the texture's own size. The texture is rebuilt in the "
            "model's own format, size and mipmap count; every other byte of the model stays as it was. "
            "OUT.bin is written whole or not at all, never over MODEL. Exit status 1 when the picture is "
            "refused or the model cannot be written.");
    }
    int execute(const Cli::Context& context) override
    {
        if (context.arguments.size() != 3)
            return context.usage(QStringLiteral("texture-replace: give MODEL, PICTURE and OUT.bin"));
        const QString model = context.arguments.at(0), picture = context.arguments.at(1), out = context.arguments.at(2);
        for (const QString& in : {model, picture})
            if (!QFileInfo(in).isFile() || !QFileInfo(in).isReadable())
                return context.usage(
                    QStringLiteral("texture-replace: %1 cannot be read").arg(QDir::toNativeSeparators(in)));
        if (const Result done = TextureEdit::replaceTexture(model, picture, out); !done)
            return context.failed(done.message);
        context.term().line(QStringLiteral("%1 holds the model with the texture of %2")
                                .arg(QDir::toNativeSeparators(out), QDir::toNativeSeparators(picture)));
        return Cli::Exit::Ok;
    }
};

}  // namespace

LUDEX_COMMAND("texture-replace", TextureReplaceCommand)
