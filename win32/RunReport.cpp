#include "win32/RunReport.h"

#include <windows.h>

#include "app/Lines.h"
#include "platform/Trace.h"
#include "services/modGlobal.h"

namespace tarnwell::win32 {

void RunReport::Box(const std::string& title, const std::string& text, BoxIcon icon) {
  if (log_.IsOpen()) Note("Message box \"" + title + "\": " + OneLineToRead<char>(text));
  if (!showBoxes_) return;
  // Owned by this thread's active window, if any: the main window is topmost, and an unowned
  // box could open hidden behind it.
  modGlobal::ShowBox(reinterpret_cast<NativeWindow>(::GetActiveWindow()), title, text, icon);
}

void RunReport::Trace(std::string_view call, std::uint32_t code, bool hresult) {
  platform::TraceFailure(call, code, hresult);
}

}  // namespace tarnwell::win32
