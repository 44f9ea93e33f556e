#pragma once

#include <QApplication>

// The window program's application: an error that escapes an event handler is shown to the
// user with its text, and the program goes on.
class Application : public QApplication {
    Q_OBJECT
public:
    Application(int &argc, char **argv);
    bool notify(QObject *receiver, QEvent *event) override;

    // Shows an error text in a message box (the general error display).
    static void showError(const QString &text);
};
