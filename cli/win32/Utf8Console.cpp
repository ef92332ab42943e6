// The command line prints names as the UTF-8 bytes it holds: a console shows them as such only
// while its output code page is UTF-8. Set it for the program's run and give the console its
// own page back at the end, so the shell that started the program is left as it was. Output
// into a pipe or a file is not affected: the bytes go out unchanged either way.
#include <windows.h>

namespace {
class Utf8Console {
  public:
    Utf8Console() : previous_(GetConsoleOutputCP()) {
        if (previous_ != 0 && previous_ != CP_UTF8) SetConsoleOutputCP(CP_UTF8);
    }
    ~Utf8Console() {
        if (previous_ != 0 && previous_ != CP_UTF8) SetConsoleOutputCP(previous_);
    }

  private:
    UINT previous_;
};

const Utf8Console utf8Console;
}  // namespace
