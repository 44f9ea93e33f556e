#include "gui/translatewindow.h"

#include "core/i18n/translation.h"
#include "gui/panel.h"

#include <QAbstractButton>
#include <QAction>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QMessageBox>
#include <QWidget>

#include <exception>

namespace {

// Sets one element's text if it is of a kind that carries a key; other kinds are skipped.
void translateElement(QObject *element, const QString &prefix, const QString &language) {
    const QString key = prefix + element->objectName();
    auto caption = [&](const QString &current) {
        return Translation::translatedCaption(key, language, current);
    };
    if (auto *panel = qobject_cast<Panel *>(element))
        panel->setCaption(caption(panel->caption()));
    else if (auto *label = qobject_cast<QLabel *>(element))
        label->setText(caption(label->text()));
    else if (auto *button = qobject_cast<QAbstractButton *>(element))
        button->setText(caption(button->text()));
    else if (auto *group = qobject_cast<QGroupBox *>(element))
        group->setTitle(caption(group->title()));
    else if (auto *action = qobject_cast<QAction *>(element))
        action->setText(caption(action->text()));
}

} // namespace

namespace Translation {

void translateWindow(QWidget *window, const QString &language) {
    if (!window || !QFile::exists(languageFile()))
        return;
    const QString name = window->objectName();
    window->setWindowTitle(
        translatedCaption(name + QStringLiteral(".Caption"), language, window->windowTitle()));
    const QString prefix = name + QLatin1Char('.');
    for (QObject *element : window->findChildren<QObject *>()) {
        const QString elementName = element->objectName();
        // Qt's own inner parts carry "qt_" names; unnamed parts have no key.
        if (elementName.isEmpty() || elementName.startsWith(QLatin1String("qt_")))
            continue;
        try {
            translateElement(element, prefix, language);
        } catch (const std::exception &error) {
            QMessageBox::warning(window, QString(), QString::fromUtf8(error.what()));
        }
    }
}

} // namespace Translation
