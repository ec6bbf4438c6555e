// Starts Zavetra.exe for a test, with its main and log windows up.
#pragma once
#include <gtest/gtest.h>

#include "LogWindow.h"

// A start that reports that the log window could not be made (code 21), or
// that shows no main and log window, fails the test.
inline void StartZavetra(CZavetra& zv) {
    const CZavetra::StartResult r = zv.Start();
    ASSERT_NE(CZavetra::kNoLogThread, r) << "the start reported that the log window could not be made";
    ASSERT_EQ(CZavetra::kStarted, r) << "Zavetra.exe did not show its main and log windows";
}
