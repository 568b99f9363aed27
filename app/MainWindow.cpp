#include "app/MainWindow.h"

MainWindow::MainWindow(QWidget *parent) : QMainWindow(parent)
{
    setMinimumSize(800, 500);
}

MainWindow::~MainWindow() = default;
