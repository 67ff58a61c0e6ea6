// SPDX-License-Identifier: GPL-3.0-or-later
// The yardstick for the start-up benchmark: the least a Qt program must do to put N borderless
// windows, each holding a text box, on the screen.
#include <QApplication>
#include <QPlainTextEdit>
#include <QWidget>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    const int n = argc > 1 ? atoi(argv[1]) : 100;
    for (int i = 0; i < n; ++i) {
        auto *w = new QWidget(nullptr, Qt::Tool | Qt::FramelessWindowHint);
        w->setGeometry(20 + (i * 7) % 900, 40 + (i * 5) % 500, 204, 162);
        auto *text = new QPlainTextEdit(w);
        text->setGeometry(26, 2, 175, 143);
        text->setPlainText(QStringLiteral("nota %1").arg(i));
        w->show();
    }
    return app.exec();
}
