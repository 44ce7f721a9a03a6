// Whether the desktop a test pretends to be is real: both the C library (which the ODBC driver
// formats with) and Qt format a number with the decimal separator given. A locale that was
// never generated leaves the C library quietly in "C", and a test meant for a German desktop
// would then prove nothing. On Windows a C runtime starts in "C" whatever the desktop (Qt
// does not change that there), so only the desktop's own setting, as Qt reads it, is checked.
//
//   desktop_locale_check SEPARATOR     run with LC_ALL set to the desktop's locale

#include <QCoreApplication>
#include <QLocale>

#include <clocale>
#include <cstdio>

int main(int argc, char** argv)
{
    // Takes the locale from the environment, as every Qt program does on start.
    QCoreApplication application(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: desktop_locale_check SEPARATOR\n");
        return 2;
    }
    const QString expected =
        QStringLiteral("1") + QString::fromLocal8Bit(argv[1]) + QStringLiteral("5");
    char c[32];
    std::snprintf(c, sizeof c, "%.1f", 1.5);
    const QString qt = QLocale::system().toString(1.5, 'f', 1);
    const char* locale = std::setlocale(LC_NUMERIC, nullptr);
    std::printf("C library (%s): %s; Qt (%s): %s\n", locale ? locale : "?", c,
                qPrintable(QLocale::system().name()), qPrintable(qt));
#ifdef Q_OS_WIN
    const bool cLibraryFollows = true;
#else
    const bool cLibraryFollows = QString::fromLatin1(c) == expected;
#endif
    if (!cLibraryFollows || qt != expected) {
        std::fprintf(stderr,
                     "The desktop's locale is not in effect: 1.5 should read %s. Generate the "
                     "locale (scripts/setup.sh does) or check LC_ALL.\n",
                     qPrintable(expected));
        return 1;
    }
    return 0;
}
