#pragma once
// Diagnostic lines: the program's device, driver and file layers report what
// they do on standard error. Nothing here reaches the user, and standard
// output is left to what the command line is asked for (scripts read it).
//
// Wide strings in a wide format must be passed with %ls: the C runtimes
// disagree on what a plain %s means in a wide format.
namespace kb {

void DiagPrintf(const char* format, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 1, 2)))
#endif
    ;
void DiagPrintfW(const wchar_t* format, ...);

// On unless turned off: the command line keeps standard error for its
// one-line answer unless asked for more (--verbose).
void SetDiagnosticsEnabled(bool enabled);

}  // namespace kb
