// What each port of the toolkit implements. The build compiles toolkit/*.cpp and exactly
// one port folder: gtk/ on Linux, win32/ on Windows. Each port provides
//   - the "Program", "Windows and events" and "Gadgets" procedures of toolkit.h;
//   - TkDecodePictureFile below, the PNG and JPEG decoding behind TkLoadImage;
//   - TkPortReportFailure below.
// Everything else in toolkit/ is written once against the Windows API, and no file outside
// the port folders asks which system it runs on. The ports share the event queue below.
//
// Kept free of the Windows headers: jpeglib.h and the Windows headers each define their
// own `boolean`, and the Linux decoders include this header.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// A picture as a decoder writes it: rows top first, each in the byte order of a DIB: B, G,
// R, and A (straight, not premultiplied) when hasAlpha. The rows live in the bitmap of the
// toolkit image being made, so the pixels are written once, in their final place: a
// decoder asks for them with TkAllocatePicture as soon as it knows the size.
struct TkDecodedPicture {
  int width = 0;
  int height = 0;
  bool hasAlpha = false;
  uint8_t *top = nullptr; // the top row
  ptrdiff_t step = 0;     // from a row to the one below it (negative: the rows run bottom-up)
  void *bitmap = nullptr; // the image's HBITMAP, owned by the picture until the image is filed
};

// Largest picture the decoders accept, so that a lying header cannot ask for gigabytes.
constexpr int64_t TkMaxImagePixels = int64_t{1} << 26;

// Makes zero-filled rows for a picture of that size; false when they cannot be made (the
// size is checked against TkMaxImagePixels by the decoder before it asks).
bool TkAllocatePicture(TkDecodedPicture *picture, int width, int height, bool hasAlpha);
// Frees the rows of a picture that will not become an image.
void TkDiscardPicture(TkDecodedPicture *picture);
// Row y of the picture, counted from the top.
inline uint8_t *TkPictureRow(const TkDecodedPicture &picture, int y) { return picture.top + picture.step * y; }

// Shows a failure line wherever the system shows a program's diagnostics besides standard
// error, which TkReportFailure has written it to already.
void TkPortReportFailure(const std::string &line);

// Decodes a PNG or JPEG file. A picture that carries transparency (an alpha channel or a
// transparency chunk) has hasAlpha set. On failure returns false with a short reason,
// which starts with what went wrong ("not a picture", "too large", "cut off", "damaged",
// "unreadable"); the caller then discards the picture.
bool TkDecodePictureFile(const std::string &fileName, TkDecodedPicture *picture, std::string *reason);

// The event queue (event_queue.cpp). A port queues gadget activity and close requests;
// its TkWaitWindowEvent runs the system's loop until an event waits, then takes it, after
// which TkEventWindow and TkEventGadget name its window and gadget.
void TkQueueEvent(int code, int64_t window, int64_t gadget);
// Drops the queued events of a window that is closing: they would name a window that no
// longer exists, or a later window under the same number.
void TkDropEventsOf(int64_t window);
bool TkEventWaiting();
// The oldest event's code; call only while one waits.
int TkTakeEvent();
