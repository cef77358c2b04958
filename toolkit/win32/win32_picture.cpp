// Picture files on Windows: PNG and JPEG decoded by the Windows Imaging Component, so the
// program needs no picture libraries of its own. A format converter hands over the
// pixels as 32-bit BGRA with straight alpha, the one target every decoder's format
// converts to; pictures without transparency are packed to B, G, R on the way into the
// image.
#include "files.h"
#include "port.h"
#include "text_utf.h"

#include <windows.h>
#include <objbase.h>
#include <wincodec.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

namespace {

// The interfaces of one decoding, released together when it ends.
struct WicJob {
  IWICImagingFactory *factory;
  IWICBitmapDecoder *decoder;
  IWICBitmapFrameDecode *frame;
  IWICFormatConverter *converter;
};

void ReleaseJob(WicJob *job) {
  IUnknown *held[] = {job->converter, job->frame, job->decoder, job->factory};
  for (IUnknown *object : held)
    if (object) object->Release();
  *job = WicJob{};
}

std::string Failure(const char *what, HRESULT result) {
  char text[96];
  std::snprintf(text, sizeof text, "%s (0x%08lX)", what, static_cast<unsigned long>(result));
  return text;
}

// Why WIC could not read a file: one that is a PNG or JPEG by its first bytes but lacks
// its end (the IEND chunk, the EOI marker) was cut off, one that has it is damaged, and
// anything else is no picture of ours.
std::string WhyUndecodable(const std::string &fileName, HRESULT result) {
  std::vector<uint8_t> bytes;
  if (!TkReadWholeFile(fileName, &bytes)) return "unreadable";
  static const uint8_t PngSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  size_t size = bytes.size();
  bool png = size >= 8 && std::memcmp(bytes.data(), PngSignature, 8) == 0;
  bool jpeg = size >= 3 && bytes[0] == 0xFF && bytes[1] == 0xD8 && bytes[2] == 0xFF;
  if (!png && !jpeg) return Failure("not a picture", result);
  bool ended = png ? size >= 12 && std::memcmp(bytes.data() + size - 8, "IEND", 4) == 0
                   : bytes[size - 2] == 0xFF && bytes[size - 1] == 0xD9;
  return Failure(ended ? "damaged" : "cut off", result);
}

bool IsIndexed(const WICPixelFormatGUID &format) {
  return format == GUID_WICPixelFormat1bppIndexed || format == GUID_WICPixelFormat2bppIndexed ||
         format == GUID_WICPixelFormat4bppIndexed || format == GUID_WICPixelFormat8bppIndexed;
}

// Whether the frame carries transparency: a palette with an entry that is not opaque, or a
// pixel format with an alpha channel (a PNG's transparency chunk of a grey or RGB picture
// comes out as one).
bool HasTransparency(IWICImagingFactory *factory, IWICBitmapFrameDecode *frame, const WICPixelFormatGUID &format) {
  BOOL alpha = FALSE;
  if (IsIndexed(format)) {
    IWICPalette *palette = nullptr;
    if (SUCCEEDED(factory->CreatePalette(&palette)) && SUCCEEDED(frame->CopyPalette(palette)))
      palette->HasAlpha(&alpha);
    if (palette) palette->Release();
    return alpha;
  }
  IWICComponentInfo *info = nullptr;
  IWICPixelFormatInfo2 *formatInfo = nullptr;
  if (SUCCEEDED(factory->CreateComponentInfo(format, &info)) &&
      SUCCEEDED(info->QueryInterface(IID_IWICPixelFormatInfo2, reinterpret_cast<void **>(&formatInfo))))
    formatInfo->SupportsTransparency(&alpha);
  if (formatInfo) formatInfo->Release();
  if (info) info->Release();
  return alpha;
}

// Copies the converter's 32-bit BGRA rows into the picture a band at a time, packing them
// to B, G, R for a picture without transparency; the band buffer stays small whatever the
// picture's size.
HRESULT CopyRows(IWICFormatConverter *converter, TkDecodedPicture *picture) {
  UINT width = static_cast<UINT>(picture->width), height = static_cast<UINT>(picture->height);
  UINT rowBytes = width * 4;
  UINT bandRows = std::max<UINT>(1, std::min<UINT>(height, (1u << 20) / rowBytes));
  std::vector<uint8_t> band(static_cast<size_t>(rowBytes) * bandRows);
  for (UINT top = 0; top < height; top += bandRows) {
    UINT rows = std::min(bandRows, height - top);
    WICRect rect = {0, static_cast<INT>(top), static_cast<INT>(width), static_cast<INT>(rows)};
    HRESULT result = converter->CopyPixels(&rect, rowBytes, rowBytes * rows, band.data());
    if (FAILED(result)) return result;
    for (UINT r = 0; r < rows; ++r) {
      const uint8_t *from = band.data() + static_cast<size_t>(r) * rowBytes;
      uint8_t *to = TkPictureRow(*picture, static_cast<int>(top + r));
      if (picture->hasAlpha) {
        std::memcpy(to, from, rowBytes);
        continue;
      }
      for (UINT x = 0; x < width; ++x, from += 4, to += 3) {
        to[0] = from[0];
        to[1] = from[1];
        to[2] = from[2];
      }
    }
  }
  return S_OK;
}

bool Decode(WicJob *job, const std::string &fileName, TkDecodedPicture *picture, std::string *reason) {
  HRESULT result = CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_IWICImagingFactory,
                                    reinterpret_cast<void **>(&job->factory));
  if (FAILED(result)) {
    *reason = Failure("unreadable: no imaging component", result);
    return false;
  }
  result = job->factory->CreateDecoderFromFilename(TkUtf8ToWide(fileName).c_str(), nullptr, GENERIC_READ,
                                                   WICDecodeMetadataCacheOnDemand, &job->decoder);
  if (FAILED(result)) {
    DWORD attributes = GetFileAttributesW(TkUtf8ToWide(fileName).c_str());
    bool readable = attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
    *reason = readable ? WhyUndecodable(fileName, result) : "unreadable";
    return false;
  }
  // The same two formats as everywhere else: WIC would also take BMP, GIF, TIFF and more.
  GUID container{};
  if (FAILED(job->decoder->GetContainerFormat(&container)) ||
      (container != GUID_ContainerFormatPng && container != GUID_ContainerFormatJpeg)) {
    *reason = "not a picture: neither PNG nor JPEG";
    return false;
  }
  UINT width = 0, height = 0;
  WICPixelFormatGUID format{};
  if (FAILED(result = job->decoder->GetFrame(0, &job->frame)) ||
      FAILED(result = job->frame->GetSize(&width, &height)) || FAILED(result = job->frame->GetPixelFormat(&format))) {
    *reason = WhyUndecodable(fileName, result);
    return false;
  }
  if (width < 1 || height < 1) {
    *reason = "damaged: a picture without pixels";
    return false;
  }
  if (static_cast<int64_t>(width) * height > TkMaxImagePixels) {
    char text[64];
    std::snprintf(text, sizeof text, "too large: %u x %u pixels", width, height);
    *reason = text;
    return false;
  }
  bool alpha = HasTransparency(job->factory, job->frame, format);
  if (FAILED(result = job->factory->CreateFormatConverter(&job->converter)) ||
      FAILED(result = job->converter->Initialize(job->frame, GUID_WICPixelFormat32bppBGRA, WICBitmapDitherTypeNone,
                                                 nullptr, 0.0, WICBitmapPaletteTypeCustom))) {
    *reason = Failure("damaged: cannot convert the pixels", result);
    return false;
  }
  if (!TkAllocatePicture(picture, static_cast<int>(width), static_cast<int>(height), alpha)) {
    *reason = "too large: no memory for the pixels";
    return false;
  }
  if (FAILED(result = CopyRows(job->converter, picture))) {
    *reason = WhyUndecodable(fileName, result);
    return false;
  }
  return true;
}

} // namespace

bool TkDecodePictureFile(const std::string &fileName, TkDecodedPicture *picture, std::string *reason) {
  // Loading must not depend on who initialised COM on this thread, or whether anyone did.
  HRESULT apartment = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  WicJob job{};
  bool ok = Decode(&job, fileName, picture, reason);
  ReleaseJob(&job);
  if (SUCCEEDED(apartment)) CoUninitialize();
  if (!ok) TkDiscardPicture(picture);
  return ok;
}
