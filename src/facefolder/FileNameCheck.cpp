#include "facefolder/FileNameCheck.h"

#include <QStringList>

#include "platform/CodePage.h"

namespace FileNameCheck {

namespace {

bool isReservedDeviceName(const QString& name)
{
    // Windows reserves these with any extension ("CON.txt" too), in any letter case.
    const QString stem = name.section(QLatin1Char('.'), 0, 0).trimmed().toUpper();
    static const QStringList fixed = {QStringLiteral("CON"), QStringLiteral("PRN"), QStringLiteral("AUX"),
                                      QStringLiteral("NUL")};
    if (fixed.contains(stem)) return true;
    // COM1 to COM9 and LPT1 to LPT9, and with the superscript digits that
    // Windows takes for 1, 2 and 3 (COM¹, LPT³).
    if (stem.size() == 4 && (stem.startsWith(QLatin1String("COM")) || stem.startsWith(QLatin1String("LPT")))) {
        const char16_t digit = stem[3].unicode();
        return (digit >= u'1' && digit <= u'9') || digit == u'\u00B9' || digit == u'\u00B2' || digit == u'\u00B3';
    }
    return false;
}

QString describe(QChar c)
{
    if (c.unicode() < 0x20 || c.unicode() == 0x7F)
        return QStringLiteral("a control character (code %1)").arg(c.unicode());
    return QStringLiteral("the character %1").arg(c);
}

}  // namespace

QString quoted(const QString& name)
{
    QString shown;
    for (QChar c : name) {
        if (c.unicode() < 0x20 || c.unicode() == 0x7F)
            shown += QStringLiteral("\\x%1").arg(c.unicode(), 2, 16, QLatin1Char('0'));
        else
            shown += c;
    }
    return QLatin1Char('"') + shown + QLatin1Char('"');
}

namespace {

Result problemOf(const QString& name, bool deviceNamesMatter)
{
    if (name.isEmpty()) return Result::failure(QStringLiteral("the name is empty"));
    if (name == QLatin1String(".") || name == QLatin1String(".."))
        return Result::failure(QStringLiteral("%1 is not a name but a folder reference").arg(quoted(name)));
    static const QString forbidden = QStringLiteral("\\/:*?\"<>|");
    for (QChar c : name) {
        if (c.unicode() < 0x20 || c.unicode() == 0x7F || forbidden.contains(c))
            return Result::failure(
                QStringLiteral("%1 contains %2, which a Windows file name cannot hold").arg(quoted(name), describe(c)));
    }
    if (name.endsWith(QLatin1Char(' ')) || name.endsWith(QLatin1Char('.')))
        return Result::failure(
            QStringLiteral("%1 ends with a %2, which Windows drops from file names")
                .arg(quoted(name), name.endsWith(QLatin1Char(' ')) ? QStringLiteral("space") : QStringLiteral("dot")));
    if (deviceNamesMatter && isReservedDeviceName(name))
        return Result::failure(QStringLiteral("%1 is a reserved device name on Windows").arg(quoted(name)));
    if (name.size() > 255)
        return Result::failure(QStringLiteral("%1 is longer than 255 characters").arg(quoted(name.left(40) + "...")));
    return Result::success();
}

}  // namespace

Result checkName(const QString& name) { return problemOf(name, true); }

Result checkBaseName(const QString& baseName) { return problemOf(baseName, false); }

Result checkCodePage(const QString& text)
{
    QString bad;
    for (char32_t cp : text.toUcs4()) {
        const QString one = QString::fromUcs4(&cp, 1);
        if (!CodePage::canEncode(one) && !bad.contains(one)) bad += one;
    }
    if (bad.isEmpty()) return Result::success();
    return Result::failure(QStringLiteral("%1 holds characters that the 8-bit code page of map.txt cannot store: %2")
                               .arg(quoted(text), bad));
}

}  // namespace FileNameCheck
