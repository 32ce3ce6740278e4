#include <QGuiApplication>
#include <QLocale>

#include <gtest/gtest.h>

// The main of the logic that paints text (fonts need a GUI application), no widgets (offscreen in CTest), with the
// program's forced Spanish date format.
int main(int argc, char **argv)
{
    QGuiApplication app(argc, argv);
    QLocale::setDefault(QLocale(QLocale::Spanish, QLocale::Argentina));
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
