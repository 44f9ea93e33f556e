#include "gui/transferwindow.h"
#include "ui_transferwindow.h"

#include "core/articles/articletransfer.h"
#include "core/platform/appcontext.h"
#include "core/platform/errors.h"
#include "gui/application.h"

#include <QCoreApplication>

TransferWindow::TransferWindow(AppContext &context, QWidget *parent)
    : QWidget(parent), m_ui(std::make_unique<Ui::TransferWindow>()), m_context(context),
      m_interaction(context, this) {
    m_ui->setupUi(this);
    setWindowFlags(Qt::Window | Qt::FramelessWindowHint);
    setAttribute(Qt::WA_StyledBackground); // the form's background and border
    m_copyingText = m_ui->Label1;
    m_transferButton = m_ui->ButtonTransfer;
    m_leaveButton = m_ui->ButtonFermer;
    // Kept for the files that name them; nothing here uses them.
    m_ui->ProgressBar1->hide();
    m_ui->ListView1->hide();
    connect(m_transferButton, &QPushButton::clicked, this, &TransferWindow::transfer);
    connect(m_leaveButton, &QPushButton::clicked, this, &TransferWindow::leave);
}

TransferWindow::~TransferWindow() = default;

void TransferWindow::showEvent(QShowEvent *event) {
    QWidget::showEvent(event);
    m_copyingText->hide();
}

void TransferWindow::transfer() {
    if (watchOff)
        watchOff();
    try {
        ArticleTransfer::run(m_context, *m_ask, [this] {
            m_copyingText->setText(m_context.tr(QStringLiteral("FTransfer_1.Label1")));
            m_copyingText->show();
            QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
        });
    } catch (const KorvelloError &error) {
        Application::showError(error.message());
    }
    m_copyingText->hide();
    if (watchOn)
        watchOn();
}

void TransferWindow::leave() {
    emit left();
    close();
}
