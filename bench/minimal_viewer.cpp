// The smallest Qt program that does what the catalogue's start-up does visibly: decode the menu
// picture named on the command line and show it on a black, borderless, maximised window, then quit
// after the first paint. The start-up benchmark times velmora against it.
#include <QApplication>
#include <QImage>
#include <QPainter>
#include <QScreen>
#include <QTimer>
#include <QWidget>

namespace {

class TViewer : public QWidget {
public:
    explicit TViewer(const QString& path) : QWidget(nullptr, Qt::Window | Qt::FramelessWindowHint), FImage(path) {}

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.fillRect(rect(), Qt::black);
        painter.drawImage(QPoint((width() - 1024) / 2, (height() - 768) / 2), FImage);
        if (!FQueued) {
            FQueued = true;
            QTimer::singleShot(0, qApp, [] { QCoreApplication::quit(); });
        }
    }

private:
    QImage FImage;
    bool FQueued = false;
};

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc < 2) return 2;
    TViewer viewer(QString::fromLocal8Bit(argv[1]));
    if (const QScreen* screen = QGuiApplication::primaryScreen()) viewer.setGeometry(screen->geometry());
    viewer.showMaximized();
    return app.exec();
}
