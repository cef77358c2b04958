#include "scene.h"

#include "app_state.h"
#include "toolkit.h"

void SetUpScene() {
  // Direct2D exists from Windows NT 6.0 on (code 70); a version the toolkit does not know
  // is taken as newer.
  if (TkOSVersion() > 69) RendererName = "Direct2D";
}
