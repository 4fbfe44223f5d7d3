// The standard library reports a misuse it finds (a string grown past its limit, an index out of
// range, an array size out of range) through the std::__throw_* functions below. libstdc++'s
// own versions throw std::length_error and its kin, whose text is a reference-counted string:
// that one choice links a second string implementation, its exception classes and a formatter,
// about 85 KB of the program. Here they throw a fault with a fixed text instead. The program
// catches every exception at one place, the window procedure, with catch (...), and reads no
// text from it, so nothing it does depends on the type. Like TerminateHandler.cpp, this must be
// linked as an object of the program itself, so that it is seen before libstdc++'s definitions;
// should anything pull those in as well, the link fails on the duplicates rather than silently.

#include <exception>
#include <new>

namespace {

class LibraryFault final : public std::exception {
 public:
  explicit LibraryFault(const char* text) noexcept : text_(text) {}
  const char* what() const noexcept override { return text_; }

 private:
  const char* text_;
};

}  // namespace

namespace std {

void __throw_bad_alloc() { throw bad_alloc(); }
void __throw_bad_array_new_length() { throw bad_array_new_length(); }
void __throw_length_error(const char* text) { throw LibraryFault(text); }
void __throw_logic_error(const char* text) { throw LibraryFault(text); }
// The format's arguments are not needed for a text nobody reads.
void __throw_out_of_range_fmt(const char* format, ...) { throw LibraryFault(format); }

}  // namespace std
