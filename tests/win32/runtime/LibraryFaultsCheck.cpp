// The program's own std::__throw_* helpers (win32/LibraryFaults.cpp), linked as the program
// links them: every misuse the standard library finds must still arrive as an exception that
// a catch reaches, with a text, and the program must go on after it. A helper that returned
// or aborted instead would end this run before it prints its verdict.
//
// A plain program, not a GoogleTest one: GoogleTest's streams need the library's own helpers,
// which the linker would then refuse beside ours.

#include <cstdio>
#include <functional>
#include <new>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

int failures = 0;

template <typename Misuse>
void ExpectCaught(const char* name, Misuse misuse) {
  try {
    misuse();
    std::printf("FAILED %s: nothing was thrown\n", name);
    ++failures;
  } catch (const std::exception& fault) {
    const bool hasText = fault.what() != nullptr && fault.what()[0] != '\0';
    std::printf("%s %s: caught, \"%s\"\n", hasText ? "ok" : "FAILED", name,
                hasText ? fault.what() : "");
    if (!hasText) ++failures;
  }
}

}  // namespace

int wmain() {
  std::string text = "short";
  std::vector<int> numbers(3);
  // Volatile: the compiler may not prove the sizes wrong and drop the calls.
  volatile std::size_t index = 99;
  volatile long count = -1;

  ExpectCaught("string index out of range", [&] { (void)text.at(index); });
  ExpectCaught("string substr out of range", [&] { (void)text.substr(index); });
  ExpectCaught("string past its largest size", [&] { text.reserve(text.max_size() + index); });
  ExpectCaught("string from a null pointer", [&] {
    const char* volatile none = nullptr;
    std::string made(none);
  });
  ExpectCaught("vector index out of range", [&] { (void)numbers.at(index); });
  ExpectCaught("vector past its largest size",
               [&] { numbers.reserve(numbers.max_size() + index); });
  ExpectCaught("array of negative length", [&] { delete[] new int[count]; });
  ExpectCaught("empty std::function called", [] {
    std::function<void()> empty;
    empty();
  });

  // Still running, with the strings and the heap usable.
  text += " and longer than the short form";
  std::printf("%s: %d fault(s)\n", failures == 0 ? "passed" : "FAILED", failures);
  return failures == 0 && text.size() > 15 ? 0 : 1;
}
