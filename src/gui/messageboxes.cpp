#include "gui/messageboxes.h"

#include <QAbstractButton>

namespace MessageBoxes {

namespace {

struct Captions {
    QMessageBox::StandardButton button;
    const char *fr;
    const char *nl;
};

// "All" has no button of its own in Qt; YesToAll stands for it.
const Captions kCaptions[] = {
    {QMessageBox::Ok, "OK", "OK"},
    {QMessageBox::Cancel, "Annuler", "Annuleren"},
    {QMessageBox::Yes, "Oui", "Ja"},
    {QMessageBox::No, "Non", "Nee"},
    {QMessageBox::Help, "Aide", "Help"},
    {QMessageBox::Close, "Fermer", "Afsluiten"},
    {QMessageBox::Ignore, "Ignorer", "Negeren"},
    {QMessageBox::Retry, "Réessayer", "Opnieuw proberen"},
    {QMessageBox::Abort, "Abandonner", "Afbreken"},
    {QMessageBox::YesToAll, "Tout", "Alles"},
};

QMessageBox::Icon iconFor(BoxType type) {
    switch (type) {
    case BoxType::Warning:
        return QMessageBox::Warning;
    case BoxType::Error:
        return QMessageBox::Critical;
    case BoxType::Information:
        return QMessageBox::Information;
    case BoxType::Confirmation:
        return QMessageBox::Question;
    case BoxType::Custom:
        break;
    }
    return QMessageBox::NoIcon;
}

std::unique_ptr<QMessageBox> createBox(const QString &text, const QString &title, BoxType type,
                                       QMessageBox::StandardButtons buttons, QWidget *parent) {
    auto box = std::make_unique<QMessageBox>(iconFor(type), title, text, buttons, parent);
    box->setTextFormat(Qt::PlainText);
    return box;
}

} // namespace

const QList<QMessageBox::StandardButton> &buttonOrder() {
    static const QList<QMessageBox::StandardButton> order = {
        QMessageBox::Yes,     QMessageBox::No,    QMessageBox::Ok,     QMessageBox::Cancel,
        QMessageBox::Abort,   QMessageBox::Retry, QMessageBox::Ignore, QMessageBox::YesToAll,
        QMessageBox::NoToAll, QMessageBox::Help,  QMessageBox::Close,
    };
    return order;
}

std::unique_ptr<QMessageBox> build(const QString &text, const QString &title, BoxType type,
                                   QMessageBox::StandardButtons buttons,
                                   QMessageBox::StandardButton defaultButton,
                                   const QString &language, QWidget *parent) {
    auto box = createBox(text, title, type, buttons, parent);
    if (defaultButton != QMessageBox::NoButton && box->button(defaultButton))
        box->setDefaultButton(defaultButton);
    const bool french = language == QLatin1String("FR");
    const bool dutch = language == QLatin1String("NL");
    if (!french && !dutch)
        return box;
    for (const Captions &entry : kCaptions)
        if (QAbstractButton *button = box->button(entry.button))
            button->setText(QString::fromUtf8(french ? entry.fr : entry.nl));
    if (title.isEmpty() && type == BoxType::Confirmation)
        box->setWindowTitle(french ? QStringLiteral("Confirmation")
                                   : QStringLiteral("Bevestiging"));
    return box;
}

QMessageBox::StandardButton show(const QString &text, const QString &title, BoxType type,
                                 QMessageBox::StandardButtons buttons,
                                 QMessageBox::StandardButton defaultButton, const QString &language,
                                 QWidget *parent) {
    auto box = build(text, title, type, buttons, defaultButton, language, parent);
    return exec(*box);
}

std::unique_ptr<QMessageBox> buildWithCaptions(const QString &text, BoxType type,
                                               QMessageBox::StandardButtons buttons,
                                               const QStringList &captions, const QString &title,
                                               QWidget *parent) {
    auto box = createBox(text, title, type, buttons, parent);
    qsizetype next = 0;
    for (QMessageBox::StandardButton which : buttonOrder()) {
        QAbstractButton *button = box->button(which);
        if (!button)
            continue;
        if (next >= captions.size())
            break;
        button->setText(captions.at(next++));
    }
    return box;
}

QMessageBox::StandardButton exec(QMessageBox &box) {
    if (box.button(QMessageBox::Cancel))
        box.setEscapeButton(QMessageBox::Cancel);
    box.exec();
    QAbstractButton *clicked = box.clickedButton();
    if (!clicked)
        return box.button(QMessageBox::Cancel) ? QMessageBox::Cancel : QMessageBox::NoButton;
    return box.standardButton(clicked);
}

} // namespace MessageBoxes
