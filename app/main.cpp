#include "appinfo.h"
#include "form1.h"
#include "quiz/clockrandom.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    mulo::BuildAppInfo info;
    mulo::ClockRandom random;
    mulo::Form1 window({random, info});
    window.show();
    return app.exec();
}
