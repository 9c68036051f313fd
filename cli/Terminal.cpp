#include "cli/Terminal.h"

#ifdef _WIN32
#include <io.h>
#define isatty _isatty
#define fileno _fileno
#else
#include <unistd.h>
#endif

bool IsTerminal(std::FILE* stream)
{
    return isatty(fileno(stream)) != 0;
}
