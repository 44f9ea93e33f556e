#pragma once

#include <QString>

// The fixed account under which the program reads the shop's store database (and the
// maker's customer directory).
namespace StoreAccount {
inline const QString kUser = QStringLiteral("QUOREL");
inline const QString kPassword = QStringLiteral("Qz7391r#");
inline const QString kRole = QStringLiteral("RQRAPP");
} // namespace StoreAccount

// A text read from a Firebird database as its stored bytes: UTF-8 when they are valid UTF-8,
// else the Windows-1252 the stores' databases hold.
QString storedText(const QVariant &value);
