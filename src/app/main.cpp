#include "app/QtDialogs.h"
#include "app/frmMain.h"
#include "db/OdbcConnection.h"
#include "library/LibraryReader.h"

#include <QApplication>

int main(int argc, char** argv)
{
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("tarnwell"));
    QGuiApplication::setDesktopFileName(QStringLiteral("tarnwell"));

    tarnwell::db::OdbcConnectionFactory connections;
    tarnwell::app::QtDialogs dialogs;
    tarnwell::app::frmMain window(connections, dialogs, tarnwell::library::ownProgramPath());
    dialogs.setParent(&window);

    window.show();
    // Without a window manager nothing activates the window, and the library is read on the
    // first activation.
    window.raise();
    window.activateWindow();
    return QApplication::exec();
}
