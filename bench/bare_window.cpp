// The yardstick for start-up: a bare Qt window with a menu bar, a list and a line edit.

#include <QApplication>
#include <QLineEdit>
#include <QListWidget>
#include <QMainWindow>
#include <QMenuBar>
#include <QVBoxLayout>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QMainWindow window;
    window.setWindowTitle(QStringLiteral("bare"));
    window.menuBar()->addMenu(QStringLiteral("&File"))->addAction(QStringLiteral("&Quit"));
    auto* client = new QWidget;
    auto* layout = new QVBoxLayout(client);
    layout->addWidget(new QLineEdit);
    layout->addWidget(new QListWidget);
    window.setCentralWidget(client);
    window.show();
    return app.exec();
}
