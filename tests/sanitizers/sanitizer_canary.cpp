// A program with a fault on purpose, to prove that the sanitizer build fails
// on faults in our code: "leak" loses a block, "overflow" converts an out of
// range double to int. Both happen inside Qt's event dispatch, where every
// stack passes through Qt and the event loop: a suppression broad enough to
// name those libraries would hide the leak, and this test would fail.

#include <QCoreApplication>
#include <QTimer>

#include <cstring>

namespace {

int* volatile sink = nullptr;
volatile double huge = 1e300;

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const char* fault = argc > 1 ? argv[1] : "";
    QTimer::singleShot(0, &app, [&app, fault] {
        if (std::strcmp(fault, "leak") == 0) {
            sink = new int[16];
            sink = nullptr;
        } else if (std::strcmp(fault, "overflow") == 0) {
            volatile int truncated = static_cast<int>(huge);
            (void)truncated;
        }
        app.quit();
    });
    return app.exec();
}
