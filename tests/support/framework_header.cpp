// The source that the test framework's precompiled header is built with;
// the test programs reuse that header.
#include <gtest/gtest.h>
