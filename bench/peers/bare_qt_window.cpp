// The peer of the program's start: a bare Qt window, nothing in it but its
// background, started cold in a process of its own. It starts maximized, as
// the program's main window does, so on the same screen it is at least as
// large as the program's (which keeps a frame around it).
//
//     bare_qt_window
//
// Like the program under PRICETAGS_QUIT_AFTER_MS=1, it shows its window and
// closes it at the first tick of a 1 ms timer after the window was painted,
// then ends.

#include <QApplication>
#include <QPainter>
#include <QTimer>
#include <QWidget>

namespace {

class BareWindow : public QWidget {
public:
    bool Painted = false;

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter P(this);
        P.fillRect(rect(), palette().window());
        Painted = true;
    }
};

}  // namespace

int main(int argc, char** argv)
{
    QApplication App(argc, argv);
    BareWindow Window;
    Window.showMaximized();
    QTimer Quit;
    QObject::connect(&Quit, &QTimer::timeout, &Window, [&] {
        if (!Window.Painted)
            return;
        Quit.stop();
        Window.close();
    });
    Quit.start(1);
    return App.exec();
}
