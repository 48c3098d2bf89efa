// A shared library that exports no COM factory entry.
extern "C" __attribute__((visibility("default"))) int ComTestNothingHere() {
    return 0;
}
