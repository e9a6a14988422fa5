// A library for the registration tests: with the entry, calling it sets an environment variable
// the test can see; without, it exports nothing of the kind; with an unresolved call, its entry
// calls a function nothing provides.
#include <cstdlib>

#if defined(QUENDEL_WITH_REGISTER_ENTRY)
extern "C" __attribute__((visibility("default"))) long DllRegisterServer() {
    ::setenv("QUENDEL_SERVER_REGISTERED", "1", 1);
    return 0x80004005; // a failure, which the caller does not look at
}
#elif defined(QUENDEL_WITH_UNRESOLVED_CALL)
extern "C" void quendel_nowhere();
extern "C" __attribute__((visibility("default"))) long DllRegisterServer() {
    quendel_nowhere();
    ::setenv("QUENDEL_SERVER_REGISTERED", "1", 1);
    return 0;
}
#else
extern "C" __attribute__((visibility("default"))) long DllCanUnloadNow() {
    return 0;
}
#endif
