// Draws the demo catalogue into the folder named on the command line.
#include <QGuiApplication>
#include <exception>
#include <iostream>

#include "tools/make_demo_catalogue/writer.h"

int main(int argc, char** argv) {
    // Painting text needs the font database, not a screen.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const QStringList args = QGuiApplication::arguments();
    if (args.size() != 2) {
        std::cerr << "usage: make_demo_catalogue <output folder>\n";
        return 2;
    }
    try {
        velmora::demo::WriteDemoCatalogue(args[1].toStdString());
    } catch (const std::exception& e) {
        std::cerr << "make_demo_catalogue: " << e.what() << "\n";
        return 1;
    }
    return 0;
}
