// The COM tests run in one single-threaded apartment, like the program.
#include <gtest/gtest.h>
#include <windows.h>
#include "common/TestMain.h"

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    return RunTestsInApartment();
}
