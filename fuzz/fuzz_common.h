#pragma once
// What every fuzz target needs: a Qt application (fonts measure texts), the built-in printer,
// and silence from message boxes and Qt warnings so that only findings are reported.
#include <cstddef>
#include <cstdint>

namespace karvell::fuzz {

// Called once from LLVMFuzzerInitialize.
void Start(int* argc, char*** argv);

// Stops the run as a finding (libFuzzer saves the input that led here).
[[noreturn]] void Finding(const char* what);

} // namespace karvell::fuzz
