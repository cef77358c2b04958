// Picture files on Windows: PNG and JPEG decoded by the Windows Imaging Component, so the
// program needs no picture libraries of its own. A format converter hands over the
// pixels as 32-bit BGRA with straight alpha, the one target every decoder's format
// converts to; pictures without transparency are then packed to B, G, R in place.
#include "port.h"
#include "text_utf.h"

#include <windows.h>
#include <objbase.h>
#include <wincodec.h>

#include <cstdio>

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
    if (object)
      object->Release();
  *job = WicJob{};
}

std::string Failure(const char *what, HRESULT result) {
  char text[96];
  std::snprintf(text, sizeof text, "%s (0x%08lX)", what, static_cast<unsigned long>(result));
  return text;
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
    if (palette)
      palette->Release();
    return alpha;
  }
  IWICComponentInfo *info = nullptr;
  IWICPixelFormatInfo2 *formatInfo = nullptr;
  if (SUCCEEDED(factory->CreateComponentInfo(format, &info)) &&
      SUCCEEDED(info->QueryInterface(IID_IWICPixelFormatInfo2, reinterpret_cast<void **>(&formatInfo))))
    formatInfo->SupportsTransparency(&alpha);
  if (formatInfo)
    formatInfo->Release();
  if (info)
    info->Release();
  return alpha;
}

bool Decode(WicJob *job, const std::string &fileName, TkDecodedPicture *picture, std::string *reason) {
  HRESULT result = CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_IWICImagingFactory,
                                    reinterpret_cast<void **>(&job->factory));
  if (FAILED(result)) {
    *reason = Failure("no imaging component", result);
    return false;
  }
  result = job->factory->CreateDecoderFromFilename(TkUtf8ToWide(fileName).c_str(), nullptr, GENERIC_READ,
                                                   WICDecodeMetadataCacheOnDemand, &job->decoder);
  if (FAILED(result)) {
    DWORD attributes = GetFileAttributesW(TkUtf8ToWide(fileName).c_str());
    bool readable = attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
    *reason = readable ? Failure("not a picture", result) : "cannot read the file";
    return false;
  }
  // The same two formats as everywhere else: WIC would also take BMP, GIF, TIFF and more.
  GUID container{};
  if (FAILED(job->decoder->GetContainerFormat(&container)) ||
      (container != GUID_ContainerFormatPng && container != GUID_ContainerFormatJpeg)) {
    *reason = "neither PNG nor JPEG";
    return false;
  }
  UINT width = 0, height = 0;
  WICPixelFormatGUID format{};
  if (FAILED(result = job->decoder->GetFrame(0, &job->frame)) ||
      FAILED(result = job->frame->GetSize(&width, &height)) || FAILED(result = job->frame->GetPixelFormat(&format))) {
    *reason = Failure("cannot read the picture", result);
    return false;
  }
  if (width < 1 || height < 1 || static_cast<int64_t>(width) * height > kTkMaxImagePixels) {
    *reason = "unsupported size";
    return false;
  }
  bool alpha = HasTransparency(job->factory, job->frame, format);
  if (FAILED(result = job->factory->CreateFormatConverter(&job->converter)) ||
      FAILED(result = job->converter->Initialize(job->frame, GUID_WICPixelFormat32bppBGRA, WICBitmapDitherTypeNone,
                                                 nullptr, 0.0, WICBitmapPaletteTypeCustom))) {
    *reason = Failure("cannot convert the pixels", result);
    return false;
  }
  UINT rowBytes = width * 4;
  picture->pixels.assign(static_cast<size_t>(rowBytes) * height, 0);
  result =
      job->converter->CopyPixels(nullptr, rowBytes, static_cast<UINT>(picture->pixels.size()), picture->pixels.data());
  if (FAILED(result)) {
    *reason = Failure("cannot decode the pixels", result);
    return false;
  }
  if (!alpha) {
    // Forward packing never overwrites a pixel it has still to read.
    size_t count = static_cast<size_t>(width) * height;
    uint8_t *pixels = picture->pixels.data();
    for (size_t i = 0; i < count; ++i) {
      pixels[i * 3] = pixels[i * 4];
      pixels[i * 3 + 1] = pixels[i * 4 + 1];
      pixels[i * 3 + 2] = pixels[i * 4 + 2];
    }
    picture->pixels.resize(count * 3);
  }
  picture->width = static_cast<int>(width);
  picture->height = static_cast<int>(height);
  picture->hasAlpha = alpha;
  return true;
}

} // namespace

bool TkDecodePictureFile(const std::string &fileName, TkDecodedPicture *picture, std::string *reason) {
  *picture = TkDecodedPicture{};
  // Loading must not depend on who initialised COM on this thread, or whether anyone did.
  HRESULT apartment = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  WicJob job{};
  bool ok = Decode(&job, fileName, picture, reason);
  ReleaseJob(&job);
  if (SUCCEEDED(apartment))
    CoUninitialize();
  if (!ok)
    picture->pixels.clear();
  return ok;
}
