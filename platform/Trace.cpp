#include "platform/Trace.h"

namespace tarnwell::platform {
namespace {

// One line in a buffer of its own: no allocation, and no formatting from the C runtime, whose
// wide printf alone would add some 30 KB. A name too long for it is cut short.
class Line {
 public:
  template <typename Char>
  Line& operator<<(std::basic_string_view<Char> text) {
    for (const Char c : text) Put(static_cast<wchar_t>(c));
    return *this;
  }
  Line& operator<<(const wchar_t* text) { return *this << std::wstring_view(text); }
  // `value` in `base`, with at least `minimum` digits.
  Line& Number(unsigned long value, unsigned base, int minimum) {
    constexpr wchar_t kDigits[] = L"0123456789ABCDEF";
    wchar_t digits[16];
    int count = 0;
    do {
      digits[count++] = kDigits[value % base];
      value /= base;
    } while (value != 0 || count < minimum);
    while (count > 0) Put(digits[--count]);
    return *this;
  }
  void Send() {
    text_[length_] = L'\0';
    ::OutputDebugStringW(text_);
  }

 private:
  void Put(wchar_t c) {
    if (length_ + 1 < std::size(text_)) text_[length_++] = c;
  }
  wchar_t text_[256];
  std::size_t length_ = 0;
};

template <typename Char>
void Failure(std::basic_string_view<Char> call, unsigned long code, bool hresult) {
  Line line;
  line << L"TarnwellUpdate: " << call << L" failed, ";
  if (hresult) {
    line << L"0x";
    line.Number(code, 16, 8);
  } else {
    line << L"error ";
    line.Number(code, 10, 1);
  }
  line << L"\n";
  line.Send();
}

}  // namespace

void TraceFailure(const wchar_t* call, DWORD error) {
  Failure(std::wstring_view(call), error, false);
}

void TraceHresult(const wchar_t* call, HRESULT result) {
  Failure(std::wstring_view(call), static_cast<unsigned long>(result), true);
}

void TraceFailure(std::string_view call, DWORD code, bool hresult) { Failure(call, code, hresult); }

}  // namespace tarnwell::platform
