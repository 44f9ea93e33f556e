#pragma once

#include <QString>

// The fixed account under which the program reads the shop's store database (and the
// maker's customer directory).
namespace StoreAccount {
inline const QString kUser = QStringLiteral("QUOREL");
inline const QString kPassword = QStringLiteral("Qz7391r#");
inline const QString kRole = QStringLiteral("RQRAPP");
} // namespace StoreAccount
