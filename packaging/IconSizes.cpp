// Writes the program's icon in the sizes of the desktop's hicolor theme,
// scaled from the one 256 x 256 artwork the window uses:
//
//   ludex_icon_sizes SOURCE.png OUTDIR SIZE...   writes OUTDIR/SIZExSIZE.png
#include <QImage>
#include <QString>
#include <cstdio>

int main(int argc, char** argv)
{
    if (argc < 4) {
        std::fprintf(stderr, "usage: %s SOURCE.png OUTDIR SIZE...\n", argv[0]);
        return 2;
    }
    const QImage source(QString::fromLocal8Bit(argv[1]));
    if (source.isNull()) {
        std::fprintf(stderr, "cannot read %s\n", argv[1]);
        return 1;
    }
    for (int i = 3; i < argc; ++i) {
        const int size = QByteArray(argv[i]).toInt();
        const QString out = QStringLiteral("%1/%2x%2.png").arg(QString::fromLocal8Bit(argv[2])).arg(size);
        if (size <= 0 || !source.scaled(size, size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation).save(out)) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(out));
            return 1;
        }
    }
    return 0;
}
