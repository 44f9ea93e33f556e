#include "gui/dialoginteraction.h"

#include "core/platform/appcontext.h"
#include "gui/messageboxes.h"

#include <QAbstractButton>
#include <QApplication>

using MessageBoxes::BoxType;

namespace {
UserInteraction::Answer toAnswer(QMessageBox::StandardButton button) {
    switch (button) {
    case QMessageBox::Yes:
        return UserInteraction::Answer::Yes;
    case QMessageBox::No:
        return UserInteraction::Answer::No;
    case QMessageBox::Ok:
        return UserInteraction::Answer::Ok;
    default:
        return UserInteraction::Answer::Cancel;
    }
}
} // namespace

DialogInteraction::DialogInteraction(const AppContext &context, QWidget *parent)
    : m_context(context), m_parent(parent) {}

void DialogInteraction::notice(const QString &text) {
    MessageBoxes::show(text, m_context.tr(QStringLiteral("FMain.Caption")), BoxType::Confirmation,
                       QMessageBox::Ok, QMessageBox::Ok, m_context.currentLanguage(), m_parent);
}

UserInteraction::Answer DialogInteraction::question(const QString &text) {
    return toAnswer(MessageBoxes::show(text, QString(), BoxType::Confirmation,
                                       QMessageBox::Yes | QMessageBox::No, QMessageBox::Yes,
                                       m_context.currentLanguage(), m_parent));
}

UserInteraction::Answer DialogInteraction::confirm(const QString &text, const QString &title,
                                                   const QString &yesCaption,
                                                   const QString &cancelCaption) {
    auto box = MessageBoxes::buildWithCaptions(text, BoxType::Confirmation,
                                               QMessageBox::Yes | QMessageBox::Cancel,
                                               {yesCaption, cancelCaption}, title, m_parent);
    return toAnswer(MessageBoxes::exec(*box));
}

UserInteraction::Answer DialogInteraction::alreadyDumped(const QString &text,
                                                         const QString &yesCaption) {
    auto box = MessageBoxes::buildWithCaptions(text, BoxType::Information,
                                               QMessageBox::Yes | QMessageBox::Cancel, {yesCaption},
                                               QStringLiteral("Alerte"), m_parent);
    return toAnswer(MessageBoxes::exec(*box));
}

void DialogInteraction::progressStart(int maximum) {
    if (!m_progress)
        return;
    m_progress->setRange(0, maximum);
    m_progress->setValue(0);
    m_progress->show();
}

void DialogInteraction::progressStep() {
    if (m_progress)
        m_progress->setValue(m_progress->value() + 1);
}

void DialogInteraction::progressEnd() {
    if (m_progress)
        m_progress->hide();
}
