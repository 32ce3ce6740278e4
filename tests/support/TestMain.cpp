#include <QApplication>
#include <QLocale>

#include <gtest/gtest.h>

// One main for every test program: a QApplication (offscreen in CTest) so that logic and
// window tests alike have an event loop, and the program's forced Spanish date format.
int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QLocale::setDefault(QLocale(QLocale::Spanish, QLocale::Argentina));
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
