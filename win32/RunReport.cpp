#include "win32/RunReport.h"

#include <windows.h>

#include "app/Lines.h"
#include "platform/Trace.h"
#include "services/modGlobal.h"

namespace tarnwell::win32 {

void RunReport::Box(const std::string& title, const std::string& text, BoxIcon icon) {
  if (log_.IsOpen()) Note("Message box \"" + title + "\": " + OneLineToRead<char>(text));
  if (!showBoxes_) return;
  // A window gone meanwhile owns nothing: a box with it as owner would not show at all.
  const HWND owner = owner_ && ::IsWindow(owner_) ? owner_ : nullptr;
  modGlobal::ShowBox(reinterpret_cast<NativeWindow>(owner), title, text, icon);
}

void RunReport::Trace(std::string_view call, std::uint32_t code, bool hresult) {
  platform::TraceFailure(call, code, hresult);
}

}  // namespace tarnwell::win32
