#include "gui/application.h"

#include "core/platform/errors.h"

#include <QMessageBox>

#include <exception>

Application::Application(int &argc, char **argv) : QApplication(argc, argv) {
    setApplicationName(QStringLiteral("Inventaire"));
    setApplicationVersion(QStringLiteral(KORVELLO_VERSION));
}

bool Application::notify(QObject *receiver, QEvent *event) {
    try {
        return QApplication::notify(receiver, event);
    } catch (const KorvelloError &error) {
        showError(error.message());
    } catch (const std::exception &error) {
        showError(QString::fromUtf8(error.what()));
    }
    return false;
}

void Application::showError(const QString &text) {
    QMessageBox box(QMessageBox::Critical, QStringLiteral("Inventaire"), text, QMessageBox::Ok,
                    activeWindow());
    box.setTextFormat(Qt::PlainText);
    box.exec();
}
