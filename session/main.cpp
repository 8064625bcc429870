// The program's start: the application and the main window.
#include <QApplication>
#include <QStyleFactory>

#include "frmMain.h"

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    // One look on every desktop: the window's controls are drawn with their own colours.
    app.setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    muv::frmMain main;
    main.show();
    return app.exec();
}
