// A tiny module loaded by name in the module tests.
extern "C" __attribute__((visibility("default"))) int TestModuleAnswer() { return 42; }
