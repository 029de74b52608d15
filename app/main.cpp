#include "FatalErrorBox.h"
#include "NorvControl.h"

#include <QApplication>
#include <QIcon>
#include <QPixmap>
#include <QSplashScreen>

int main(int argc, char *argv[])
{
    QApplication application(argc, argv);
    // Before the window: its constructor opens the bridge, which may be fatal.
    FatalErrorBox::install();

    // A plain file in the working directory; when it is missing the splash
    // is empty and start-up goes on.
    QSplashScreen splash(QPixmap(QStringLiteral("opc_control_512.png")));
    splash.show();
    application.processEvents();

    NorvControl window;
    window.setWindowIcon(
        QIcon(QStringLiteral(":/") + QStringLiteral("images/norvVmeControl64x64.ico")));
    window.show();
    splash.finish(&window);

    return application.exec();
}
