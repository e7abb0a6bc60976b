// Read by LeakSanitizer in the sanitizer build: Qt keeps its font database (fontconfig) for the
// life of the QApplication, which the GUI tests never destroy; those allocations are not ours.
extern "C" const char* __lsan_default_suppressions();
extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig\n"; }
