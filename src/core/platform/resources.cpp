#include "core/platform/resources.h"

#include "core/i18n/translation.h"
#include "core/platform/errors.h"

#include <QFile>
#include <QSaveFile>

namespace Resources {

void extract(const QString &name, const QString &path) {
    QFile resource(QStringLiteral(":/") + name);
    if (!resource.open(QIODevice::ReadOnly))
        throw KorvelloError(Translation::message(QStringLiteral("Err_Ressource")).arg(name));
    // Written whole or not at all: a half-written database would look like a damaged one.
    // Readable by its owner only: the upload key is a secret, and nothing else needs more.
    QSaveFile out(path);
    if (!out.open(QIODevice::WriteOnly) ||
        !out.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner) ||
        out.write(resource.readAll()) != resource.size() || !out.commit())
        throw KorvelloError(
            Translation::message(QStringLiteral("Err_Ecriture")).arg(path, out.errorString()));
}

} // namespace Resources
