// The object-information records are built on the program's main thread, in
// the single-threaded apartment.
#include "common/TestMain.h"

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    return RunTestsInApartment();
}
