// Device contexts: memory DCs holding one bitmap each.
#include "gdi_pixels.h"
#include "gdi_internal.h"

// Every handle the platform gives out is registered in the kernel's handle table.
#include "kernel/handles.h"

namespace {

// Every new memory DC holds this 1 x 1 monochrome bitmap until another is selected.
// Its record is kept here as well as in the handle table, which is torn down at exit
// before the leak checker looks.
GdiBitmap *StockRecord;

HBITMAP StockBitmap() {
  static HBITMAP stock = [] {
    HBITMAP handle = GdiNewBitmap(1, 1, 1, false, false);
    StockRecord = GdiBitmapOf(handle);
    StockRecord->stock = true;
    return handle;
  }();
  return stock;
}

HDC NewDc() {
  GdiDc *dc = new GdiDc{StockBitmap()};
  return static_cast<HDC>(HandleAdd(HandleKind::Dc, dc));
}

// Frees a DC record; the bitmap it held becomes free to select or delete.
void FreeDc(HDC handle) {
  GdiDc *dc = static_cast<GdiDc *>(HandleRemove(handle, HandleKind::Dc));
  if (!dc) return;
  if (GdiBitmap *bitmap = GdiBitmapOf(dc->bitmap); bitmap && bitmap->selectedInto == handle)
    bitmap->selectedInto = nullptr;
  delete dc;
}

} // namespace

HDC CreateCompatibleDC(HDC dc) {
  std::lock_guard<std::recursive_mutex> lock(GdiLock());
  if (dc && !GdiDcOf(dc)) return nullptr;
  return NewDc();
}

BOOL DeleteDC(HDC dc) {
  std::lock_guard<std::recursive_mutex> lock(GdiLock());
  if (!GdiDcOf(dc)) return FALSE;
  FreeDc(dc);
  return TRUE;
}

HGDIOBJ SelectObject(HDC dc, HGDIOBJ object) {
  std::lock_guard<std::recursive_mutex> lock(GdiLock());
  GdiDc *record = GdiDcOf(dc);
  GdiBitmap *bitmap = GdiBitmapOf(object);
  if (!record || !bitmap) return nullptr;
  HBITMAP previous = record->bitmap;
  if (previous == object) return previous;
  // A bitmap lives in one memory DC at a time.
  if (bitmap->selectedInto) return nullptr;
  if (GdiBitmap *old = GdiBitmapOf(previous)) old->selectedInto = nullptr;
  if (!bitmap->stock) bitmap->selectedInto = dc;
  record->bitmap = static_cast<HBITMAP>(object);
  return previous;
}

HGDIOBJ GetCurrentObject(HDC dc, UINT type) {
  std::lock_guard<std::recursive_mutex> lock(GdiLock());
  GdiDc *record = GdiDcOf(dc);
  if (!record || type != OBJ_BITMAP) return nullptr;
  return record->bitmap;
}

bool GdiGetDcPixels(HDC dc, GdiPixels *pixels) {
  std::lock_guard<std::recursive_mutex> lock(GdiLock());
  GdiDc *record = GdiDcOf(dc);
  if (!record) return false;
  return GdiGetBitmapPixels(record->bitmap, pixels);
}
