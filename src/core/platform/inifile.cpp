#include "core/platform/inifile.h"

#include "core/i18n/translation.h"
#include "core/platform/cp1252.h"
#include "core/platform/errors.h"
#include "core/platform/textutil.h"

#include <QFile>
#include <QSaveFile>
#include <QStringDecoder>

#include <optional>

namespace {

struct Lines {
    QStringList lines;
    QString eol = QStringLiteral("\n");
};

// The file as lines. UTF-8 is what we write; a file saved by a Windows editor in its
// single-byte code page is still read correctly.
std::optional<Lines> readLines(const QString &path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    const QByteArray bytes = file.readAll();
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8.decode(bytes);
    if (utf8.hasError())
        text = Cp1252::decode(bytes);
    if (text.startsWith(QChar(0xFEFF)))
        text.remove(0, 1);
    Lines result;
    if (text.contains(QLatin1String("\r\n")))
        result.eol = QStringLiteral("\r\n");
    result.lines = TextUtil::lines(text);
    return result;
}

std::optional<QString> sectionName(const QString &line) {
    const QString t = TextUtil::trimmed(line);
    if (!t.startsWith(QLatin1Char('[')))
        return std::nullopt;
    const qsizetype close = t.indexOf(QLatin1Char(']'));
    if (close < 0)
        return std::nullopt;
    return TextUtil::trimmed(t.mid(1, close - 1));
}

bool isComment(const QString &line) {
    const QString t = TextUtil::trimmed(line);
    return t.startsWith(QLatin1Char(';')) || t.startsWith(QLatin1Char('#'));
}

bool sameName(const QString &a, const QString &b) {
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

// Where a key stands in the file: the line of its section header (or -1), the line of the
// key (or -1) and the last non-blank line of the section, after which a new key goes.
struct Place {
    int sectionLine = -1;
    int keyLine = -1;
    int lastLineOfSection = -1;
};

Place locate(const QStringList &lines, const QString &section, const QString &key) {
    Place place;
    bool inSection = false;
    for (int i = 0; i < lines.size(); ++i) {
        const QString &line = lines.at(i);
        if (const auto name = sectionName(line)) {
            if (inSection)
                break; // only the first section of that name counts
            inSection = sameName(*name, section);
            if (inSection)
                place.sectionLine = place.lastLineOfSection = i;
            continue;
        }
        if (!inSection || TextUtil::trimmed(line).isEmpty())
            continue;
        place.lastLineOfSection = i;
        if (isComment(line))
            continue;
        const qsizetype eq = line.indexOf(QLatin1Char('='));
        if (eq >= 0 && sameName(TextUtil::trimmed(line.left(eq)), key)) {
            place.keyLine = i;
            break;
        }
    }
    return place;
}

std::optional<QString> lookup(const QString &path, const QString &section, const QString &key) {
    const auto file = readLines(path);
    if (!file)
        return std::nullopt;
    const Place place = locate(file->lines, section, key);
    if (place.keyLine < 0)
        return std::nullopt;
    const QString &line = file->lines.at(place.keyLine);
    return TextUtil::trimmed(line.mid(line.indexOf(QLatin1Char('=')) + 1));
}

} // namespace

QString IniFile::readString(const QString &section, const QString &key,
                            const QString &defaultValue) const {
    return lookup(m_path, section, key).value_or(defaultValue);
}

int IniFile::readInteger(const QString &section, const QString &key, int defaultValue) const {
    const auto text = lookup(m_path, section, key);
    if (!text)
        return defaultValue;
    bool ok = false;
    const int value = text->toInt(&ok, 10);
    return ok ? value : defaultValue;
}

bool IniFile::keyExists(const QString &section, const QString &key) const {
    return lookup(m_path, section, key).has_value();
}

void IniFile::writeString(const QString &section, const QString &key, const QString &value) {
    Lines file;
    if (QFile::exists(m_path)) {
        const auto existing = readLines(m_path);
        if (!existing)
            throw KorvelloError(
                Translation::message(QStringLiteral("Err_IniLecture")).arg(m_path, key));
        file = *existing;
    }
    // A line break inside a value would cut the file's line in two.
    QString flat = value;
    flat.replace(QLatin1Char('\r'), QLatin1Char(' ')).replace(QLatin1Char('\n'), QLatin1Char(' '));

    const Place place = locate(file.lines, section, key);
    if (place.keyLine >= 0) {
        QString &line = file.lines[place.keyLine];
        const QString storedKey = TextUtil::trimmed(line.left(line.indexOf(QLatin1Char('='))));
        line = storedKey + QLatin1Char('=') + flat;
    } else if (place.sectionLine >= 0) {
        file.lines.insert(place.lastLineOfSection + 1, key + QLatin1Char('=') + flat);
    } else {
        if (!file.lines.isEmpty() && !TextUtil::trimmed(file.lines.last()).isEmpty())
            file.lines.append(QString());
        file.lines.append(QLatin1Char('[') + section + QLatin1Char(']'));
        file.lines.append(key + QLatin1Char('=') + flat);
    }

    // The file holds the server's password: a new one is readable by its owner only, and a
    // rewrite keeps the mode the file has.
    const bool created = !QFile::exists(m_path);
    QSaveFile out(m_path);
    out.setDirectWriteFallback(true);
    if (out.open(QIODevice::WriteOnly) &&
        (!created || out.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner))) {
        out.write((file.lines.join(file.eol) + file.eol).toUtf8());
        if (out.commit())
            return;
    }
    throw KorvelloError(Translation::message(QStringLiteral("Err_IniEcriture"))
                            .arg(key, m_path, out.errorString()));
}

void IniFile::writeInteger(const QString &section, const QString &key, int value) {
    writeString(section, key, QString::number(value));
}
