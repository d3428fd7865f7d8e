// libkvb reads its KVB_FAULT_* switches (kvb/src/record_store.h) only when
// the build asks for them: -DDEXT_FAULT_SWITCHES=ON, as scripts/setup and
// scripts/test configure it; the test targets are told which
// (KVB_FAULT_SWITCHES_BUILT, cmake/DextTests.cmake). A test that drives the
// switches starts with REQUIRE_KVB_FAULT_SWITCHES(): in a build without them
// it fails saying so, rather than seeing no fault where it asked for one.
#ifndef DEXT_KVB_TESTING_FAULT_SWITCHES_H_
#define DEXT_KVB_TESTING_FAULT_SWITCHES_H_

#include <gtest/gtest.h>

#ifndef KVB_FAULT_SWITCHES_BUILT
#error "KVB_FAULT_SWITCHES_BUILT is set for the test targets by cmake/DextTests.cmake"
#endif

#define REQUIRE_KVB_FAULT_SWITCHES()                                                    \
  if (!KVB_FAULT_SWITCHES_BUILT)                                                        \
  GTEST_FAIL() << "libkvb was built without its KVB_FAULT_* switches, which this test " \
                  "drives: configure the build with -DDEXT_FAULT_SWITCHES=ON"

#endif  // DEXT_KVB_TESTING_FAULT_SWITCHES_H_
