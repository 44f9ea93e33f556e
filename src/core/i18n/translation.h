#pragma once

#include <QString>

// Text lookup in the language file (sections "FR" and "NL", key = text). The file is read
// with the configuration file's rules; nothing is cached, so an edited file takes effect at
// the next lookup.
namespace Translation {

// The language file: "korvello.lng" next to the executables unless set otherwise (tests).
QString languageFile();
void setLanguageFile(const QString &path);

// The text of key in the section named by language; empty when the file, the section or the
// key is missing. The "[ " marker stays in the text.
QString lookup(const QString &key, const QString &language);

// The language of messages raised where no window or command is at hand (a configuration
// file that cannot be written, the log): set with the user's language, "NL" until then.
void setMessageLanguage(const QString &language);
// The text of key in that language; the key itself when the language file lacks it, so a
// message is never blank.
QString message(const QString &key);

// The text of key with the current text as default and the first "[ " turned into a blank:
// what the window translation sets on an element. Nothing changes when the file is missing.
QString translatedCaption(const QString &key, const QString &language, const QString &current);

} // namespace Translation
