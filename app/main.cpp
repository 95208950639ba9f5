// Program start: the application titled "Lorv304D" and its one window.
#include <QApplication>

#include "app/main_window.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QString::fromLatin1(TForm1::AppTitle));
    QApplication::setApplicationDisplayName(QString::fromLatin1(TForm1::AppTitle));
    TForm1 form;
    form.show();
    return QApplication::exec();
}
