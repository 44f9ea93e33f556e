#include "core/data/datamodule.h"
#include "core/platform/appcontext.h"
#include "core/platform/programfolder.h"
#include "gui/application.h"
#include "gui/mainwindow.h"

#include <QCommandLineParser>
#include <QTimer>

int main(int argc, char **argv) {
    Application app(argc, argv);

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Korvello: stock-taking with handheld scanners."));
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption home(QStringLiteral("home"),
                                  QStringLiteral("Use DIR as the program folder (settings, log, "
                                                 "databases) instead of the executable's."),
                                  QStringLiteral("DIR"));
    parser.addOption(home);
    parser.process(app);

    AppContext context(ProgramFolder::resolve(parser.value(home)));
    // The data module outlives the windows that use it (it is declared first); it is handed
    // to the main window after the window's creation, as at start-up.
    DataModule data;
    MainWindow window(context);
    window.setDataModule(&data);
    window.show();
    window.activateWindow();
    // Without a window manager (a kiosk session, a test screen) no activation may ever
    // come; the first one must run all the same.
    QTimer::singleShot(0, &window, [&window] {
        if (!window.isActiveWindow())
            window.refreshOnActivation();
    });
    return app.exec();
}
