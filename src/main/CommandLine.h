#pragma once
// The command line (kbconfig --effect 3, --help, ...): parsed and checked
// first, then handed to the running instance's window when there is one,
// else done here without a window (and without a display): the keyboard
// opened, the request applied, the tables saved. Standard output carries
// what was asked for, standard error one line saying why it failed.
namespace startup {

// Whether the command line is such a request rather than a window start.
bool IsCommandLineRequest(const wchar_t* commandLine);

// The process's exit status (command_line::Exit).
int RunCommandLine(const wchar_t* commandLine);

}  // namespace startup
