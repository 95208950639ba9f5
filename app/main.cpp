// Program start: the application titled "Lorv304D" and its one window.
#include "app/application.h"
#include "app/main_window.h"

int main(int argc, char** argv) {
    TApplication app(argc, argv);
    TApplication::setApplicationName(QString::fromLatin1(TForm1::AppTitle));
    TApplication::setApplicationDisplayName(QString::fromLatin1(TForm1::AppTitle));
    TForm1 form;
    app.ErrorReport = [&form](const std::string& what) { form.ShowErrorReport(what); };
    form.show();
    const int result = TApplication::exec();
    app.ErrorReport = nullptr;
    return result;
}
