// std::terminate's default handler in libstdc++ prints the demangled type of the uncaught
// exception to stderr, which a GUI program does not have; it drags in the whole demangler
// (~70 KB) for that. This definition replaces it: it must be linked as an object of the
// program itself, not from a static library, so that it is seen before libstdc++'s own.

#include <cstdlib>
#include <exception>

namespace __gnu_cxx {

void __verbose_terminate_handler() { std::abort(); }

}  // namespace __gnu_cxx
