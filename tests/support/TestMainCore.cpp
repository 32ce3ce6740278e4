#include <QCoreApplication>
#include <QLocale>

#include <gtest/gtest.h>

// The main of the logic tests: an event loop, no windowing system (offscreen in CTest), with the
// program's forced Spanish date format.
int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QLocale::setDefault(QLocale(QLocale::Spanish, QLocale::Argentina));
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
