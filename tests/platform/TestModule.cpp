// A tiny run-time library for the loader tests.
extern "C" __attribute__((visibility("default"))) int XjTestModuleAnswer() { return 42; }
