#include "shell/dialoginteraction.h"

#include "i18n/messagedlg.h"
#include "shell/appcontext.h"

#include <QAbstractButton>
#include <QApplication>

using QvMessageDlg::DlgType;

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
    QvMessageDlg::MessageDlg(text, m_context.tr(QStringLiteral("FMain.Caption")),
                             DlgType::Confirmation, QMessageBox::Ok, QMessageBox::Ok,
                             m_context.currentLanguage, m_parent);
}

UserInteraction::Answer DialogInteraction::question(const QString &text) {
    return toAnswer(QvMessageDlg::MessageDlg(text, QString(), DlgType::Confirmation,
                                             QMessageBox::Yes | QMessageBox::No, QMessageBox::Yes,
                                             m_context.currentLanguage, m_parent));
}

UserInteraction::Answer DialogInteraction::confirm(const QString &text, const QString &title,
                                                   const QString &yesCaption,
                                                   const QString &cancelCaption) {
    auto box = QvMessageDlg::buildWithCaptions(text, DlgType::Confirmation,
                                               QMessageBox::Yes | QMessageBox::Cancel,
                                               {yesCaption, cancelCaption}, title, m_parent);
    return toAnswer(QvMessageDlg::exec(*box));
}

UserInteraction::Answer DialogInteraction::alreadyDumped(const QString &text,
                                                         const QString &yesCaption) {
    auto box = QvMessageDlg::buildWithCaptions(text, DlgType::Information,
                                               QMessageBox::Yes | QMessageBox::Cancel,
                                               {yesCaption}, QStringLiteral("Alerte"), m_parent);
    return toAnswer(QvMessageDlg::exec(*box));
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
