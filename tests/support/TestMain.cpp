// Every test binary starts here: time zone, locale and ICU's default locale are pinned
// so that nothing depends on the machine the tests run on. Tests that need another zone
// or locale pass it to the code under test explicitly. The core tests run under a
// QGuiApplication (on the offscreen platform, so without a display) to lay text out, the
// window's tests under a QApplication; the others under a QCoreApplication, as the layers without a GUI application run.
#include <gtest/gtest.h>

#include <QCoreApplication>
#if defined(FETEMARK_TEST_WIDGETS_APPLICATION)
#include <QApplication>
#elif defined(FETEMARK_TEST_GUI_APPLICATION)
#include <QGuiApplication>
#endif
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <unicode/locid.h>
#include <unicode/timezone.h>

#include <cstdlib>
#include <ctime>

int main(int argc, char** argv)
{
    setenv("TZ", "UTC", 1);
    tzset();
    setenv("LC_ALL", "C.UTF-8", 1);
    setenv("LANG", "C.UTF-8", 1);
    unsetenv("LANGUAGE");
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QTemporaryDir runtimeDir;
    setenv("XDG_RUNTIME_DIR", QFile::encodeName(runtimeDir.path()).constData(), 1);
    UErrorCode status = U_ZERO_ERROR;
    icu::Locale::setDefault(icu::Locale("en_US"), status);
    icu::TimeZone::adoptDefault(icu::TimeZone::createTimeZone("UTC"));

#if defined(FETEMARK_TEST_WIDGETS_APPLICATION)
    QApplication app(argc, argv);
#elif defined(FETEMARK_TEST_GUI_APPLICATION)
    QGuiApplication app(argc, argv);
#else
    QCoreApplication app(argc, argv);
#endif
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
