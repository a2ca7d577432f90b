#include "archive/PackVolumes.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <map>

namespace PackVolumes {
namespace {

struct Pattern {
    Scheme scheme;
    QRegularExpression re;  // captures the stem and the part's suffix
};

const std::vector<Pattern>& patterns()
{
    static const auto ci = QRegularExpression::CaseInsensitiveOption;
    static const std::vector<Pattern> list = {
        {Scheme::RarParts, QRegularExpression(QStringLiteral("^(.+)\\.part(\\d{1,4})\\.rar$"), ci)},
        {Scheme::RarOldStyle, QRegularExpression(QStringLiteral("^(.+)\\.(rar|[r-v]\\d\\d)$"), ci)},
        {Scheme::Numbered, QRegularExpression(QStringLiteral("^(.+)\\.(\\d{3})$"), ci)},
        {Scheme::ZipSpanned, QRegularExpression(QStringLiteral("^(.+)\\.(zip|z\\d\\d)$"), ci)},
    };
    return list;
}

// The place (1-based) that a suffix gives a part, 0 when it names none.
int placeOf(Scheme scheme, const QString& suffix)
{
    const QString s = suffix.toLower();
    switch (scheme) {
    case Scheme::RarParts:
    case Scheme::Numbered: return s.toInt();
    case Scheme::RarOldStyle:  // .rar, then .r00 to .r99, .s00 to .s99...
        return s == QLatin1String("rar") ? 1 : 2 + (s[0].unicode() - 'r') * 100 + s.mid(1).toInt();
    case Scheme::ZipSpanned:  // .z01, .z02... and the .zip last
        return s == QLatin1String("zip") ? 1000 : s.mid(1).toInt();
    case Scheme::Single: break;
    }
    return 0;
}

}  // namespace

Set find(const QString& name, const QStringList& siblings)
{
    Set single;
    single.parts << name;
    single.numbers << 1;
    for (const Pattern& p : patterns()) {
        const QRegularExpressionMatch chosen = p.re.match(name);
        if (!chosen.hasMatch() || placeOf(p.scheme, chosen.captured(2)) <= 0) continue;
        Set set;
        set.scheme = p.scheme;
        set.stem = chosen.captured(1);
        std::map<int, QString> byPlace;
        QStringList all = siblings;
        all.append(name);
        for (const QString& other : all) {
            const QRegularExpressionMatch m = p.re.match(other);
            if (!m.hasMatch() || m.captured(1).compare(set.stem, Qt::CaseInsensitive) != 0) continue;
            const int place = placeOf(p.scheme, m.captured(2));
            // Two spellings of one place ("part1", "part01"): the chosen file's wins.
            if (place > 0 && (!byPlace.count(place) || other == name)) byPlace[place] = other;
        }
        // A ".rar" or ".zip" alone is one plain pack.
        if (byPlace.size() == 1 && (p.scheme == Scheme::RarOldStyle || p.scheme == Scheme::ZipSpanned) &&
            byPlace.begin()->first == placeOf(p.scheme, p.scheme == Scheme::RarOldStyle ? "rar" : "zip"))
            return single;
        if (p.scheme == Scheme::ZipSpanned && byPlace.count(1000)) {  // the .zip closes the set
            const QString last = byPlace[1000];
            byPlace.erase(1000);
            byPlace[byPlace.empty() ? 1 : byPlace.rbegin()->first + 1] = last;
        }
        for (const auto& [place, file] : byPlace) {
            set.parts << file;
            set.numbers << place;
        }
        for (int place = 1; place < set.last() && !set.firstMissing; ++place)
            if (!byPlace.count(place)) set.firstMissing = place;
        return set;
    }
    return single;
}

QString partName(const Set& set, int place)
{
    switch (set.scheme) {
    case Scheme::Single: return place == 1 ? set.parts.value(0) : QString();
    case Scheme::RarParts:
    case Scheme::Numbered: {
        // As wide as the parts found are written.
        const QRegularExpression& re = set.scheme == Scheme::RarParts ? patterns()[0].re : patterns()[2].re;
        const int width = int(re.match(set.parts.value(0)).captured(2).size());
        const QString digits = QStringLiteral("%1").arg(place, width, 10, QChar('0'));
        if (set.scheme == Scheme::Numbered) return set.stem + '.' + digits;
        return QStringLiteral("%1.part%2.rar").arg(set.stem, digits);
    }
    case Scheme::RarOldStyle:
        if (place == 1) return set.stem + QStringLiteral(".rar");
        return QStringLiteral("%1.%2%3")
            .arg(set.stem)
            .arg(QChar('r' + (place - 2) / 100))
            .arg((place - 2) % 100, 2, 10, QChar('0'));
    case Scheme::ZipSpanned: return QStringLiteral("%1.z%2").arg(set.stem).arg(place, 2, 10, QChar('0'));
    }
    return QString();
}

Set findOnDisk(const QString& path)
{
    const QFileInfo info(path);
    const QStringList siblings = info.dir().entryList(QDir::Files | QDir::Hidden | QDir::System);
    return find(info.fileName(), siblings);
}

}  // namespace PackVolumes
