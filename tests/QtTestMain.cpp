// main() of the widget test programs: the application object exists before any test or
// fixture member creates a widget, whichever single test CTest runs.
#include <QApplication>
#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    testing::InitGoogleTest(&argc, argv);
    QApplication application(argc, argv);
    return RUN_ALL_TESTS();
}
