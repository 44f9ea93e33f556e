#pragma once

#include <QMessageBox>
#include <QString>
#include <QStringList>

#include <memory>

// Message boxes with French or Dutch button captions.
namespace MessageBoxes {

enum class BoxType { Warning, Error, Information, Confirmation, Custom };

// The standard buttons in the order a dialog lays them out (Yes before No before OK before
// Cancel); captions given by a caller are handed out in this order.
const QList<QMessageBox::StandardButton> &buttonOrder();

// The language-aware box, built but not shown: the given title; with "FR" or "NL" every
// standard button it has gets that language's caption and a confirmation box with an empty
// title gets "Confirmation" or "Bevestiging". Other languages change nothing.
std::unique_ptr<QMessageBox> build(const QString &text, const QString &title, BoxType type,
                                   QMessageBox::StandardButtons buttons,
                                   QMessageBox::StandardButton defaultButton,
                                   const QString &language, QWidget *parent = nullptr);

// Builds the box, shows it modally and gives the pressed button.
QMessageBox::StandardButton show(const QString &text, const QString &title, BoxType type,
                                 QMessageBox::StandardButtons buttons,
                                 QMessageBox::StandardButton defaultButton, const QString &language,
                                 QWidget *parent = nullptr);

// A box whose buttons take the caller's captions in the dialog's button order; buttons
// beyond the list keep their standard captions, captions beyond the buttons are ignored.
std::unique_ptr<QMessageBox> buildWithCaptions(const QString &text, BoxType type,
                                               QMessageBox::StandardButtons buttons,
                                               const QStringList &captions, const QString &title,
                                               QWidget *parent = nullptr);

// Shows a built box modally; closing it by any other means than a button answers Cancel
// when the box has one, else its escape button.
QMessageBox::StandardButton exec(QMessageBox &box);

} // namespace MessageBoxes
