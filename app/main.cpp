#include "app/Application.h"
#include "draw/uAcak.h"

#include <QApplication>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    Application::initialize();
    Application::createForms();
    fAcak->show();
    const int result = QApplication::exec();
    Application::destroyForms();
    return result;
}
