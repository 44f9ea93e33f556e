#pragma once

#include <QString>

// An INI file read and written by key, with the rules the program relies on:
// - section and key names are matched without regard to case;
// - values are read without their leading and trailing blanks;
// - an integer that is not a whole number reads as the caller's default;
// - a missing or unreadable file, section or key reads as the caller's default;
// - every write reaches the file at once, creating the file and the section when needed,
//   and leaves the other lines of the file, and their order, as they were;
// - writing an empty text writes the key with an empty value.
// Nothing is kept in memory between calls: each call opens, reads and closes the file, so a
// change written by one part of the program is seen by the next call of any other.
class IniFile {
public:
    explicit IniFile(QString path) : m_path(std::move(path)) {}

    const QString &path() const { return m_path; }

    QString readString(const QString &section, const QString &key,
                       const QString &defaultValue) const;
    int readInteger(const QString &section, const QString &key, int defaultValue) const;
    bool keyExists(const QString &section, const QString &key) const;

    // Raise KorvelloError when the file cannot be written: a setting that silently fails to
    // save would be lost without anyone knowing.
    void writeString(const QString &section, const QString &key, const QString &value);
    void writeInteger(const QString &section, const QString &key, int value);

private:
    QString m_path;
};
