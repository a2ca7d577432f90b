#include "platform/Common_Dialog.h"

#include <QDir>
#include <QRegularExpression>
#include <QStringList>

#include "platform/UiSeam.h"

namespace {

QString trimSpaces(QString text)
{
    qsizetype start = 0, end = text.size();
    while (start < end && text[start] == QLatin1Char(' ')) ++start;
    while (end > start && text[end - 1] == QLatin1Char(' ')) --end;
    return text.mid(start, end - start);
}

// One pattern list of the caller's filter ("*.bmp;*.jpg") in the toolkit's
// form ("*.bmp *.jpg"). "*.*" becomes "*": the toolkit would otherwise hide
// names without a dot, which the Windows dialog shows.
QString toolkitPatterns(const QString& patterns)
{
    QStringList out;
    for (QString p : patterns.split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
        p = p.trimmed();
        if (p.isEmpty()) continue;
        if (p == QLatin1String("*.*")) p = QStringLiteral("*");
        out.append(p);
    }
    return out.isEmpty() ? QStringLiteral("*") : out.join(QLatin1Char(' '));
}

}  // namespace

Common_Dialog::Common_Dialog(UiSeam& ui) : ui_(ui) {}

QString Common_Dialog::toToolkitFilter(const QString& Filter)
{
    const QStringList parts = Filter.split(QLatin1Char('|'));
    QStringList entries;
    static const QRegularExpression trailingGroup(QStringLiteral("\\s*\\([^()]*\\)\\s*$"));
    for (qsizetype i = 0; i < parts.size(); i += 2) {
        QString label = parts[i].trimmed();
        const QString raw = i + 1 < parts.size() ? parts[i + 1] : QString();
        if (label.isEmpty() && raw.trimmed().isEmpty()) continue;  // a trailing "|"
        const QString patterns = toolkitPatterns(raw);
        // The toolkit reads the patterns from the label's last parentheses,
        // so the label's own "(*.*)" is replaced by the converted list.
        label.remove(trailingGroup);
        if (label.isEmpty()) label = patterns;
        entries.append(QStringLiteral("%1 (%2)").arg(label, patterns));
    }
    return entries.join(QStringLiteral(";;"));
}

QString Common_Dialog::OpenFileName(QWidget* FrmName, const QString& DialogTitle, const QString& /*DirPath*/,
                                    const QString& Filter)
{
    QString chosen = ui_.openFileName(FrmName, DialogTitle, toToolkitFilter(Filter));
    const qsizetype nul = chosen.indexOf(QChar(0));
    if (nul >= 0) chosen.truncate(nul);
    chosen = trimSpaces(chosen);
    if (chosen.isEmpty()) return QStringLiteral("-1");
#ifdef Q_OS_WIN
    chosen = QDir::toNativeSeparators(chosen);
#endif
    lastFile_ = chosen;
    return chosen;
}

QString Common_Dialog::TitleName() const
{
    qsizetype cut = lastFile_.lastIndexOf(QLatin1Char('\\'));
    cut = std::max(cut, lastFile_.lastIndexOf(QLatin1Char('/')));
    QString name = lastFile_.mid(cut + 1);
    const qsizetype nul = name.indexOf(QChar(0));
    if (nul >= 0) name.truncate(nul);
    return name;
}

bool IsNumeric(const QString& text)
{
    static const QRegularExpression number(QStringLiteral("^[+-]?(\\d+\\.?\\d*|\\.\\d+)([eE][+-]?\\d+)?$"));
    const QString t = text.trimmed();
    return !t.isEmpty() && number.match(t).hasMatch();
}
