#include <gtest/gtest.h>

#ifdef TARNWELL_WIDGET_TESTS
#include <QApplication>
using Application = QApplication;
#else
#include <QCoreApplication>
using Application = QCoreApplication;
#endif

#ifdef Q_OS_WIN
#include <qt_windows.h>

#include <cstdio>
#endif

int main(int argc, char** argv)
{
    // Test discovery and plain runs happen without a display; the offscreen platform stands in.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    int result = 0;
    {
        Application app(argc, argv);
        ::testing::InitGoogleTest(&argc, argv);
        result = RUN_ALL_TESTS();
    }
#ifdef Q_OS_WIN
    // Under wine a test program whose worker threads have come and gone sometimes never ends:
    // the libstdc++ DLL, detaching, deletes its thread key and waits in winpthreads for a read
    // lock that no living thread holds. The verdict is printed and the application is gone by
    // now, so the process ends here, without the DLLs' detach.
    std::fflush(nullptr);
    TerminateProcess(GetCurrentProcess(), static_cast<UINT>(result));
#endif
    return result;
}
